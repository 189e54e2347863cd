#include "app/ViewDragCommands.h"

#include "app/PlanUndo.h"
#include "app/VolumePlannerDlg.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

CViewDragCommands::CViewDragCommands(CVolumePlannerDlg& dialog, CPlanUndo& undo, QObject* parent)
    : QObject(parent), m_dialog(dialog), m_undo(undo)
{
    connect(m_dialog.View(), &CVolumeView::cameraDragged, this, &CViewDragCommands::TakeDrag);
    connect(&m_dialog, &CVolumePlannerDlg::cameraSelected, this, &CViewDragCommands::ShowSelected);
    connect(&m_undo, &CPlanUndo::planShown, this, &CViewDragCommands::ShowSelected);
    ShowSelected();
}

void CViewDragCommands::TakeDrag(const PlannerDragResult& result)
{
    CCameraSet& cams = CCameraSet::Instance();
    const int i = result.camera;
    const bool moved = cams.GetFilePosition(i) != result.position;
    const QString title = QString(moved ? "Move %1" : "Aim %1").arg(QString::fromStdString(cams.GetLabel(i)));
    m_undo.Apply(title, [&cams, &result, i] {
        cams.SetFilePosition(i, result.position);
        cams.SetHTilt(i, result.hTilt);
        cams.SetVTilt(i, result.vTilt);
    });
    // The selection stays: choosing a camera writes its boxes, whose watches
    // would round its lens and frame into a step of their own. The boxes of
    // the selected camera and the table show the step as it is.
    ShowSelected();
}

void CViewDragCommands::ShowSelected()
{
    CVolumeView& view = *m_dialog.View();
    view.Renderer().SetSelectedCamera(m_dialog.GetSelectedCamera());
    view.RequestRepaint();
}
