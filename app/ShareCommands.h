#pragma once

#include "coverage/CoverageInput.h"
#include "exports/SharedPlan.h"
#include "project/ProjectWindowState.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CClassicPlan;
class CCoverageVolume;
class CPlanningMeasures;
class CUserPrompts;
class CVolumePlannerDlg;

// File > Export > glTF and File > Share as Web Page: the plan as the shared
// files of exports/ (GltfExport, WebPage), for a client without the program.

// What the commands read of a window when they run, as values.
struct ShareRequest {
    const CCoverageVolume* volume = nullptr;     // null or without results: nothing computed yet
    const CPlanningMeasures* planning = nullptr; // null when not computed
    CoverageInput input;
    PlanTitle title;
    ShareDisplay display;
    std::vector<TargetBox> target; // user frame
    std::string threeDir;          // where three.js lies (exports/WebPage.h)
};

enum class ShareFormat { Gltf, WebPage };

// Asks for the file through `prompts` (a replacement asked about first) and
// writes it. The status line's text once written; nothing when the user
// cancelled or was told why not (nothing computed, no three.js, a failed
// write, which leaves an earlier file whole). Any window may call it.
std::optional<std::string> RunShareCommand(ShareFormat format, const ShareRequest& request, CUserPrompts& prompts);

// The classic window's side: its computation, plan and display as a request.
class CShareCommands : public QObject
{
    Q_OBJECT
  public:
    CShareCommands(CVolumePlannerDlg& dialog, CClassicPlan& plan, std::function<ProjectWindowState()> windowState);

    void ExportGltf();
    void ShareWebPage();

  signals:
    // A file was written: `text` says where.
    void saved(const QString& text);

  private:
    void Run(ShareFormat format);
    ShareRequest Request() const;

    CVolumePlannerDlg& m_dialog;
    CClassicPlan& m_plan;
    std::function<ProjectWindowState()> m_windowState;
};
