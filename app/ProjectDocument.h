#pragma once

#include "app/UserPrompts.h"
#include "project/ProjectFile.h"

#include <functional>
#include <optional>
#include <string>

// The plan the window works on as a project file: where it was opened from
// or saved to, whether it has changed since, and the commands Open Project,
// Save Project and Save Project As. The window tells it what the shared state
// does not hold (the unit typed, the resolution camera, pending camera
// edits) and refreshes itself after a project was opened.
class CProjectDocument
{
  public:
    struct WindowLink {
        // The unit of the room as typed: "m" or "ft".
        std::function<std::string()> unit;
        // 1-based camera of the resolution map.
        std::function<uint32_t()> resolutionCamera;
        // Whether the window holds a rig at all (a count was entered or a file loaded).
        std::function<bool()> hasRig;
        // Edits in the boxes not yet stored in the rig.
        std::function<bool()> hasPendingEdits;
        // After a project was applied to the shared state.
        std::function<void(const Plan&)> projectOpened;
        // The plan's obstacles, and the window's set replaced by a project's
        // (mesh files relative to `baseDir`): the reason when one cannot be read.
        std::function<ObstacleList()> obstacles;
        std::function<std::optional<std::string>(const ObstacleList&, const std::string& baseDir)> setObstacles;
        // The view drawn in the Planner style.
        std::function<bool()> plannerView;
        // Mounts and target of auto-placement once the window changed them;
        // nullopt writes the project's own back as read.
        std::function<std::optional<ProjectPlacement>()> placement;
        // What the window shows, saved with the plan; a change of it alone
        // leaves the plan unmodified.
        std::function<std::optional<ProjectWindowState>()> windowState;
    };

    CProjectDocument(CUserPrompts& prompts, WindowLink link);

    // Ask for a file, read it whole, apply it; a refusal leaves the plan as it was. True once opened.
    bool Open();
    // The same for a file already chosen (File > Open Recent), after the question about unsaved changes.
    bool OpenFile(const std::string& path);
    // To the file it came from, or as Save As when it has none. True once saved.
    bool Save();
    bool SaveAs();
    // Before the plan is discarded: true when it may go (nothing unsaved, the
    // user saved it, or the user agreed to lose it).
    bool MayDiscard();

    // File > New Plan: the plan has no file and nothing saved from here on (it asks nothing).
    void StartNew();

    bool IsModified() const;
    // "name.vplan" or "Untitled plan", with a star while modified.
    std::string Title() const;
    const std::string& Path() const { return m_strPath; }
    // The window's obstacles with every mesh file found from anywhere: a
    // relative one taken from the folder of the project it came from. For a
    // plan written somewhere else (the report's temporary copy).
    ObstacleList PortableObstacles() const;
    // The report's title block the plan holds; a change of it changes the plan.
    const ProjectReport& ReportTitleBlock() const { return m_report; }
    void SetReportTitleBlock(const ProjectReport& report) { m_report = report; }

  private:
    // The plan as a project at `path` holds it: mesh files relative to its
    // folder where they can be, and the window's state when `withWindow`.
    Plan CurrentProject(const std::string& path, bool withWindow) const;
    // The plan as the file it was last opened from or saved to would hold it, less the window's state.
    std::string CurrentText() const;
    // Every mesh file of the window as a path that reads from anywhere.
    ObstacleList ResolvedObstacles() const;
    bool WriteTo(const std::string& path);
    // Reads the file whole and applies it; a refusal, named, leaves the plan as it was.
    bool Read(const std::string& path);

    CUserPrompts& m_prompts;
    WindowLink m_link;
    std::string m_strPath;
    // The folder the window's relative mesh files are relative to: that of
    // the project they were opened from, whatever it is saved as since.
    std::string m_strMeshFolder;
    // The text of the plan as last opened or saved; empty before either.
    std::string m_strSavedText;
    Json m_kept = Json::object();
    ProjectReport m_report;
};
