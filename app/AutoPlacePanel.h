#pragma once

#include "coverage/placement/AutoPlacement.h"
#include "project/Plan.h"
#include "project/ProjectPlacement.h"

#include <QWidget>

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

class CClassicPlan;
class CUserPrompts;
class CVolumeView;
class QCheckBox;
class QLabel;
class QRadioButton;
class QLineEdit;
class QPushButton;
class QTableWidget;

// Plan > Auto-Place: proposes cameras to add to the rig for target boxes, on
// chosen mounts. A window of its own rather than a dock: the main window is a
// fixed-size dialog without dock areas, and a separate window leaves the view
// free to turn while it shows the best rig found so far.
//
// Start checks every field (a refusal names it and starts nothing) and runs
// the placement on a worker thread; its progress comes back queued to this
// thread. Cancel raises the placement's cancel flag and returns the panel to
// idle at once, the plan's rig untouched; the worker's last words are
// dropped. Accept adds the placed cameras to the plan, or puts them in place
// of its cameras when "Replace the rig" was chosen, as one undoable step.
// Whatever the worker throws comes back as a refusal: the plan stays.
//
// The target and the mounts are the plan's: shown from it (an opened
// project, an undo), and stored back into it as a step whenever an edit
// leaves them valid, so that Save Project keeps them and Edit > Undo takes
// them back. The project's segments, points and keep-out boxes, which the
// window does not edit, go with its mounts. The request is the command
// line's (PlacementRequestOf) on the plan as it is at Start.
class CAutoPlacePanel : public QWidget
{
    Q_OBJECT
  public:
    enum TargetColumn { kColMin, kColMax, kColWeight, kColCount };
    enum Field { kCount, kLenses, kSensor, kMinCameras, kTimeLimit, kSampleStep, kWallBand, kFieldCount };
    enum State { Idle, Running, Done };

    // Accept is a step of `plan`, which shows the new rig.
    CAutoPlacePanel(CVolumeView& view, CClassicPlan& plan, CUserPrompts& prompts, QWidget* parent = nullptr);
    ~CAutoPlacePanel() override;
    CAutoPlacePanel(const CAutoPlacePanel&) = delete;
    CAutoPlacePanel& operator=(const CAutoPlacePanel&) = delete;

    State GetState() const { return m_eState; }
    // The worker of the last run has not yet ended (it may still be winding down after Cancel).
    bool IsWorkerRunning() const { return m_pRun && !m_pRun->finished.load(); }
    const PlacementResult* Result() const { return m_result ? &*m_result : nullptr; }
    // The target table and the mounts from the plan: its boxes (else the
    // room's default box) and its mounts (else every wall and the ceiling).
    void ShowPlanSetup();

    QTableWidget* TargetTable() const { return m_pTarget; }
    QLineEdit* FieldBox(Field field) const { return m_fields[field]; }
    // The walls x0, x1, z0, z1, then the ceiling.
    QCheckBox* MountBox(int mount) const { return m_mounts[static_cast<size_t>(mount)]; }
    QCheckBox* RobustBox() const { return m_pRobust; }
    // The Lenses field as a kit the search chooses each camera's lens from.
    QCheckBox* LensKitBox() const { return m_pLensKit; }
    // Seek the least mean occluded angle instead of the target points that count.
    QCheckBox* OcclusionBox() const { return m_pOcclusion; }
    QRadioButton* AddButton() const { return m_pAddToRig; }
    QRadioButton* ReplaceButton() const { return m_pReplaceRig; }
    QLabel* ProgressText() const { return m_pProgress; }
    // What of the plan's mounts the window shows but does not edit.
    QLabel* ProjectMountsText() const { return m_pProjectMounts; }
    QPushButton* StartButton() const { return m_pStart; }
    QPushButton* CancelButton() const { return m_pCancel; }
    QPushButton* AcceptButton() const { return m_pAccept; }
    QPushButton* AddBoxButton() const { return m_pAddBox; }
    QPushButton* RemoveBoxButton() const { return m_pRemoveBox; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // One placement on the worker: what it reads and how it tells its end.
    struct Run {
        PlacementRequest request;
        std::atomic<bool> cancel{false};
        std::atomic<bool> finished{false};
        std::thread worker;
    };

    // The request from the fields and the plan, or the refusal naming the field.
    std::optional<PlacementRequest> BuildRequest(std::string& refusal) const;
    // The target boxes and mounts of the fields, or the refusal naming the field.
    std::optional<ProjectPlacement> ReadSetup(const RoomSize& room, std::string& refusal) const;
    // The fields' target and mounts into the plan, when they are valid and differ from its.
    void StoreSetup();
    void Start();
    void Cancel();
    void Accept();
    void OnProgress(uint64_t run, const PlacementProgress& progress);
    void OnFinished(uint64_t run, const PlacementResult& result);
    void ShowPreview(const std::vector<PlacedCamera>& cameras);
    void ClearPreview();
    void ShowState(State state);
    // Waits for the last run's worker (after its cancel flag was raised).
    void JoinWorker();

    CVolumeView& m_view;
    CClassicPlan& m_plan;
    // The plan's target and mounts as the fields last showed or stored them.
    ProjectPlacement m_shownSetup;
    // The plan's segments, points and keep-out boxes, kept with the mounts.
    MountSurfaces m_projectMounts;
    // Set while the fields are filled from the plan: those are not edits.
    bool m_bShowingSetup = false;
    CUserPrompts& m_prompts;

    QTableWidget* m_pTarget;
    QPushButton* m_pAddBox;
    QPushButton* m_pRemoveBox;
    std::array<QLineEdit*, kFieldCount> m_fields{};
    std::array<QCheckBox*, 5> m_mounts{};
    QCheckBox* m_pRobust;
    QCheckBox* m_pLensKit;
    QCheckBox* m_pOcclusion;
    QRadioButton* m_pAddToRig;
    QRadioButton* m_pReplaceRig;
    QLabel* m_pProjectMounts;
    QLabel* m_pProgress;
    QPushButton* m_pStart;
    QPushButton* m_pCancel;
    QPushButton* m_pAccept;

    State m_eState = Idle;
    // Numbers the runs: what arrives from an earlier one is dropped.
    uint64_t m_nRun = 0;
    std::unique_ptr<Run> m_pRun;
    std::vector<TargetBox> m_aShownTarget;
    std::optional<PlacementResult> m_result;
    // The plan the last run placed beside, and whether the placed cameras replace its rig.
    std::optional<Plan> m_startPlan;
    bool m_bReplace = false;
};
