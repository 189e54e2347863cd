#include "app/CameraTablePanel.h"

#include "app/CameraTableModel.h"
#include "app/DialogLayout.h"
#include "app/ClassicPlan.h"
#include "app/VolumePlannerDlg.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

CCameraTablePanel::CCameraTablePanel(CVolumePlannerDlg& dialog, CClassicPlan& plan, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_dialog(dialog),
      m_pModel(new CCameraTableModel(
          plan, dialog.Prompts(), [&dialog] { return dialog.AreCamerasInitialised(); }, this)),
      m_pTable(new QTableView(this))
{
    setWindowTitle("Cameras");
    m_pTable->setModel(m_pModel);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Double-click a cell to edit it; each edit can be undone (Edit > Undo). Position in "
                                 "metres from the room corner, angles in degrees.",
                                 this));
    layout->addWidget(m_pTable);
    resize(900, 320);

    connect(m_pTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { OnRowChosen(current.isValid() ? current.row() : -1); });
    connect(&m_dialog, &CVolumePlannerDlg::cameraSelected, this, &CCameraTablePanel::ShowSelection);
    connect(&plan, &CClassicPlan::planShown, this, &CCameraTablePanel::Refresh);
    // A computation derives the fields of view; Update Settings and a new rig replace values.
    for (const int id : {kIdUpdateSettings, kIdEnter, kIdLoadFile})
        connect(static_cast<QAbstractButton*>(m_dialog.Control(id)), &QAbstractButton::clicked, this,
                &CCameraTablePanel::Refresh);
    Refresh();
}

void CCameraTablePanel::Refresh()
{
    m_pModel->Refresh();
    ShowSelection();
}

void CCameraTablePanel::OnRowChosen(int row)
{
    if (m_bSelecting || row < 0 || row == m_dialog.GetSelectedCamera())
        return;
    // As the user's own choice in Select Camera, which may keep the camera selected so far.
    m_dialog.SelectCamera(row);
    ShowSelection();
}

void CCameraTablePanel::ShowSelection()
{
    m_bSelecting = true;
    const int selected = m_dialog.GetSelectedCamera();
    QItemSelectionModel& selection = *m_pTable->selectionModel();
    const QModelIndex current = selection.currentIndex();
    if (selected >= 0 && selected < m_pModel->rowCount()) {
        // The cell being edited stays current while its row is the selected one.
        if (current.row() != selected)
            selection.setCurrentIndex(m_pModel->index(selected, std::max(current.column(), 0)),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        else
            selection.select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else
        selection.clearSelection();
    m_bSelecting = false;
    ShowHighlight();
}

void CCameraTablePanel::ShowHighlight()
{
    const int camera = isVisible() ? m_dialog.GetSelectedCamera() : -1;
    CSceneRenderer& renderer = m_dialog.View()->Renderer();
    if (renderer.GetHighlightedCamera() == camera)
        return;
    renderer.SetHighlightedCamera(camera);
    m_dialog.View()->RequestRepaint();
}

void CCameraTablePanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ShowHighlight();
}

void CCameraTablePanel::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    ShowHighlight();
}
