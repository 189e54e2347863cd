#pragma once

#include "document/PlanHistory.h"
#include "project/Plan.h"
#include "scene/AtomicFile.h"
#include "scene/ComputationFlags.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class CCameraSet;
class CCoverageController;
class CObstacleSet;
struct CoverageInput;

// What changed in a document, for those who show it.
struct PlanChange {
    enum class Kind {
        Edited,   // a step was taken
        Undone,   // the history moved back (or to an earlier step)
        Redone,   // the history moved forward
        Replaced, // a new plan: opened, new, or a history begun again
        Saved,    // written to its file; the plan itself is unchanged
    };
    Kind kind = Kind::Edited;
    // The step's name ("Room change"); the file's path for Saved.
    std::string name;
};

// The plan a window or a command works on: the plan itself, the file it came
// from or was saved to, whether it has changed since, its undo history (every
// change a named step on the plan), its obstacles built for computing, and
// the coverage controller that computes it. No Qt: the window adapts it, the
// command line builds one from its options.
class CPlanDocument
{
  public:
    using Listener = std::function<void(const PlanChange&)>;
    using Edit = std::function<std::optional<std::string>(Plan&)>;

    explicit CPlanDocument(Plan plan = Plan{});
    ~CPlanDocument();
    CPlanDocument(const CPlanDocument&) = delete;
    CPlanDocument& operator=(const CPlanDocument&) = delete;

    const Plan& GetPlan() const { return m_history.Current(); }

    // One step named `name`: `edit` changes a copy of the plan or says why it
    // cannot; the copy must then pass CheckEditedPlan. A refusal leaves the
    // plan and the history as they were and is returned; an edit that changes
    // nothing takes no step.
    std::optional<std::string> Apply(const std::string& name, const Edit& edit);
    // The same with the plan after the step given whole.
    std::optional<std::string> Replace(const std::string& name, Plan after);

    const CPlanHistory& History() const { return m_history; }
    bool Undo();
    bool Redo();
    // To step i of the history (0 the plan it began from).
    bool GoTo(size_t step);
    // The last step taken is taken back and cannot be redone: for a step
    // whose plan a computation refused (a grid that does not fit in memory).
    // False, and nothing changes, at the start of the history.
    bool Withdraw();

    // What the window shows with the plan (its view style and view): saved
    // with it, but no step of its history, so an undo leaves it as it is.
    void SetShown(bool plannerView, const std::optional<ProjectWindowState>& window);

    // New plan: no file, nothing to save, the history begun from `plan`.
    void New(Plan plan);
    // Reads the file whole and takes it, its meshes with it; a refusal,
    // naming the file and why, leaves everything as it was.
    std::optional<std::string> Open(const std::string& path);
    // To the file it came from; to `path` and from then on that file. A
    // failed save leaves the file as it was, the plan unsaved, and says why.
    SaveResult Save();
    SaveResult SaveAs(const std::string& path);
    // Whether the plan has a rig but no file of its own, or differs from what
    // was last opened or saved in anything but the window's view.
    const std::string& Path() const { return m_strPath; }
    bool IsModified() const;
    // "name.vplan" or "Untitled plan", with a star while modified.
    std::string Title() const;

    // The obstacles of the plan as a computation takes them (null for none);
    // rebuilt only when the plan's list changes.
    std::shared_ptr<const CObstacleSet> Obstacles() const;
    // What a computation of the plan reads now.
    CoverageInput Input() const;

    // The controller that computes the plan (it asks the document for its
    // input), and the flags that ask it to.
    CCoverageController& Controller() { return *m_controller; }
    ComputationFlags& Flags() { return m_flags; }
    // The next stage of the controller computes the plan as it is now.
    void RequestComputation() { m_flags.SetRecalculate(true); }

    // Hears every change until unsubscribed; returns the key to do that with.
    int Subscribe(Listener listener);
    void Unsubscribe(int key);

  private:
    void Notify(const PlanChange& change);
    // A plan as it was last opened or saved, for IsModified.
    void MarkSaved();

    CPlanHistory m_history;
    std::string m_strPath;
    std::optional<Plan> m_saved;
    ComputationFlags m_flags;
    std::unique_ptr<CCoverageController> m_controller;
    // The set built for the list it was built from.
    mutable ObstacleList m_builtList;
    mutable std::shared_ptr<const CObstacleSet> m_pBuilt;
    // The fields of view and edges the last computation derived, taken by
    // the next one for every camera it left unchanged (as the window's rig does).
    std::unique_ptr<CCameraSet> m_pDerived;
    std::map<int, Listener> m_listeners;
    int m_nNextListener = 0;
};
