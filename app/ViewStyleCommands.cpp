#include "app/ViewStyleCommands.h"

#include "render/view/VolumeView.h"

#include <QAction>
#include <QSignalBlocker>

CViewStyleCommands::CViewStyleCommands(CVolumeView& view, QAction& plannerView, QAction& fitRoom, QObject* parent)
    : QObject(parent), m_view(view), m_plannerView(plannerView), m_fitRoom(fitRoom)
{
    m_plannerView.setCheckable(true);
    connect(&m_plannerView, &QAction::toggled, this, &CViewStyleCommands::SetPlannerView);
    connect(&m_fitRoom, &QAction::triggered, this, &CViewStyleCommands::FitRoom);
    ShowStyle();
}

void CViewStyleCommands::SetPlannerView(bool on)
{
    m_view.SetViewStyle(on ? ViewStyle::Planner : ViewStyle::Classic);
    ShowStyle();
    m_view.RequestRepaint();
}

bool CViewStyleCommands::IsPlannerView() const
{
    return m_view.GetViewStyle() == ViewStyle::Planner;
}

void CViewStyleCommands::FitRoom()
{
    // The classic picture has its fixed framing: there is nothing to fit.
    if (!IsPlannerView() || !m_view.IsSceneReady())
        return;
    m_view.FitRoom();
}

void CViewStyleCommands::ShowStyle()
{
    const QSignalBlocker quiet(m_plannerView);
    m_plannerView.setChecked(IsPlannerView());
    m_fitRoom.setEnabled(IsPlannerView());
    for (QAction* action : m_plannerActions)
        action->setEnabled(IsPlannerView());
}

void CViewStyleCommands::AddPlannerAction(QAction& action)
{
    m_plannerActions.push_back(&action);
    action.setEnabled(IsPlannerView());
}
