#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the classic dialog asks of the window that holds its plan as a
// document (app/ClassicPlan): the dialog stores into the shared state as it
// always did, and the window makes steps of it.
class CDialogPlan
{
  public:
    virtual ~CDialogPlan() = default;
    // What the dialog stored since the last step becomes a step of its own,
    // named for what changed; or named `name`.
    virtual void RecordEdits() = 0;
    virtual void Take(const std::string& name) = 0;
    // Enter's new rig of `count` cameras in the room stored, as one step:
    // the default rig with no camera inside an obstacle. Why not, when it
    // cannot be.
    virtual std::optional<std::string> ResetRig(uint32_t count) = 0;
};
