#include "app/workspace/CameraTableDock.h"

#include "app/workspace/CameraListModel.h"
#include "app/workspace/WorkspaceSelection.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

CCameraTableDock::CCameraTableDock(CQtPlanDocument& document, CWorkspaceSelection& selection, CUserPrompts& prompts,
                                   QWidget* parent)
    : QDockWidget("Camera Table", parent), m_selection(selection),
      m_pModel(new CCameraListModel(document, prompts, this)), m_pTable(new QTableView)
{
    setObjectName("CameraTableDock");
    m_pTable->setObjectName("CameraTable");
    m_pTable->setModel(m_pModel);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTable->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pTable->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setWidget(m_pTable);
    connect(m_pTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_bShowing && current.isValid())
                    m_selection.Select(PlanItem{PlanItemKind::Camera, static_cast<size_t>(current.row())});
            });
    connect(&m_selection, &CWorkspaceSelection::changed, this, &CCameraTableDock::ShowSelection);
    // A reset of the rows (a camera added or taken out) loses the current row.
    connect(m_pModel, &QAbstractItemModel::modelReset, this, &CCameraTableDock::ShowSelection);
}

void CCameraTableDock::ShowSelection()
{
    m_bShowing = true;
    const int camera = m_selection.Camera();
    if (camera < 0 || camera >= m_pModel->rowCount()) {
        m_pTable->selectionModel()->clearSelection();
    } else {
        const QModelIndex row = m_pModel->index(camera, 0);
        m_pTable->selectionModel()->setCurrentIndex(row,
                                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_pTable->scrollTo(row);
    }
    m_bShowing = false;
}
