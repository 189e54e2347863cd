#pragma once

#include "cameras/CameraSet.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

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

// Edit > Undo and Redo over the window's rig. Each step holds the rig before
// and after it, so undoing puts back every camera field exactly; the project
// document then compares the plan with its saved text as always. Edits made
// in the dialog's boxes become a step of their own ("Camera edits") when they
// are noticed: after Update Settings, and before an undo, a redo or a new
// step. A new rig (Enter, Load File, Open Project) starts the history again.
class CPlanUndo : public QObject
{
    Q_OBJECT
  public:
    // `shown` runs after a step, an undo or a redo put a rig in the plan.
    CPlanUndo(std::function<void()> shown, QObject* parent);

    QUndoStack& Stack() const { return *m_pStack; }
    // Menu entries with their shortcuts, enabled while there is a step to take.
    QAction* UndoAction() const { return m_pUndo; }
    QAction* RedoAction() const { return m_pRedo; }

    // `change` edits the rig (camera set and range); what it did becomes one step named `text`.
    void Apply(const QString& text, const std::function<void()>& change);
    // Edits of the rig since the last step become a step of their own.
    void RecordEdits();
    // After a new rig may have replaced the old one: if it did, the history begins again from it.
    void Restart();

    static RigState Capture();
    // The same cameras in the user frame with the same values and range (what
    // derives from them, the fields of view and edges, aside).
    static bool SameRig(const RigState& a, const RigState& b);

  private:
    class CRigStep;
    void Restore(const RigState& state);
    // The window shows the rig of `state`, which the history now stands at.
    void Show(const RigState& state);
    void Undo();
    void Redo();

    std::function<void()> m_shown;
    QUndoStack* m_pStack;
    QAction* m_pUndo;
    QAction* m_pRedo;
    // The rig as the history's current step left it; none before the first rig.
    std::optional<RigState> m_recorded;
};
