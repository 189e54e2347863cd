#pragma once

#include "cameras/CameraSet.h"
#include "classic/RoomState.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class CObstacleSet;
class QAction;
class QUndoStack;

// The rig as one step of the history holds it: the camera set whole (every
// field of every camera) and the active range.
struct RigState {
    CCameraSet cameras;
    uint32_t count = 0;
    uint32_t first = 0;
    uint32_t end = 0;
};

// The plan as one step of the history holds it: the rig, the room and the obstacles.
struct PlanState {
    RigState rig;
    RoomState room;
    // Shared between steps while it does not change: a mesh's triangles are copied once.
    std::shared_ptr<const CObstacleSet> obstacles;
};

// Edit > Undo and Redo over the window's plan: the rig, the room and the
// obstacles. Each step holds the plan before and after it, so undoing puts
// back every camera field exactly; the project document then compares the
// plan with its saved text as always. Edits made in the dialog's boxes become
// a step of their own ("Camera edits", "Room change") when they are noticed:
// after Update Settings or RENDER, and before an undo, a redo or a new step.
// A new rig (Enter, Load File, Open Project) starts the history again.
class CPlanUndo : public QObject
{
    Q_OBJECT
  public:
    // `shown` runs after a step, an undo or a redo put a rig or a room in the
    // plan; `obstaclesShown` after one changed the obstacles of `obstacles`,
    // the window's set (their coverage waits for the next RENDER).
    CPlanUndo(std::function<void()> shown, std::shared_ptr<CObstacleSet> obstacles,
              std::function<void()> obstaclesShown, QObject* parent);

    QUndoStack& Stack() const { return *m_pStack; }
    // Menu entries with their shortcuts, enabled while there is a step to take.
    QAction* UndoAction() const { return m_pUndo; }
    QAction* RedoAction() const { return m_pRedo; }

    // `change` edits the plan (camera set and range, room, obstacles); what it
    // did becomes one step named `text`.
    void Apply(const QString& text, const std::function<void()>& change);
    // Edits of the rig since the last step become a step of their own.
    void RecordEdits();
    // After a new rig may have replaced the old one: if it did, the history begins again from it.
    void Restart();
    // After a computation refused the room a RENDER stored and the window put the one before back: the step
    // to that room leaves the history.
    void DropRefusedRoom();

    static RigState Capture();
    // The same cameras in the user frame with the same values and range (what
    // derives from them, the fields of view and edges, aside).
    static bool SameRig(const RigState& a, const RigState& b);

  signals:
    // The history put a plan in the window, or took one as a step.
    void planShown();

  private:
    class CPlanStep;
    PlanState CapturePlan() const;
    // What a step from `before` to `after` is called when the boxes made it.
    static QString EditName(const PlanState& before, const PlanState& after);
    static bool SameObstacles(const PlanState& a, const PlanState& b);
    static bool SamePlan(const PlanState& a, const PlanState& b);
    void Restore(const PlanState& state);
    // The window shows the plan of `state`, which the history now stands at.
    void Show(const PlanState& state);
    void Undo();
    void Redo();

    std::function<void()> m_shown;
    std::shared_ptr<CObstacleSet> m_pObstacles;
    std::function<void()> m_obstaclesShown;
    QUndoStack* m_pStack;
    QAction* m_pUndo;
    QAction* m_pRedo;
    // The plan as the history's current step left it; none before the first rig.
    std::optional<PlanState> m_recorded;
};
