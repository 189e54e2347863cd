#pragma once

#include "project/Plan.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The undo history of a plan: every step holds the plan after it, so that
// undoing and redoing put back every value exactly, whatever the edit was.
// The first entry is the plan the history began from; it has no name and
// cannot be undone.
class CPlanHistory
{
  public:
    // Steps beyond this many are dropped from the oldest: a long session
    // keeps its recent history and a bounded memory.
    static constexpr size_t kMaxSteps = 500;

    explicit CPlanHistory(Plan start = Plan{});

    // Begins again from `plan`, with nothing to undo or redo.
    void Restart(Plan plan);
    // A new step after the current one; the steps that could be redone go.
    void Push(std::string name, Plan after);

    const Plan& Current() const { return m_steps[m_nCurrent].plan; }
    bool CanUndo() const { return m_nCurrent > 0; }
    bool CanRedo() const { return m_nCurrent + 1 < m_steps.size(); }
    // The name of the step Undo would take back, Redo would take again; empty when none.
    std::string UndoName() const;
    std::string RedoName() const;
    // Moves one step; false, and nothing changes, when there is none.
    bool Undo();
    bool Redo();

    // Every step, the start first, for a view of the whole history.
    size_t StepCount() const { return m_steps.size(); }
    size_t CurrentIndex() const { return m_nCurrent; }
    const std::string& StepName(size_t i) const { return m_steps[i].name; }
    const Plan& StepPlan(size_t i) const { return m_steps[i].plan; }
    // Goes to step i (0 the start); false for a step there is not.
    bool GoTo(size_t i);
    // The steps after the current one go: nothing is left to redo.
    void DropRedo();
    // `change` made to the plan of every step, for what no step undoes.
    void ChangeEveryStep(const std::function<void(Plan&)>& change);

  private:
    struct Step {
        std::string name;
        Plan plan;
    };
    std::vector<Step> m_steps;
    size_t m_nCurrent = 0;
};
