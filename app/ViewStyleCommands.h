#pragma once

#include <QObject>

#include <vector>

class CVolumeView;
class QAction;

// View > Planner View and View > Fit Room: the planner's drawing of the
// plan beside the classic picture, which stays what the window shows at
// start. The two actions follow the view's style, whichever way it changed.
class CViewStyleCommands : public QObject
{
    Q_OBJECT
  public:
    CViewStyleCommands(CVolumeView& view, QAction& plannerView, QAction& fitRoom, QObject* parent);

    void SetPlannerView(bool on);
    bool IsPlannerView() const;
    void FitRoom();
    // The check mark and Fit Room's state as the view's style is now.
    void ShowStyle();
    // A further entry that, as Fit Room, works in the Planner view only.
    void AddPlannerAction(QAction& action);

  private:
    CVolumeView& m_view;
    QAction& m_plannerView;
    QAction& m_fitRoom;
    std::vector<QAction*> m_plannerActions;
};
