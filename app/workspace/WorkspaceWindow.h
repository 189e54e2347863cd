#pragma once

#include "app/UserPrompts.h"
#include "document/PlanDocument.h"

#include <QByteArray>
#include <QMainWindow>
#include <QSettings>

#include <array>
#include <memory>
#include <string>

class CAsBuiltDock;
class CAutoPlaceDock;
class CCameraTableDock;
class CDisplayBar;
class CFiguresDock;
class CHistoryDock;
class CPlanTreeDock;
class CPropertiesDock;
class CQtPlanDocument;
class CReportCommands;
class CRecentPlans;
class CWelcomePage;
class CWorkspaceSelection;
class CWorkspaceView;
class QAction;
class QDockWidget;
class QLabel;
class QStackedWidget;
class QToolBar;

// The workspace's commands, for its menus, its toolbar and the tests.
enum class WorkspaceCommand {
    NewPlan,
    Open,
    OpenExample,
    Save,
    SaveAs,
    ExportReport,
    ExportCoverage,
    ExportGltf,
    ShareWebPage,
    Quit,
    Undo,
    Redo,
    AddCamera,
    RemoveItem,
    AddTargetBox,
    Compute,
    AutoCompute,
    CancelComputation,
    ViewTop,
    ViewFront,
    ViewSide,
    ViewPerspective,
    FitRoom,
    ShowCameras,
    ShowMarkerSize,
    ShowPairAngle,
    ShowError,
    TwoOrMore,
    AllPyramids,
    ResetLayout,
    ClassicWindow,
    About,
    Count
};

// The program's main window, a stage designer's workspace: the plan's 3D
// view in the centre, growing with the window, and around it docks that
// can be moved, tabbed, closed and brought back from the View menu: the
// Plan tree, Properties, Figures, the Camera Table, Auto-Place, As Built
// and History. Every change is a step of the plan document it owns; the
// layout is kept in the settings and restored at the next start. Until a
// plan is made or opened, a welcome page stands where the view is.
class CWorkspaceWindow : public QMainWindow
{
    Q_OBJECT
  public:
    // Without prompts the window asks through Qt's message boxes and file
    // dialogs; without settings it keeps its layout and recent plans in the
    // program's own.
    explicit CWorkspaceWindow(std::unique_ptr<CUserPrompts> prompts = nullptr,
                              std::unique_ptr<QSettings> settings = nullptr);
    ~CWorkspaceWindow() override;
    CWorkspaceWindow(const CWorkspaceWindow&) = delete;
    CWorkspaceWindow& operator=(const CWorkspaceWindow&) = delete;

    // Opens a plan file in place of the plan there is (asking first about
    // unsaved changes); a refusal is shown and leaves the plan as it was.
    bool OpenPlan(const std::string& path);
    // The window at its size from the settings, or maximised at the first start.
    void ShowAsLastTime();

    CPlanDocument& Document() { return m_document; }
    CQtPlanDocument& QtDocument() const { return *m_pQtDocument; }
    CWorkspaceSelection& Selection() const { return *m_pSelection; }
    CWorkspaceView& View() const { return *m_pView; }
    CWelcomePage& Welcome() const { return *m_pWelcome; }
    QStackedWidget* Centre() const { return m_pCentre; }
    QAction* Action(WorkspaceCommand command) const { return m_actions[static_cast<size_t>(command)]; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    CDisplayBar& DisplayBar() const { return *m_pDisplayBar; }
    QLabel* Readout() const { return m_pReadout; }
    QLabel* ComputeState() const { return m_pComputeState; }
    CPlanTreeDock& PlanDock() const { return *m_pPlanDock; }
    CPropertiesDock& PropertiesDock() const { return *m_pPropertiesDock; }
    CFiguresDock& FiguresDock() const { return *m_pFiguresDock; }
    CCameraTableDock& CameraDock() const { return *m_pCameraDock; }
    CHistoryDock& HistoryDock() const { return *m_pHistoryDock; }
    CAsBuiltDock& AsBuiltDock() const { return *m_pAsBuiltDock; }
    CAutoPlaceDock& AutoPlaceDock() const { return *m_pAutoPlaceDock; }
    CReportCommands& Report() const { return *m_pReport; }
    // Every dock, in the order of the View menu.
    QList<QDockWidget*> Docks() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void MakeActions();
    void MakeMenus();
    void MakeToolBar();
    void MakeDocks();
    void MakeViewMenu();
    void MakeStatusBar();
    void ArrangeDocks();
    // The docks' first sizes, for the window's size.
    void SizeDocks();
    void RestoreLayout();
    void SaveLayout();
    void ResetLayout();

    // The plan shown: the welcome page without one, the view with it.
    void ShowCentre();
    void ShowTitle();
    void ShowComputeState();
    // Whether unsaved changes may go: saved, let go or none (false: the user cancelled).
    bool MayDiscard();
    void NewPlan();
    void OpenExample();
    void ChooseAndOpen();
    bool Save();
    bool SaveAs();
    // The report, the coverage and the shared files of the plan as computed;
    // refused, saying so, while the results shown are not of the plan as it is.
    bool ResultsAreCurrent();
    void ExportReport();
    void ExportCoverage();
    void ExportShared(bool gltf);
    void AddCamera();
    void RemoveSelected();
    void AddTargetBox();
    void OpenClassicWindow();
    void ShowAbout();
    // A step the user asked for; a refusal is named to the user.
    void Take(const std::string& name, const CPlanDocument::Edit& edit);

    std::unique_ptr<CUserPrompts> m_prompts;
    std::unique_ptr<QSettings> m_settings;
    CPlanDocument m_document;
    CQtPlanDocument* m_pQtDocument;
    CWorkspaceSelection* m_pSelection;
    QStackedWidget* m_pCentre = nullptr;
    CWelcomePage* m_pWelcome = nullptr;
    CWorkspaceView* m_pView = nullptr;
    QToolBar* m_pToolBar = nullptr;
    CDisplayBar* m_pDisplayBar = nullptr;
    QMenu* m_pDisplayMenu = nullptr;
    QLabel* m_pReadout = nullptr;
    QLabel* m_pComputeState = nullptr;
    CPlanTreeDock* m_pPlanDock = nullptr;
    CPropertiesDock* m_pPropertiesDock = nullptr;
    CFiguresDock* m_pFiguresDock = nullptr;
    CCameraTableDock* m_pCameraDock = nullptr;
    CHistoryDock* m_pHistoryDock = nullptr;
    CAsBuiltDock* m_pAsBuiltDock = nullptr;
    CAutoPlaceDock* m_pAutoPlaceDock = nullptr;
    CRecentPlans* m_pRecent = nullptr;
    CReportCommands* m_pReport = nullptr;
    QMenu* m_pItemMenu = nullptr;
    std::array<QAction*, static_cast<size_t>(WorkspaceCommand::Count)> m_actions{};
    // The docks as the program first arranges them, for View > Reset Layout,
    // and as the settings kept them, restored once the window is shown.
    QByteArray m_defaultState;
    QByteArray m_savedState;
    bool m_bShown = false;
};
