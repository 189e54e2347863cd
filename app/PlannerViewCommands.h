#pragma once

#include "render/ViewStyle.h"

#include <QObject>

class CViewStyleCommands;
class CVolumePlannerDlg;
class QAction;
class QMenu;

// The Planner view's own View entries: the fixed views (Top, Front, Side),
// the view through the selected camera with its field of view, and which
// cameras show their pyramids. Enabled in the Planner view only.
class CPlannerViewCommands : public QObject
{
    Q_OBJECT
  public:
    struct Actions {
        QAction* top;
        QAction* front;
        QAction* side;
        QAction* throughCamera;
        QAction* pyramidsAll;
        QAction* pyramidsSelected;
        QAction* pyramidsNone;
    };
    // `menu` is the View menu: the camera's number is written into its entry as it opens.
    CPlannerViewCommands(CVolumePlannerDlg& dialog, CViewStyleCommands& style, const Actions& actions, QMenu& menu,
                         QObject* parent);

    void ShowPreset(PlannerPreset preset);
    // Through the selected camera; a camera without a field of view yet is refused with a message.
    void LookThroughSelected();
    void ShowPyramids(PyramidShow show);

  private:
    void NameThroughCamera();

    CVolumePlannerDlg& m_dialog;
    Actions m_actions;
};
