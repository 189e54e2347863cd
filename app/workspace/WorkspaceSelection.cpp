#include "app/workspace/WorkspaceSelection.h"

int CWorkspaceSelection::Camera() const
{
    if (!m_item || m_item->kind != PlanItemKind::Camera)
        return -1;
    return static_cast<int>(m_item->index);
}

void CWorkspaceSelection::Select(const std::optional<PlanItem>& item)
{
    if (item == m_item)
        return;
    m_item = item;
    emit changed();
}

void CWorkspaceSelection::Follow(const Plan& plan)
{
    if (m_item && !HasItem(plan, *m_item))
        Select(std::nullopt);
}
