#include "app/PlanUndo.h"

#include "scene/SceneSettings.h"

#include <QAction>
#include <QKeySequence>
#include <QUndoCommand>
#include <QUndoStack>

// One change of the rig. Pushing runs redo() once; the change is already
// made then, so the first one does nothing.
class CPlanUndo::CRigStep : public QUndoCommand
{
  public:
    CRigStep(CPlanUndo& owner, const QString& text, RigState before, RigState after)
        : QUndoCommand(text), m_owner(owner), m_before(std::move(before)), m_after(std::move(after))
    {
    }
    void undo() override { m_owner.Restore(m_before); }
    void redo() override
    {
        if (m_bDone)
            m_owner.Restore(m_after);
        m_bDone = true;
    }

  private:
    CPlanUndo& m_owner;
    RigState m_before;
    RigState m_after;
    bool m_bDone = false;
};

CPlanUndo::CPlanUndo(std::function<void()> shown, QObject* parent)
    : QObject(parent), m_shown(std::move(shown)), m_pStack(new QUndoStack(this)), m_pUndo(new QAction("&Undo", this)),
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
    RigState before = m_recorded ? *m_recorded : Capture();
    change();
    RigState after = Capture();
    if (SameRig(before, after))
        return;
    m_pStack->push(new CRigStep(*this, text, std::move(before), after));
    Show(after);
}

void CPlanUndo::RecordEdits()
{
    RigState now = Capture();
    // Before the first rig there is nothing to go back to.
    if (m_recorded && m_recorded->count > 0 && !SameRig(*m_recorded, now))
        m_pStack->push(new CRigStep(*this, "Camera edits", *m_recorded, now));
    m_recorded = std::move(now);
}

void CPlanUndo::Restart()
{
    // Enter refused or a file not chosen leaves the rig, and its history, as they were.
    if (m_recorded && SameRig(*m_recorded, Capture()))
        return;
    m_pStack->clear();
    m_recorded = Capture();
}

void CPlanUndo::Restore(const RigState& state)
{
    CCameraSet& set = CCameraSet::Instance();
    // A room changed since keeps the cameras at their distances from its corner, as a RENDER does.
    const Vec3d origin{set.GetUserOriginX(), set.GetUserOriginY(), set.GetUserOriginZ()};
    set = state.cameras;
    if (Vec3d{set.GetUserOriginX(), set.GetUserOriginY(), set.GetUserOriginZ()} != origin)
        set.MoveUserOrigin(origin);
    SceneSettings& settings = *GetSceneSettings();
    settings.SetCameraCount(state.count);
    settings.SetFirstCamera(state.first);
    settings.SetEndCamera(state.end);
    Show(Capture());
}

void CPlanUndo::Show(const RigState& state)
{
    if (m_shown)
        m_shown();
    // Showing the selected camera writes its boxes, and their watches store
    // the lens and frame as shown, to two decimals: the rig stays exact.
    CCameraSet::Instance() = state.cameras;
    m_recorded = state;
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
