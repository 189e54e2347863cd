#pragma once

#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class CBackgroundComputation;
class CCameraSet;
class CObstacleSet;
class ComputationFlags;
struct CoverageStep;

// Where a controller takes what it computes: the input of the plan its owner
// holds now (without obstacles, which the controller adds from its obstacle
// source), and where the owner's rig takes back the fields of view and edges
// a computation derived on its copy (may be empty).
struct CoverageSource {
    std::function<CoverageInput()> input;
    std::function<void(const CCameraSet&)> takeDerived;
};

// Reported when the room or the voxel size gives no usable grid.
inline constexpr const char* kInvalidGridMessage = "Invalid room or voxel size";
// What llvmpipe keeps per compiled box of a display list, as render-bench
// measures it (360 to 400 bytes with Mesa 22.3).
inline constexpr uint64_t kListBytesPerBox = 400;
// The Quality lists may hold every voxel once more, a box as the others.
inline constexpr uint64_t kQualityListBytesPerVoxel = kListBytesPerBox;

// The coverage shown and how it is kept up to date: the volume, the planning
// measures, the computation that runs for them in the background or at once,
// and what its owner's computation flags have asked for. Needs no display: what
// draws the results reads them here and rebuilds its own lists when one of
// the generations below moves.
//
// A frame runs in two stages, with the caller's list work between them: the
// coverage stage takes a finished computation's results and starts the one
// asked for since (or, not in the background, computes it); the planning
// stage then computes or starts the planning measures of what is there.
class CCoverageController
{
  public:
    explicit CCoverageController(CoverageSource source);
    ~CCoverageController();
    CCoverageController(const CCoverageController&) = delete;
    CCoverageController& operator=(const CCoverageController&) = delete;

    // The window computes in the background: the coverage stage starts the
    // pending computations on a thread of their own, in their usual order,
    // and the flags that asked for them are cleared once what draws the
    // results has their lists in (ResultListsCompiled). Without it (the
    // command line) a frame computes before it draws.
    void SetBackground(bool on) { m_bBackground = on; }
    bool IsBackground() const { return m_bBackground; }

    void RunCoverageStage(ComputationFlags& flags);
    void RunPlanningStage(ComputationFlags& flags);
    // What draws the results has compiled the lists of the volume taken: the
    // flags that asked for it go down, unless asked again since.
    void ResultListsCompiled(ComputationFlags& flags);
    // A background computation's results were taken, or a grid refused,
    // and the flags wait for ResultListsCompiled.
    bool AwaitsResultLists() const { return m_bClearFlagsWhenListed; }

    // Bumped when the volume is replaced (or emptied): every list drawn of it is stale.
    uint64_t GetVolumeGeneration() const { return m_nVolumeGeneration; }
    // Bumped when the resolution map was switched to another camera: the volume lists are stale.
    uint64_t GetMapGeneration() const { return m_nMapGeneration; }
    // Bumped whenever the planning measures change.
    uint64_t GetPlanningGeneration() const { return m_nPlanningGeneration; }
    // Bumped after each frame that computed (coverage or planning) or took results.
    uint64_t GetResultGeneration() const { return m_nResultGeneration; }
    // Whether the last frame computed (coverage or planning); in the
    // background, whether it took the results of one.
    bool LastFrameComputed() const { return m_bLastFrameComputed; }

    const CCoverageVolume& GetVolume() const { return m_volume; }
    const CPlanningMeasures& GetPlanning() const { return m_planning; }
    void SetShownLayers(int n) { m_volume.SetShownLayers(n); }

    // The camera whose resolution the map shows, carried to each new volume.
    void ShowResolutionMap(int camera);
    // The camera (from 0) the map was last asked for, whatever rig was computed since.
    int GetMapCamera() const { return m_nResolutionCamera; }
    bool IsResolutionMapDirty() const { return m_bResolutionMapDirty; }
    // Why the resolution map shows nothing; empty while it shows voxels.
    const std::string& GetMapDiagnosis() const { return m_strMapDiagnosis; }

    // Planning: every computation is followed by the planning measures.
    void SetPlanningEnabled(bool on) { m_bPlanningEnabled = on; }
    bool IsPlanningEnabled() const { return m_bPlanningEnabled; }
    // The Quality display wants the planning measures, and its lists need
    // memory of their own beside the volume's.
    void SetQualityDisplay(bool on) { m_bQualityDisplay = on; }
    bool IsQualityDisplay() const { return m_bQualityDisplay; }
    // The next planning stage computes the planning measures again from the
    // coverage there is (after a change of the planning settings or a camera's type).
    void RequestPlanningUpdate();
    // The planning measures are wanted and stale while there is coverage:
    // the planning stage computes them, or a computation is to bring them.
    bool IsPlanningPending() const { return m_bPlanningStale && PlanningWanted() && m_volume.HasResults(); }

    // What blocks the cameras' view, computed with at the next recalculation; null for none.
    void SetObstacles(std::shared_ptr<const CObstacleSet> obstacles) { m_pObstacleSet = std::move(obstacles); }
    const std::shared_ptr<const CObstacleSet>& GetObstacles() const { return m_pObstacleSet; }
    // Asked at every recalculation for the obstacles to compute with.
    void SetObstacleSource(std::function<std::shared_ptr<const CObstacleSet>()> source)
    {
        m_obstacleSource = std::move(source);
    }

    // A message the last computation left for the user ("Not Enough Memory
    // Pool"), taken once.
    std::optional<std::string> TakeMessage();
    // A message of what draws the results (its lists do not fit), taken with the computations'.
    void PostMessage(std::string message) { m_strMessage = std::move(message); }
    // The second line of that message: why, and what would do.
    const std::string& GetReason() const { return m_strReason; }
    // Whether the last coverage computation was refused its grid, taken once.
    bool TakeCoverageRefusal();
    // The input of the coverage shown (its cameras as the computation derived
    // them): the values in force, whatever the owner's plan holds since.
    const CoverageInput& GetComputedInput() const { return m_computedInput; }
    // The computation requests the last coverage computation whose end was taken had started from.
    uint64_t GetLastTakenRequests() const { return m_nLastTakenRequests; }
    // A coverage computation was cancelled since the coverage shown was computed.
    bool AreResultsStale() const { return m_bResultsStale; }

    // A background computation runs (or has ended and waits to be taken).
    bool IsRunning() const { return m_computation != nullptr; }
    bool IsFinished() const;
    double GetProgress() const;
    // Stops the running computation; the next coverage stage keeps the results there were.
    void Cancel();

  private:
    bool PlanningWanted() const { return m_bPlanningEnabled || m_bQualityDisplay; }
    // Grid of the next computation, refused when it or its display lists
    // would not fit; the reason for the user goes to `reason`.
    CCoverageVolume::GridStatus BuildGridFor(CCoverageVolume& volume, const CoverageInput& input,
                                             std::string& reason) const;
    // Release, grid and coverage anew; a failure leaves the volume empty and a message.
    void Recompute(bool fromCalibration, bool deriveFieldOfView);
    // The source's input with the obstacles to compute with.
    CoverageInput SourceInput() const;
    void ComputePending(ComputationFlags& flags);
    void ComputePlanning();
    CoverageStep PrepareStep(const CoverageInput& input, bool fromCalibration) const;
    void StartComputation(ComputationFlags& flags);
    void TakeResults(ComputationFlags& flags);
    // A new volume, or the map of another camera, is there to be listed.
    void NoteNewVolume();
    void NoteNewMap();
    void ReleasePlanning();

    CoverageSource m_source;
    bool m_bBackground = false;
    CCoverageVolume m_volume;
    CoverageInput m_computedInput;
    CPlanningMeasures m_planning;
    bool m_bPlanningEnabled = false;
    bool m_bQualityDisplay = false;
    // The planning measures do not belong to the current coverage (or were asked for again).
    bool m_bPlanningStale = true;
    bool m_bResolutionMapDirty = false;
    int m_nResolutionCamera = 0;
    std::string m_strMapDiagnosis;
    std::function<std::shared_ptr<const CObstacleSet>()> m_obstacleSource;
    std::shared_ptr<const CObstacleSet> m_pObstacleSet;
    std::optional<std::string> m_strMessage;
    std::string m_strReason;
    bool m_bCoverageRefused = false;
    bool m_bResultsStale = false;
    bool m_bLastFrameComputed = false;
    // The coverage flags were up when this frame's coverage stage began.
    bool m_bCoveragePendingAtStage = false;
    uint64_t m_nVolumeGeneration = 0;
    uint64_t m_nMapGeneration = 0;
    uint64_t m_nPlanningGeneration = 0;
    uint64_t m_nResultGeneration = 0;
    // Counted at each request of the planning measures; a computation
    // records the count it started with.
    uint64_t m_nPlanningRequests = 0;
    uint64_t m_nComputationPlanningRequests = 0;
    uint64_t m_nComputationRequests = 0;
    uint64_t m_nLastTakenRequests = 0;
    // The flags that asked for the results are cleared once their lists are
    // in, unless asked again since (m_nListRequests).
    bool m_bClearFlagsWhenListed = false;
    uint64_t m_nListRequests = 0;
    // Declared after the volume, so it ends (and stops reading it) first.
    std::unique_ptr<CBackgroundComputation> m_computation;
};
