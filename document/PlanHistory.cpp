#include "document/PlanHistory.h"

#include <iterator>
#include <utility>

CPlanHistory::CPlanHistory(Plan start)
{
    Restart(std::move(start));
}

void CPlanHistory::Restart(Plan plan)
{
    m_steps.clear();
    m_steps.push_back({{}, std::move(plan)});
    m_nCurrent = 0;
}

void CPlanHistory::Push(std::string name, Plan after)
{
    m_steps.erase(m_steps.begin() + static_cast<std::ptrdiff_t>(m_nCurrent) + 1, m_steps.end());
    m_steps.push_back({std::move(name), std::move(after)});
    if (m_steps.size() > kMaxSteps + 1) {
        // The oldest step becomes the start: its plan stays, its name goes.
        const auto drop = static_cast<std::ptrdiff_t>(m_steps.size() - kMaxSteps - 1);
        m_steps.erase(m_steps.begin(), m_steps.begin() + drop);
        m_steps.front().name.clear();
    }
    m_nCurrent = m_steps.size() - 1;
}

std::string CPlanHistory::UndoName() const
{
    return CanUndo() ? m_steps[m_nCurrent].name : std::string();
}

std::string CPlanHistory::RedoName() const
{
    return CanRedo() ? m_steps[m_nCurrent + 1].name : std::string();
}

bool CPlanHistory::Undo()
{
    if (!CanUndo())
        return false;
    --m_nCurrent;
    return true;
}

bool CPlanHistory::Redo()
{
    if (!CanRedo())
        return false;
    ++m_nCurrent;
    return true;
}

bool CPlanHistory::GoTo(size_t i)
{
    if (i >= m_steps.size())
        return false;
    m_nCurrent = i;
    return true;
}

void CPlanHistory::DropRedo()
{
    m_steps.erase(m_steps.begin() + static_cast<std::ptrdiff_t>(m_nCurrent) + 1, m_steps.end());
}

void CPlanHistory::ChangeEveryStep(const std::function<void(Plan&)>& change)
{
    for (Step& step : m_steps)
        change(step.plan);
}
