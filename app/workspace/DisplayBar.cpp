#include "app/workspace/DisplayBar.h"

#include "app/workspace/WorkspaceView.h"

#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

CDisplayBar::CDisplayBar(CWorkspaceView& view, QMenu& measures, QAction& twoOrMore, QWidget* parent)
    : QToolBar("Display", parent), m_view(view), m_pMeasure(new QToolButton), m_pCut(new QSlider(Qt::Horizontal)),
      m_pCutText(new QLabel)
{
    setObjectName("DisplayToolBar");
    m_pMeasure->setMenu(&measures);
    m_pMeasure->setPopupMode(QToolButton::InstantPopup);
    m_pMeasure->setToolTip("What the colours of the voxels show");
    addWidget(m_pMeasure);
    addAction(&twoOrMore);
    addSeparator();
    addWidget(new QLabel(" Cut at "));
    m_pCut->setObjectName("CutSlider");
    m_pCut->setFixedWidth(140);
    m_pCut->setToolTip("The layers of voxels shown, from the floor up");
    addWidget(m_pCut);
    m_pCutText->setMinimumWidth(m_pCutText->fontMetrics().horizontalAdvance("10.00 m  "));
    addWidget(m_pCutText);
    connect(m_pCut, &QSlider::valueChanged, this, [this](int layers) {
        m_view.SetShownLayers(layers);
        ShowLayers();
    });
    connect(&m_view, &CWorkspaceView::resultsChanged, this, &CDisplayBar::ShowLayers);
    connect(&measures, &QMenu::triggered, this, &CDisplayBar::ShowMeasure);
    ShowMeasure();
    ShowLayers();
}

void CDisplayBar::ShowMeasure()
{
    for (const QAction* action : m_pMeasure->menu()->actions())
        if (action->isChecked())
            m_pMeasure->setText(action->text() + "  ");
}

void CDisplayBar::ShowLayers()
{
    const int total = m_view.GetLayerTotal();
    const QSignalBlocker quiet(m_pCut);
    const int before = m_pCut->value();
    const bool atTop = before >= m_pCut->maximum();
    m_pCut->setEnabled(total > 0);
    m_pCut->setRange(total > 0 ? 1 : 0, total);
    m_pCut->setValue(atTop ? total : before);
    // A new computation shows every layer: the cut the user chose stays.
    if (m_view.GetShownLayers() != m_pCut->value())
        m_view.SetShownLayers(m_pCut->value());
    m_pCutText->setText(total > 0 ? QString::number(m_view.GetCutHeight(), 'f', 2) + " m" : QString());
}
