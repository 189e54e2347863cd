#include "app/ClassicPlan.h"

#include "app/VolumePlannerDlg.h"
#include "app/document/QtPlanDocument.h"
#include "classic/ClassicState.h"
#include "classic/PlanCrossing.h"
#include "coverage/CoverageVolume.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "document/PlanEdits.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <QAction>
#include <QKeySequence>
#include <QUndoStack>

namespace
{

// The plan's values the classic state holds (what CapturePlan reads), the
// rest as a new plan has them.
Plan ClassicPart(const Plan& p)
{
    Plan c;
    c.unit = p.unit;
    c.length = p.length;
    c.width = p.width;
    c.height = p.height;
    c.scaleX = p.scaleX;
    c.scaleY = p.scaleY;
    c.scaleZ = p.scaleZ;
    c.voxelCm = p.voxelCm;
    c.cameras = p.cameras;
    c.firstCamera = p.firstCamera;
    c.rangeCount = p.rangeCount;
    c.isoOp = p.isoOp;
    c.isoThreshold = p.isoThreshold;
    c.resOp1 = p.resOp1;
    c.resBound1 = p.resBound1;
    c.resOp2 = p.resOp2;
    c.resBound2 = p.resBound2;
    c.resolutionCamera = p.resolutionCamera;
    c.planning = p.planning;
    return c;
}

bool SameRoom(const Plan& a, const Plan& b)
{
    return a.unit == b.unit && a.length == b.length && a.width == b.width && a.height == b.height &&
           a.scaleX == b.scaleX && a.scaleY == b.scaleY && a.scaleZ == b.scaleZ && a.voxelCm == b.voxelCm;
}

// What a step the dialog made is called, by what it changed first.
std::string StepName(const Plan& before, const Plan& after)
{
    if (!SameRoom(before, after))
        return "Room change";
    if (before.cameras != after.cameras)
        return "Camera edits";
    if (before.firstCamera != after.firstCamera || before.rangeCount != after.rangeCount)
        return "Active range";
    if (before.isoOp != after.isoOp || before.isoThreshold != after.isoThreshold || before.resOp1 != after.resOp1 ||
        before.resBound1 != after.resBound1 || before.resOp2 != after.resOp2 || before.resBound2 != after.resBound2)
        return "Volume criteria";
    if (!(before.planning == after.planning))
        return "Planning settings";
    return "Resolution map";
}

} // namespace

CClassicPlan::CClassicPlan(CVolumePlannerDlg& dialog)
    : QObject(&dialog), m_dialog(dialog), m_pQt(std::make_unique<CQtPlanDocument>(m_document)),
      m_pUndo(new QAction("&Undo", this)), m_pRedo(new QAction("&Redo", this))
{
    m_pUndo->setShortcut(QKeySequence("Ctrl+Z"));
    m_pRedo->setShortcut(QKeySequence("Ctrl+Shift+Z"));
    m_pUndo->setEnabled(false);
    m_pRedo->setEnabled(false);
    QUndoStack& stack = m_pQt->UndoStack();
    connect(&stack, &QUndoStack::canUndoChanged, m_pUndo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::canRedoChanged, m_pRedo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::undoTextChanged, this,
            [this](const QString& text) { m_pUndo->setText(text.isEmpty() ? "&Undo" : "&Undo " + text); });
    connect(&stack, &QUndoStack::redoTextChanged, this,
            [this](const QString& text) { m_pRedo->setText(text.isEmpty() ? "&Redo" : "&Redo " + text); });
    connect(m_pUndo, &QAction::triggered, this, &CClassicPlan::Undo);
    connect(m_pRedo, &QAction::triggered, this, &CClassicPlan::Redo);
    // After the Qt document, which mirrors the history into the stack first.
    m_nListener = m_document.Subscribe([this](const PlanChange& change) { Heard(change); });
    // Each computation takes the plan's obstacles as they are then: edits wait for the next RENDER.
    dialog.View()->Renderer().SetObstacleSource([this] { return m_document.Obstacles(); });
    // After the dialog's own handler, which puts the room before back.
    connect(dialog.View(), &CVolumeView::coverageRefused, this, &CClassicPlan::DropRefusedStep);
}

CClassicPlan::~CClassicPlan()
{
    m_document.Unsubscribe(m_nListener);
}

QUndoStack& CClassicPlan::UndoStack() const
{
    return m_pQt->UndoStack();
}

Plan CClassicPlan::Captured() const
{
    const Plan& now = GetPlan();
    // The map's camera as asked for: the computed volume's may be that of another rig until the next computation.
    const int map = m_dialog.View()->Renderer().GetMapCamera();
    const uint32_t rig = ClassicRigCameraCount();
    const uint32_t mapCamera = map >= 0 && static_cast<uint32_t>(map) < rig ? static_cast<uint32_t>(map) + 1 : 1;
    Plan plan = CapturePlan(m_dialog.TypedUnit(), mapCamera, now.kept);
    // Converted as the next frame converts it, in float products.
    if (const SceneSettings& s = *GetSceneSettings(); s.InFeet()) {
        plan.length = s.GetRoomLength() * kMetresPerFoot;
        plan.width = s.GetRoomWidth() * kMetresPerFoot;
        plan.height = s.GetRoomHeight() * kMetresPerFoot;
    }
    plan.obstacles = now.obstacles;
    plan.plannerView = now.plannerView;
    plan.window = now.window;
    plan.placement = now.placement;
    plan.report = now.report;
    return plan;
}

RoomSize CClassicPlan::Room() const
{
    const SceneSettings& s = *GetSceneSettings();
    const float toMetres = s.InFeet() ? kMetresPerFoot : 1.0f;
    return {s.GetRoomLength() * toMetres, s.GetRoomWidth() * toMetres, s.GetRoomHeight() * toMetres};
}

bool CClassicPlan::IsClassicStateCurrent() const
{
    Plan classic = Captured();
    classic.kept = Json::object();
    return ClassicPart(classic) == ClassicPart(GetPlan());
}

void CClassicPlan::RecordEdits()
{
    TakeCaptured(std::nullopt);
}

void CClassicPlan::Take(const std::string& name)
{
    TakeCaptured(name);
}

void CClassicPlan::TakeCaptured(const std::optional<std::string>& name)
{
    // Before the first rig the dialog has stored nothing to go back to.
    if (!m_dialog.AreCamerasInitialised())
        return;
    Plan captured = Captured();
    if (captured.cameras.empty() || ClassicPart(captured) == ClassicPart(GetPlan()))
        return;
    std::optional<std::string> refusal;
    m_bTaking = true;
    // The window's first rig begins the history: there is no plan without a rig to go back to.
    if (GetPlan().cameras.empty()) {
        refusal = CheckEditedPlan(captured);
        if (!refusal)
            m_document.New(std::move(captured));
    } else {
        const std::string step = name ? *name : StepName(GetPlan(), captured);
        refusal = m_document.Replace(step, std::move(captured));
    }
    m_bTaking = false;
    if (refusal) {
        m_dialog.Prompts().ShowMessage("The change was not taken into the plan\n" + *refusal, "Invalid Action",
                                       PromptButtons::Ok);
        Show(false);
        return;
    }
    emit planShown();
}

std::optional<std::string> CClassicPlan::Edit(const std::string& name, const CPlanDocument::Edit& edit)
{
    RecordEdits();
    return m_document.Apply(name, edit);
}

std::optional<std::string> CClassicPlan::ResetRig(uint32_t count)
{
    Plan plan = Captured();
    if (auto error = ::ResetRig(plan, count, m_document.Obstacles().get()))
        return error;
    const bool firstRig = GetPlan().cameras.empty();
    std::optional<std::string> refusal;
    m_bTaking = true;
    if (firstRig) {
        refusal = CheckEditedPlan(plan);
        if (!refusal)
            m_document.New(plan);
    } else {
        refusal = m_document.Replace("Camera count", plan);
    }
    m_bTaking = false;
    if (refusal)
        return refusal;
    m_dialog.View()->Renderer().LoadPlan(plan);
    m_bRigReset = !firstRig;
    emit planShown();
    return std::nullopt;
}

void CClassicPlan::StartNew(Plan plan)
{
    m_document.New(std::move(plan));
}

bool CClassicPlan::IsSavedRigReplaced() const
{
    return m_bRigReset && !m_document.Path().empty() && GetPlan().cameras != m_savedCameras;
}

void CClassicPlan::Heard(const PlanChange& change)
{
    if (change.kind == PlanChange::Kind::Replaced || change.kind == PlanChange::Kind::Saved) {
        // The file holds the rig as it is now.
        m_savedCameras = GetPlan().cameras;
        m_bRigReset = false;
    }
    if (change.kind == PlanChange::Kind::Saved) {
        m_dialog.NoteRigSaved();
        return;
    }
    if (m_bTaking)
        return;
    Show(change.kind == PlanChange::Kind::Replaced);
    if (change.kind == PlanChange::Kind::Replaced && !m_document.Path().empty())
        m_dialog.NoteRigSaved();
}

void CClassicPlan::Show(bool opened)
{
    const Plan& plan = GetPlan();
    // A plan without a rig has nothing the classic window could show of it yet. An opened plan is computed
    // afresh, with its obstacles, whatever the classic state held; a step only when it changed that state.
    if (!plan.cameras.empty() && (opened || !IsClassicStateCurrent())) {
        m_dialog.View()->Renderer().LoadPlan(plan);
        if (opened)
            m_dialog.ShowOpenedPlan(plan.unit, static_cast<int>(plan.resolutionCamera) - 1);
        else
            m_dialog.ShowChangedRig(plan.unit);
    }
    emit planShown();
}

void CClassicPlan::DropRefusedStep()
{
    const CPlanHistory& history = m_document.History();
    if (IsClassicStateCurrent() || !history.CanUndo())
        return;
    const Plan classic = Captured();
    // The room form put back the room before the refused RENDER or Enter: the step that stored it goes, and
    // the rig of that step with it.
    if (SameRoom(classic, history.StepPlan(history.CurrentIndex() - 1)) && !SameRoom(classic, GetPlan()))
        m_document.Withdraw();
}

void CClassicPlan::Undo()
{
    RecordEdits();
    m_document.Undo();
}

void CClassicPlan::Redo()
{
    RecordEdits();
    m_document.Redo();
}
