#include "app/ViewDragCommands.h"

#include "app/ClassicPlan.h"
#include "app/VolumePlannerDlg.h"
#include "document/PlanEdits.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

CViewDragCommands::CViewDragCommands(CVolumePlannerDlg& dialog, CClassicPlan& plan, QObject* parent)
    : QObject(parent), m_dialog(dialog), m_plan(plan)
{
    connect(m_dialog.View(), &CVolumeView::cameraDragged, this, &CViewDragCommands::TakeDrag);
    connect(&m_dialog, &CVolumePlannerDlg::cameraSelected, this, &CViewDragCommands::ShowSelected);
    connect(&m_plan, &CClassicPlan::planShown, this, &CViewDragCommands::ShowSelected);
    ShowSelected();
}

void CViewDragCommands::TakeDrag(const PlannerDragResult& result)
{
    const CCameraSet& cams = CCameraSet::Instance();
    const auto i = static_cast<size_t>(result.camera);
    const bool moved = cams.GetFilePosition(result.camera) != result.position;
    const std::string title = (moved ? "Move " : "Aim ") + cams.GetLabel(result.camera);
    const std::optional<std::string> refusal =
        m_plan.Edit(title, [i, &result](Plan& plan) -> std::optional<std::string> {
            if (i >= plan.cameras.size())
                return "There is no camera " + std::to_string(i + 1);
            PlanCamera camera = plan.cameras[i];
            camera.x = static_cast<float>(result.position.x);
            camera.y = static_cast<float>(result.position.y);
            camera.z = static_cast<float>(result.position.z);
            camera.hTilt = result.hTilt;
            camera.vTilt = result.vTilt;
            return SetCamera(plan, i, camera);
        });
    if (refusal)
        m_dialog.Prompts().ShowMessage("Camera not moved\n" + *refusal, "Invalid Action", PromptButtons::Ok);
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
