#pragma once

#include "coverage/placement/AutoPlacement.h"

#include <QDockWidget>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

class CQtPlanDocument;
class CUserPrompts;
class CVolumeView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// Auto-Place: cameras proposed beside the plan's rig for its target, on its
// mounts (both set in the Plan tree), placed as the command line's `place`
// places them (PlacementRequestOf, RunPlacement) on a worker thread. The
// best rig found so far is drawn in the view; Accept adds the cameras to the
// plan as one step, Discard drops them. The plan is read when Place starts:
// a step taken meanwhile is not undone by Accept, which adds the cameras to
// the plan as it is then.
class CAutoPlaceDock : public QDockWidget
{
    Q_OBJECT
  public:
    enum class State { Idle, Running, Done };

    CAutoPlaceDock(CQtPlanDocument& document, CVolumeView& view, CUserPrompts& prompts, QWidget* parent = nullptr);
    ~CAutoPlaceDock() override;
    CAutoPlaceDock(const CAutoPlaceDock&) = delete;
    CAutoPlaceDock& operator=(const CAutoPlaceDock&) = delete;

    void Place();
    void Cancel();
    void Accept();
    void Discard();

    State GetState() const { return m_eState; }
    const std::optional<PlacementResult>& Result() const { return m_result; }
    QSpinBox* CountBox() const { return m_pCount; }
    QLineEdit* LensBox() const { return m_pLens; }
    QCheckBox* LensKitBox() const { return m_pLensKit; }
    QCheckBox* OcclusionBox() const { return m_pOcclusion; }
    QRadioButton* ReplaceButton() const { return m_pReplaceRig; }
    QComboBox* SensorBox() const { return m_pSensor; }
    QSpinBox* MinCamerasBox() const { return m_pMinCameras; }
    QSpinBox* TimeLimitBox() const { return m_pTimeLimit; }
    QSpinBox* SampleStepBox() const { return m_pSampleStep; }
    QLabel* ProgressText() const { return m_pProgress; }
    QPushButton* PlaceButton() const { return m_pPlace; }
    QPushButton* AcceptButton() const { return m_pAccept; }

    QSize sizeHint() const override { return {340, 400}; }

  signals:
    // A placement ended: found cameras to accept (true), or refused, failed or cancelled.
    void placementFinished(bool found);

  private:
    // One placement on the worker: what it reads and how it tells its end.
    struct Run {
        PlacementRequest request;
        std::atomic<bool> cancel{false};
        std::thread worker;
    };
    std::optional<PlacementRequest> BuildRequest(std::string& refusal) const;
    void OnProgress(uint64_t run, const PlacementProgress& progress);
    void OnFinished(uint64_t run, const PlacementResult& result);
    void ShowPreview(const std::vector<PlacedCamera>& cameras);
    void ShowState(State state);
    // Waits for the last run's worker, its cancel flag raised first.
    void EndRun();

    CQtPlanDocument& m_document;
    CVolumeView& m_view;
    CUserPrompts& m_prompts;
    QSpinBox* m_pCount;
    QLineEdit* m_pLens;
    QCheckBox* m_pLensKit;
    QCheckBox* m_pOcclusion;
    QRadioButton* m_pAddToRig;
    QRadioButton* m_pReplaceRig;
    QComboBox* m_pSensor;
    QSpinBox* m_pMinCameras;
    QSpinBox* m_pTimeLimit;
    QSpinBox* m_pSampleStep;
    QLabel* m_pProgress;
    QPushButton* m_pPlace;
    QPushButton* m_pCancel;
    QPushButton* m_pAccept;
    QPushButton* m_pDiscard;
    State m_eState = State::Idle;
    // Numbers the runs: what arrives from an earlier one is dropped.
    uint64_t m_nRun = 0;
    std::unique_ptr<Run> m_pRun;
    // The target and the cameras each point needs, of the run shown.
    std::vector<TargetBox> m_target;
    uint32_t m_nMinCameras = 2;
    // The cameras proposed replace the rig (as asked at Place), rather than join it.
    bool m_bReplace = false;
    std::optional<PlacementResult> m_result;
};
