#include "app/MainWindow.h"

#include "app/FloorMapPanel.h"
#include "app/MainMenu.h"
#include "app/VolumePlannerDlg.h"
#include "render/view/VolumeView.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

CMainWindow::CMainWindow(std::unique_ptr<CUserPrompts> prompts)
    : m_pArea(new QScrollArea(this)), m_pDialog(new CVolumePlannerDlg(std::move(prompts)))
{
    setWindowTitle(m_pDialog->windowTitle());
    setWindowIcon(m_pDialog->windowIcon());
    m_docks = {MakeDock(DockedPanel::Planning, "Planning", Qt::RightDockWidgetArea),
               MakeDock(DockedPanel::Obstacles, "Obstacles", Qt::BottomDockWidgetArea),
               MakeDock(DockedPanel::CameraTable, "Cameras", Qt::BottomDockWidgetArea)};
    tabifyDockWidget(Dock(DockedPanel::Obstacles), Dock(DockedPanel::CameraTable));
    m_pMenu = new CMainMenu(*m_pDialog, this);
    m_pFloorMap = new CFloorMapPanel(*m_pDialog->View(), m_pDialog->Prompts());
    m_pFloorMapDock = new QDockWidget("Floor Map", this);
    m_pFloorMapDock->setObjectName("dockFloorMap");
    auto* mapArea = new QScrollArea;
    mapArea->setWidgetResizable(true);
    mapArea->setWidget(m_pFloorMap);
    m_pFloorMapDock->setWidget(mapArea);
    addDockWidget(Qt::RightDockWidgetArea, m_pFloorMapDock);
    m_pFloorMapDock->hide();

    m_classicSize = m_pDialog->size();
    m_classicView = m_pDialog->View()->geometry();
    for (QWidget* child : m_pDialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow() && child != m_pDialog->View())
            m_classicPlaces.emplace_back(child, child->pos());
    // The area makes the dialog a widget of the window; its layout stays the classic one.
    m_pArea->setWidget(m_pDialog);
    setCentralWidget(m_pArea);
    m_pArea->viewport()->installEventFilter(this);
    connect(m_pDialog->View(), &CVolumeView::viewStyleChanged, this, &CMainWindow::FitDialog);
    // The dialog is a widget here now: its title (the plan's name and star) is the window's.
    connect(m_pDialog, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    // Quit, Esc and Escape in the view end the dialog, and with it the window.
    connect(m_pDialog, &QDialog::finished, this, &QWidget::close);
    AddPanelToggles();

    // The whole dialog where the screen has room for it; otherwise as large as the screen, and it scrolls.
    QSize size =
        m_classicSize + QSize(2 * m_pArea->frameWidth(), 2 * m_pArea->frameWidth() + menuBar()->sizeHint().height());
    if (const QScreen* s = screen()) {
        const QSize room = s->availableGeometry().size();
        // A scroll bar one way takes its room from the other: it is added where the screen has it.
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        if (size.height() > room.height())
            size.rwidth() += bar;
        if (size.width() > room.width())
            size.rheight() += bar;
        size = size.boundedTo(room);
    }
    resize(size);
}

CMainWindow::~CMainWindow()
{
    // The panels refer to the dialog: they go first.
    for (QDockWidget*& dock : m_docks) {
        delete dock;
        dock = nullptr;
    }
    delete m_pFloorMapDock;
    m_pFloorMapDock = nullptr;
    m_pFloorMap = nullptr;
}

QDockWidget* CMainWindow::MakeDock(DockedPanel which, const QString& title, Qt::DockWidgetArea area)
{
    auto* dock = new QDockWidget(title, this);
    dock->setObjectName(QString("dock%1").arg(static_cast<int>(which)));
    addDockWidget(area, dock);
    // Each stays hidden until its command first shows it.
    dock->hide();
    return dock;
}

void CMainWindow::AddPanelToggles()
{
    QMenu* panels = m_pMenu->ViewMenu()->addMenu("Pa&nels");
    QAction* planning = Dock(DockedPanel::Planning)->toggleViewAction();
    panels->addAction(planning);
    // The panel's measures run while its dock is open: Plan > Planning Panel follows the dock, the close box too.
    connect(planning, &QAction::toggled, m_pMenu->Action(MenuCommand::PlanningPanel), &QAction::setChecked);
    const std::pair<DockedPanel, MenuCommand> others[] = {{DockedPanel::Obstacles, MenuCommand::Obstacles},
                                                          {DockedPanel::CameraTable, MenuCommand::CameraTable}};
    for (const auto& [which, command] : others) {
        QAction* toggle = Dock(which)->toggleViewAction();
        panels->addAction(toggle);
        // Shown from here, the panel is built (the first time) and filled afresh as its own command does.
        connect(toggle, &QAction::triggered, this, [this, command = command](bool on) {
            if (on)
                m_pMenu->Action(command)->trigger();
        });
    }
    panels->addAction(m_pFloorMapDock->toggleViewAction());
}

void CMainWindow::TakeMenuBar(QMenuBar* bar)
{
    setMenuBar(bar);
}

void CMainWindow::ShowDocked(DockedPanel which, QWidget* panel, bool on)
{
    QDockWidget* dock = Dock(which);
    if (!dock->widget()) {
        // A panel taller or wider than its dock scrolls inside it.
        auto* area = new QScrollArea;
        area->setWidgetResizable(true);
        area->setWidget(panel);
        dock->setWidget(area);
    }
    dock->setVisible(on);
    if (on)
        dock->raise();
}

void CMainWindow::closeEvent(QCloseEvent* event)
{
    if (m_pDialog->isVisible())
        m_pDialog->reject();
    if (m_pDialog->isVisible())
        event->ignore();
    else
        event->accept();
}

bool CMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pArea->viewport() && event->type() == QEvent::Resize)
        FitDialog();
    return QMainWindow::eventFilter(watched, event);
}

void CMainWindow::FitDialog()
{
    CVolumeView* view = m_pDialog->View();
    QSize grow(0, 0);
    if (view->GetViewStyle() == ViewStyle::Planner) {
        // The room the area has without scroll bars, less a bar where the other side still scrolls.
        QSize room = m_pArea->maximumViewportSize();
        const int bar = m_pArea->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pArea);
        if (m_classicSize.height() > room.height())
            room.rwidth() -= bar;
        if (m_classicSize.width() > room.width())
            room.rheight() -= bar;
        grow = (room - m_classicSize).expandedTo(QSize(0, 0));
    }
    view->SetViewSize(m_classicView.width() + grow.width(), m_classicView.height() + grow.height());
    // The controls right of the view move right with its edge, those below it down.
    for (const auto& [widget, place] : m_classicPlaces)
        widget->move(place + QPoint(place.x() >= m_classicView.right() ? grow.width() : 0,
                                    place.y() >= m_classicView.bottom() ? grow.height() : 0));
    m_pDialog->setFixedSize(m_classicSize + grow);
}
