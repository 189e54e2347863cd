#include "app/PlanUndo.h"

#include "coverage/obstacles/ObstacleSet.h"
#include "scene/SceneSettings.h"

#include <QAction>
#include <QKeySequence>
#include <QUndoCommand>
#include <QUndoStack>

// One change of the plan. Pushing runs redo() once; the change is already
// made then, so the first one does nothing.
class CPlanUndo::CPlanStep : public QUndoCommand
{
  public:
    CPlanStep(CPlanUndo& owner, const QString& text, PlanState before, PlanState after)
        : QUndoCommand(text), m_owner(owner), m_before(std::move(before)), m_after(std::move(after))
    {
    }
    const PlanState& Before() const { return m_before; }
    const PlanState& After() const { return m_after; }
    void undo() override { m_owner.Restore(m_before); }
    void redo() override
    {
        if (m_bDone)
            m_owner.Restore(m_after);
        m_bDone = true;
    }

  private:
    CPlanUndo& m_owner;
    PlanState m_before;
    PlanState m_after;
    bool m_bDone = false;
};

CPlanUndo::CPlanUndo(std::function<void()> shown, std::shared_ptr<CObstacleSet> obstacles,
                     std::function<void()> obstaclesShown, QObject* parent)
    : QObject(parent), m_shown(std::move(shown)), m_pObstacles(std::move(obstacles)),
      m_obstaclesShown(std::move(obstaclesShown)), m_pStack(new QUndoStack(this)), m_pUndo(new QAction("&Undo", this)),
      m_pRedo(new QAction("&Redo", this))
{
    m_pUndo->setShortcut(QKeySequence("Ctrl+Z"));
    m_pRedo->setShortcut(QKeySequence("Ctrl+Shift+Z"));
    m_pUndo->setEnabled(false);
    m_pRedo->setEnabled(false);
    connect(m_pStack, &QUndoStack::canUndoChanged, m_pUndo, &QAction::setEnabled);
    connect(m_pStack, &QUndoStack::canRedoChanged, m_pRedo, &QAction::setEnabled);
    connect(m_pStack, &QUndoStack::undoTextChanged, this,
            [this](const QString& text) { m_pUndo->setText(text.isEmpty() ? "&Undo" : "&Undo " + text); });
    connect(m_pStack, &QUndoStack::redoTextChanged, this,
            [this](const QString& text) { m_pRedo->setText(text.isEmpty() ? "&Redo" : "&Redo " + text); });
    connect(m_pUndo, &QAction::triggered, this, &CPlanUndo::Undo);
    connect(m_pRedo, &QAction::triggered, this, &CPlanUndo::Redo);
}

RigState CPlanUndo::Capture()
{
    const SceneSettings* settings = GetSceneSettings();
    return {CCameraSet::Instance(), settings ? settings->GetCameraCount() : 0,
            settings ? settings->GetFirstCamera() : 0, settings ? settings->GetEndCamera() : 0};
}

PlanState CPlanUndo::CapturePlan() const
{
    PlanState state{Capture(), RoomState::Capture(), nullptr};
    if (m_pObstacles) {
        if (m_recorded && m_recorded->obstacles && *m_recorded->obstacles == *m_pObstacles)
            state.obstacles = m_recorded->obstacles;
        else
            state.obstacles = std::make_shared<const CObstacleSet>(*m_pObstacles);
    }
    return state;
}

bool CPlanUndo::SameObstacles(const PlanState& a, const PlanState& b)
{
    return a.obstacles == b.obstacles || (a.obstacles && b.obstacles && *a.obstacles == *b.obstacles);
}

bool CPlanUndo::SamePlan(const PlanState& a, const PlanState& b)
{
    return SameObstacles(a, b) && SameRoom(a.room, b.room) && SameRig(a.rig, b.rig);
}

QString CPlanUndo::EditName(const PlanState& before, const PlanState& after)
{
    return SameRoom(before.room, after.room) ? "Camera edits" : "Room change";
}

bool CPlanUndo::SameRig(const RigState& a, const RigState& b)
{
    if (a.count != b.count || a.first != b.first || a.end != b.end ||
        a.cameras.IsAllocated() != b.cameras.IsAllocated())
        return false;
    if (!a.cameras.IsAllocated())
        return true;
    const CCameraSet& p = a.cameras;
    const CCameraSet& q = b.cameras;
    for (int i = 0; i < static_cast<int>(a.count); ++i) {
        if (p.GetFilePosition(i) != q.GetFilePosition(i) || p.GetLabel(i) != q.GetLabel(i) ||
            p.GetEnabled(i) != q.GetEnabled(i) || p.GetFocalLength(i) != q.GetFocalLength(i) ||
            p.GetFNumber(i) != q.GetFNumber(i) || p.GetFrameWidth(i) != q.GetFrameWidth(i) ||
            p.GetFrameHeight(i) != q.GetFrameHeight(i) || p.GetHTilt(i) != q.GetHTilt(i) ||
            p.GetVTilt(i) != q.GetVTilt(i) || p.GetSpin(i) != q.GetSpin(i) ||
            p.GetCameraType(i) != q.GetCameraType(i) || p.GetSensorPixelsX(i) != q.GetSensorPixelsX(i) ||
            p.GetSensorPixelsY(i) != q.GetSensorPixelsY(i))
            return false;
    }
    return true;
}

void CPlanUndo::Apply(const QString& text, const std::function<void()>& change)
{
    RecordEdits();
    PlanState before = m_recorded ? *m_recorded : CapturePlan();
    change();
    PlanState after = CapturePlan();
    if (SamePlan(before, after))
        return;
    const bool obstaclesOnly = SameRig(before.rig, after.rig) && SameRoom(before.room, after.room);
    m_pStack->push(new CPlanStep(*this, text, std::move(before), after));
    if (obstaclesOnly) {
        m_recorded = std::move(after);
        if (m_obstaclesShown)
            m_obstaclesShown();
        emit planShown();
    } else
        Show(after);
}

void CPlanUndo::RecordEdits()
{
    PlanState now = CapturePlan();
    // Before the first rig there is nothing to go back to.
    if (m_recorded && m_recorded->rig.count > 0 && !SamePlan(*m_recorded, now))
        m_pStack->push(new CPlanStep(*this, EditName(*m_recorded, now), *m_recorded, now));
    m_recorded = std::move(now);
}

void CPlanUndo::Restart()
{
    // Enter refused or a file not chosen leaves the plan, and its history, as they were.
    if (m_recorded && SamePlan(*m_recorded, CapturePlan()))
        return;
    m_pStack->clear();
    m_recorded = CapturePlan();
}

void CPlanUndo::DropRefusedRoom()
{
    const RoomState room = RoomState::Capture();
    if (m_pStack->index() > 0) {
        const auto* step = dynamic_cast<const CPlanStep*>(m_pStack->command(m_pStack->index() - 1));
        if (step && SameRoom(step->Before().room, room) && !SameRoom(step->After().room, room)) {
            // Undoing an obsolete step takes it out of the history; the plan is at its start already.
            const_cast<CPlanStep*>(step)->setObsolete(true);
            m_pStack->undo();
        }
    }
    m_recorded = CapturePlan();
}

void CPlanUndo::Restore(const PlanState& state)
{
    const PlanState now = CapturePlan();
    SceneSettings& settings = *GetSceneSettings();
    // Setting the height sets the display ceiling too: a truncated view stays as it is while the room does.
    if (!SameRoom(now.room, state.room))
        state.room.Apply();
    const bool obstaclesChanged = !SameObstacles(now, state);
    if (m_pObstacles && state.obstacles)
        *m_pObstacles = *state.obstacles;
    if (obstaclesChanged && m_obstaclesShown)
        m_obstaclesShown();
    // An obstacle step leaves the rig as it is, with what the last computation derived for it.
    if (SameRig(now.rig, state.rig) && SameRoom(now.room, state.room)) {
        m_recorded = CapturePlan();
        emit planShown();
        return;
    }
    // The cameras come back with the corner of their own room.
    CCameraSet::Instance() = state.rig.cameras;
    settings.SetCameraCount(state.rig.count);
    settings.SetFirstCamera(state.rig.first);
    settings.SetEndCamera(state.rig.end);
    Show(CapturePlan());
}

void CPlanUndo::Show(const PlanState& state)
{
    if (m_shown)
        m_shown();
    // Showing the selected camera writes its boxes, and their watches store
    // the lens and frame as shown, to two decimals: the rig stays exact.
    CCameraSet::Instance() = state.rig.cameras;
    m_recorded = state;
    emit planShown();
}

void CPlanUndo::Undo()
{
    RecordEdits();
    m_pStack->undo();
}

void CPlanUndo::Redo()
{
    RecordEdits();
    m_pStack->redo();
}
