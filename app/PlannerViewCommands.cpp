#include "app/PlannerViewCommands.h"

#include "app/UserPrompts.h"
#include "app/ViewStyleCommands.h"
#include "app/VolumePlannerDlg.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

CPlannerViewCommands::CPlannerViewCommands(CVolumePlannerDlg& dialog, CViewStyleCommands& style, const Actions& actions,
                                           QMenu& menu, QObject* parent)
    : QObject(parent), m_dialog(dialog), m_actions(actions)
{
    const std::pair<QAction*, PlannerPreset> presets[] = {
        {actions.top, PlannerPreset::Top}, {actions.front, PlannerPreset::Front}, {actions.side, PlannerPreset::Side}};
    for (const auto& [action, preset] : presets)
        connect(action, &QAction::triggered, this, [this, preset = preset] { ShowPreset(preset); });
    connect(actions.throughCamera, &QAction::triggered, this, &CPlannerViewCommands::LookThroughSelected);

    auto* pyramids = new QActionGroup(this);
    const std::pair<QAction*, PyramidShow> shows[] = {{actions.pyramidsAll, PyramidShow::All},
                                                      {actions.pyramidsSelected, PyramidShow::Selected},
                                                      {actions.pyramidsNone, PyramidShow::None}};
    for (const auto& [action, show] : shows) {
        action->setCheckable(true);
        pyramids->addAction(action);
        connect(action, &QAction::triggered, this, [this, show = show] { ShowPyramids(show); });
    }
    actions.pyramidsAll->setChecked(true);

    for (QAction* action : {actions.top, actions.front, actions.side, actions.throughCamera, actions.pyramidsAll,
                            actions.pyramidsSelected, actions.pyramidsNone})
        style.AddPlannerAction(*action);
    connect(&menu, &QMenu::aboutToShow, this, &CPlannerViewCommands::NameThroughCamera);
    NameThroughCamera();
}

void CPlannerViewCommands::ShowPreset(PlannerPreset preset)
{
    CVolumeView& view = *m_dialog.View();
    if (!view.IsSceneReady())
        return;
    view.Renderer().SetPlannerPreset(preset);
    view.RequestRepaint();
}

void CPlannerViewCommands::LookThroughSelected()
{
    CVolumeView& view = *m_dialog.View();
    if (!view.IsSceneReady() || view.GetViewStyle() != ViewStyle::Planner)
        return;
    const int camera = m_dialog.GetSelectedCamera();
    if (camera < 0) {
        m_dialog.Prompts().ShowMessage("No camera is selected to look through.\nChoose one in Select Camera.",
                                       "Invalid Action", PromptButtons::Ok);
        return;
    }
    if (!view.Renderer().LookThroughCamera(camera)) {
        m_dialog.Prompts().ShowMessage("Camera " + std::to_string(camera + 1) +
                                           " has no field of view to look through yet.\nPress RENDER first.",
                                       "Invalid Action", PromptButtons::Ok);
        return;
    }
    view.RequestRepaint();
}

void CPlannerViewCommands::ShowPyramids(PyramidShow show)
{
    CVolumeView& view = *m_dialog.View();
    view.Renderer().SetPyramidShow(show);
    view.RequestRepaint();
}

void CPlannerViewCommands::NameThroughCamera()
{
    const int camera = m_dialog.GetSelectedCamera();
    m_actions.throughCamera->setText(camera < 0 ? QString("Through &Camera")
                                                : QString("Through &Camera %1").arg(camera + 1));
}
