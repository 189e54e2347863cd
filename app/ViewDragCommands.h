#pragma once

#include <QObject>

class CClassicPlan;
class CVolumePlannerDlg;
struct PlannerDragResult;

// Cameras moved and aimed with the mouse in the Planner view: each drag let
// go becomes one step of the plan's history (the boxes, when they show that
// camera, and the table follow it), and the view marks the target of the
// camera the window has selected.
class CViewDragCommands : public QObject
{
    Q_OBJECT
  public:
    CViewDragCommands(CVolumePlannerDlg& dialog, CClassicPlan& plan, QObject* parent);

  private:
    void TakeDrag(const PlannerDragResult& result);
    void ShowSelected();

    CVolumePlannerDlg& m_dialog;
    CClassicPlan& m_plan;
};
