#pragma once

#include "app/ReportCommands.h"
#include "project/ProjectWindowState.h"

#include <QObject>

#include <array>
#include <cstddef>
#include <memory>

class CAsBuiltCompareCommand;
class CDockHost;
class CAutoPlacePanel;
class CCalibrationImportCommand;
class CCameraClipboard;
class CCameraTablePanel;
class CClassicPlan;
class CGenerateRigPanel;
class CRecentPlans;
class CObstaclePanel;
class CPlanningPanel;
class CProjectCommands;
class CReportCommands;
class CShareCommands;
class CViewStyleCommands;
class CVolumePlannerDlg;
class QAction;
class QMenu;
class QLabel;
class QMenuBar;
class QSettings;
class QStatusBar;

// The commands of the menu bar.
enum class MenuCommand {
    OpenProject,
    SaveProject,
    SaveProjectAs,
    LoadFile,
    SaveFile,
    ExportCoverage,
    SaveViewPng,
    ExportReport,
    Quit,
    ResolutionMap,
    CameraCount2D,
    SelectiveCameras,
    Quality,
    MeasureCameras,
    MeasureMarkerPx,
    MeasureAngle,
    MeasureSigma,
    MeasureOcclusion,
    PlannerView,
    FitRoom,
    ViewTop,
    ViewFront,
    ViewSide,
    ThroughCamera,
    PyramidsAll,
    PyramidsSelected,
    PyramidsNone,
    PlanningPanel,
    Obstacles,
    MouseAndKeys,
    About,
    Undo,
    Redo,
    AutoPlace,
    ImportCalibration,
    CompareAsBuilt,
    CopyCamera,
    PasteCamera,
    DuplicateCamera,
    CameraTable,
    GenerateRig,
    NewPlan,
    ExportGltf,
    ShareWebPage,
    Count
};

// The menu bar over the main dialog's controls, and the Planning panel it
// opens beside them. The window grows by the bar's height (every control
// moves down by it) and, while the panel shows, to the right. Given a dock
// host, the host takes the bar and holds the Planning panel, the Obstacles and
// the camera table as docks, and the dialog keeps its classic size. Built
// before the dialog is shown; owned by the dialog.
class CMainMenu : public QObject
{
    Q_OBJECT
  public:
    explicit CMainMenu(CVolumePlannerDlg& dialog, CDockHost* docks = nullptr);

    QMenuBar* MenuBar() const { return m_pMenuBar; }
    QMenu* ViewMenu() const { return m_pViewMenu; }
    QAction* Action(MenuCommand command) const { return m_actions[static_cast<size_t>(command)]; }
    // Null until the panel is first shown.
    CPlanningPanel* Panel() const { return m_pPanel; }
    CProjectCommands& Plan() const { return *m_pProject; }
    // The window's plan: the document every command reads and changes, its undo history, and its crossing to
    // the dialog's state.
    CClassicPlan& ClassicPlan() const { return *m_pPlan; }
    CReportCommands& Report() const { return *m_pReport; }
    CShareCommands& Share() const { return *m_pShare; }
    CViewStyleCommands& ViewStyle() const { return *m_pViewStyle; }
    // The obstacles' panel and the Auto-Place window (null until first shown).
    CObstaclePanel* ObstacleWindow() const { return m_pObstaclePanel; }
    CAutoPlacePanel* AutoPlaceWindow() const { return m_pAutoPlace; }
    // File > Import Calibration as Rig and Plan > Compare with As Built.
    CCalibrationImportCommand& CalibrationImport() const { return *m_pCalibrationImport; }
    CAsBuiltCompareCommand& AsBuiltCompare() const { return *m_pAsBuiltCompare; }
    // The camera table (null until first shown).
    CCameraTablePanel* CameraTable() const { return m_pCameraTable; }
    // Plan > Generate Rig's window and File > New Plan's (null until first shown).
    CGenerateRigPanel* GenerateRigWindow() const { return m_pGenerateRig; }
    CGenerateRigPanel* NewPlanWindow() const { return m_pNewPlan; }
    // File > Open Recent, kept in `store` between runs (the program's own settings) once given one.
    CRecentPlans& RecentPlans() const { return *m_pRecent; }
    void KeepRecentPlansIn(std::unique_ptr<QSettings> store);
    // Says what a save or an export wrote, beside the menus.
    QStatusBar* StatusBar() const { return m_pStatus; }
    // The first step, shown in the view while the window has no rig.
    QLabel* StartHint() const { return m_pStartHint; }

  private:
    QAction* AddAction(MenuCommand command, QMenu* menu, const QString& text);
    void BuildFileMenu();
    void BuildViewMenu();
    void BuildEditMenu();
    void BuildPlanMenu();
    void BuildHelpMenu();

    // The display and measure marks follow the dialog's toggles, which may
    // have changed them since the menu was last open.
    void ShowDisplayState();
    void ChooseDisplay(MenuCommand display);
    void ChooseMeasure(MenuCommand measure);
    void ShowPanel(bool on);
    void ShowObstacles();
    void ShowAutoPlace();
    void ShowCameraTable();
    void ShowGenerateRig();
    void ShowNewPlan();
    void BuildStatus();
    void ShowStartHint();
    // After a step, an undo or an opened plan: the panels show the plan.
    void ShowPlan();
    void ShowMouseAndKeys();
    // What the window shows, for the project file, and shown again from it.
    ProjectWindowState CaptureWindowState() const;
    // The dialog and its plan as the report command asks for them.
    ReportWindowLink ReportLink();
    void RestoreWindowState(const ProjectWindowState& state);
    void ShowAbout();

    CVolumePlannerDlg& m_dialog;
    CDockHost* m_pDocks;
    QMenu* m_pViewMenu = nullptr;
    CClassicPlan* m_pPlan;
    CObstaclePanel* m_pObstaclePanel = nullptr;
    CAutoPlacePanel* m_pAutoPlace = nullptr;
    CCalibrationImportCommand* m_pCalibrationImport = nullptr;
    CAsBuiltCompareCommand* m_pAsBuiltCompare = nullptr;
    CCameraClipboard* m_pClipboard = nullptr;
    CCameraTablePanel* m_pCameraTable = nullptr;
    CGenerateRigPanel* m_pGenerateRig = nullptr;
    CGenerateRigPanel* m_pNewPlan = nullptr;
    CRecentPlans* m_pRecent = nullptr;
    QStatusBar* m_pStatus = nullptr;
    QLabel* m_pStartHint = nullptr;
    QMenuBar* m_pMenuBar;
    CPlanningPanel* m_pPanel = nullptr;
    CProjectCommands* m_pProject;
    CReportCommands* m_pReport;
    CShareCommands* m_pShare = nullptr;
    CViewStyleCommands* m_pViewStyle = nullptr;
    std::array<QAction*, static_cast<size_t>(MenuCommand::Count)> m_actions{};
    int m_nClassicWidth;
};
