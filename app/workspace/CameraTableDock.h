#pragma once

#include <QDockWidget>

class CCameraListModel;
class CQtPlanDocument;
class CUserPrompts;
class CWorkspaceSelection;
class QTableView;

// Camera Table: every camera of the plan in a row, edited in place; the row
// chosen is the workspace's selected camera, both ways.
class CCameraTableDock : public QDockWidget
{
    Q_OBJECT
  public:
    CCameraTableDock(CQtPlanDocument& document, CWorkspaceSelection& selection, CUserPrompts& prompts,
                     QWidget* parent = nullptr);

    QTableView* Table() const { return m_pTable; }
    CCameraListModel* Model() const { return m_pModel; }

    // A handful of rows under the view.
    QSize sizeHint() const override { return {640, 240}; }

  private:
    void ShowSelection();

    CWorkspaceSelection& m_selection;
    CCameraListModel* m_pModel;
    QTableView* m_pTable;
    bool m_bShowing = false;
};
