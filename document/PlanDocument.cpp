#include "document/PlanDocument.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageController.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "document/PlanEdits.h"
#include "project/PlanInput.h"
#include "project/ProjectFile.h"

#include <filesystem>
#include <utility>

namespace
{

// The plan as it is saved: what the window shows of it (its view) aside,
// which changes nothing that needs saving.
Plan WithoutView(Plan plan)
{
    plan.window.reset();
    return plan;
}

} // namespace

CPlanDocument::CPlanDocument(Plan plan) : m_history(std::move(plan)), m_pDerived(std::make_unique<CCameraSet>())
{
    m_controller = std::make_unique<CCoverageController>(
        CoverageSource{[this] { return Input(); }, [this](const CCameraSet& computed) { *m_pDerived = computed; }});
    m_controller->SetObstacleSource([this] { return Obstacles(); });
    MarkSaved();
}

CPlanDocument::~CPlanDocument()
{
    // The controller's worker reads the document's input: it ends first.
    m_controller.reset();
}

std::optional<std::string> CPlanDocument::Apply(const std::string& name, const Edit& edit)
{
    Plan after = GetPlan();
    if (auto error = edit(after))
        return error;
    return Replace(name, std::move(after));
}

std::optional<std::string> CPlanDocument::Replace(const std::string& name, Plan after)
{
    if (auto error = CheckEditedPlan(after))
        return error;
    if (after == GetPlan())
        return std::nullopt;
    m_history.Push(name, std::move(after));
    Notify({PlanChange::Kind::Edited, name});
    return std::nullopt;
}

bool CPlanDocument::Undo()
{
    const std::string name = m_history.UndoName();
    if (!m_history.Undo())
        return false;
    Notify({PlanChange::Kind::Undone, name});
    return true;
}

bool CPlanDocument::Redo()
{
    if (!m_history.Redo())
        return false;
    Notify({PlanChange::Kind::Redone, m_history.StepName(m_history.CurrentIndex())});
    return true;
}

bool CPlanDocument::GoTo(size_t step)
{
    const size_t from = m_history.CurrentIndex();
    if (step == from || !m_history.GoTo(step))
        return false;
    const auto kind = step < from ? PlanChange::Kind::Undone : PlanChange::Kind::Redone;
    Notify({kind, m_history.StepName(step)});
    return true;
}

bool CPlanDocument::Withdraw()
{
    const std::string name = m_history.UndoName();
    if (!m_history.Undo())
        return false;
    m_history.DropRedo();
    Notify({PlanChange::Kind::Undone, name});
    return true;
}

void CPlanDocument::SetShown(bool plannerView, const std::optional<ProjectWindowState>& window)
{
    m_history.ChangeEveryStep([plannerView, &window](Plan& plan) {
        plan.plannerView = plannerView;
        plan.window = window;
    });
}

void CPlanDocument::New(Plan plan)
{
    m_strPath.clear();
    m_history.Restart(std::move(plan));
    MarkSaved();
    Notify({PlanChange::Kind::Replaced, {}});
}

std::optional<std::string> CPlanDocument::Open(const std::string& path)
{
    ProjectReadResult read = ReadProjectFile(path);
    if (!read.plan)
        return path + ": " + read.error;
    CObstacleSet obstacles;
    if (auto error = BuildObstacleSet(read.plan->obstacles, FolderOf(path), obstacles))
        return path + ": " + *error;
    Plan plan = std::move(*read.plan);
    // The meshes' triangles travel with the plan from now on: its steps and
    // its computations need no file again.
    plan.obstacles = ObstacleListOf(obstacles);
    m_strPath = path;
    m_history.Restart(std::move(plan));
    MarkSaved();
    Notify({PlanChange::Kind::Replaced, path});
    return std::nullopt;
}

SaveResult CPlanDocument::Save()
{
    if (m_strPath.empty())
        return {false, "the plan has no file yet: save it as one"};
    return SaveAs(m_strPath);
}

SaveResult CPlanDocument::SaveAs(const std::string& path)
{
    if (auto error = CheckPlan(GetPlan()))
        return {false, "the plan cannot be saved: " + *error};
    const SaveResult saved = WriteProjectFile(path, GetPlan());
    if (!saved)
        return saved;
    m_strPath = path;
    MarkSaved();
    Notify({PlanChange::Kind::Saved, path});
    return saved;
}

bool CPlanDocument::IsModified() const
{
    // A plan without a file has nothing to lose until it has a rig.
    if (m_strPath.empty() && !GetPlan().cameras.empty())
        return true;
    return !m_saved || WithoutView(GetPlan()) != *m_saved;
}

std::string CPlanDocument::Title() const
{
    const std::string name =
        m_strPath.empty() ? std::string("Untitled plan") : std::filesystem::path(m_strPath).filename().string();
    return IsModified() ? name + "*" : name;
}

std::shared_ptr<const CObstacleSet> CPlanDocument::Obstacles() const
{
    const ObstacleList& list = GetPlan().obstacles;
    if (list.empty())
        return nullptr;
    if (!m_pBuilt || !(m_builtList == list)) {
        m_pBuilt = std::make_shared<const CObstacleSet>(ObstacleSetOf(list));
        m_builtList = list;
    }
    return m_pBuilt;
}

CoverageInput CPlanDocument::Input() const
{
    CoverageInput input = CoverageInputOf(GetPlan(), Obstacles());
    input.cameras.TakeDerivedValues(*m_pDerived);
    return input;
}

int CPlanDocument::Subscribe(Listener listener)
{
    const int key = m_nNextListener++;
    m_listeners.emplace(key, std::move(listener));
    return key;
}

void CPlanDocument::Unsubscribe(int key)
{
    m_listeners.erase(key);
}

void CPlanDocument::Notify(const PlanChange& change)
{
    // A listener may subscribe or unsubscribe others while it hears.
    const std::map<int, Listener> listeners = m_listeners;
    for (const auto& [key, listener] : listeners)
        if (m_listeners.count(key))
            listener(change);
}

void CPlanDocument::MarkSaved()
{
    m_saved = WithoutView(GetPlan());
}
