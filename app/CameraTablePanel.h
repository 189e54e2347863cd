#pragma once

#include <QWidget>

class CCameraTableModel;
class CClassicPlan;
class CVolumePlannerDlg;
class QTableView;

// View > Camera Table: every camera of the rig in a table beside the view,
// edited in place (CCameraTableModel). The selected row is the dialog's
// selected camera, both ways: choosing a row selects it as Select Camera
// does (with its question about edits not stored), and selecting a camera in
// the dialog selects its row. While the table shows, the Planner view rings
// the selected camera in yellow.
class CCameraTablePanel : public QWidget
{
    Q_OBJECT
  public:
    CCameraTablePanel(CVolumePlannerDlg& dialog, CClassicPlan& plan, QWidget* parent = nullptr);

    QTableView* Table() const { return m_pTable; }
    CCameraTableModel* Model() const { return m_pModel; }
    // The rows from the rig, and the dialog's selection.
    void Refresh();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void OnRowChosen(int row);
    void ShowSelection();
    void ShowHighlight();

    CVolumePlannerDlg& m_dialog;
    CCameraTableModel* m_pModel;
    QTableView* m_pTable;
    bool m_bSelecting = false;
};
