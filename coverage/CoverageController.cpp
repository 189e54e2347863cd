#include "coverage/CoverageController.h"

#include "cameras/CameraSet.h"
#include "coverage/BackgroundComputation.h"
#include "coverage/CoverageInput.h"
#include "coverage/GridBudget.h"
#include "coverage/MapDiagnostics.h"
#include "scene/MemoryInfo.h"
#include "scene/ComputationFlags.h"

#include <utility>
#include <vector>

namespace
{

// A box's bytes (kListBytesPerBox) are the heap's growth while a display
// compiles, the resident growth once it is drawn. Only the shown display is compiled
// with the computation, but a session may show them all, filled and see
// through: see through, the count layers (every voxel), the map and the
// selective volume (each at most every voxel again); filled, only the boxes
// at the surface of what each shows, counted together as a fourth voxel's
// worth (a scattered volume, all surface, may take more).
constexpr uint64_t kListBytesPerVoxel = 4 * kListBytesPerBox;

const char* RefusalMessage(CCoverageVolume::GridStatus status)
{
    return status == CCoverageVolume::GridStatus::OutOfMemory ? kNotEnoughMemoryMessage : kInvalidGridMessage;
}

} // namespace

CCoverageController::CCoverageController(CoverageSource source) : m_source(std::move(source)) {}

CCoverageController::~CCoverageController()
{
    m_computation.reset();
}

CCoverageVolume::GridStatus CCoverageController::BuildGridFor(CCoverageVolume& volume, const CoverageInput& input,
                                                              std::string& reason) const
{
    CCoverageVolume::GridStatus status = volume.BuildGrid(input);
    reason = volume.GetMemoryAdvice();
    // A grid whose display lists would exhaust the machine is refused before
    // the computation, rather than ending the program half-way through compiling.
    const uint64_t listBytesPerVoxel = kListBytesPerVoxel + (m_bQualityDisplay ? kQualityListBytesPerVoxel : 0);
    if (const GridBudget lists = CheckGridBudget(volume.GetVoxelCount(), listBytesPerVoxel, AvailableMemoryBytes());
        status == CCoverageVolume::GridStatus::Ok && !lists.fits) {
        reason = GridBudgetAdvice(lists, SmallestFittingVoxelCm(input.roomLength, input.roomWidth, input.roomHeight,
                                                                listBytesPerVoxel, lists.freeBytes));
        status = CCoverageVolume::GridStatus::OutOfMemory;
    }
    return status;
}

void CCoverageController::NoteNewVolume()
{
    ++m_nVolumeGeneration;
    m_strMapDiagnosis = m_volume.HasResults() ? ExplainEmptyMap(m_volume, m_computedInput).value_or("") : "";
}

void CCoverageController::NoteNewMap()
{
    ++m_nMapGeneration;
    m_strMapDiagnosis = m_volume.HasResults() ? ExplainEmptyMap(m_volume, m_computedInput).value_or("") : "";
}

void CCoverageController::ReleasePlanning()
{
    m_planning.Release();
    m_bPlanningStale = true;
    ++m_nPlanningGeneration;
}

CoverageInput CCoverageController::SourceInput() const
{
    CoverageInput input = m_source.input ? m_source.input() : CoverageInput{};
    input.obstacles = m_pObstacleSet;
    return input;
}

void CCoverageController::Recompute(bool fromCalibration, bool deriveFieldOfView)
{
    if (m_obstacleSource)
        SetObstacles(m_obstacleSource());
    ReleasePlanning();
    m_bLastFrameComputed = true;
    m_volume.Release();
    CoverageInput input = SourceInput();
    if (deriveFieldOfView)
        input.cameras.RecomputeFieldOfView();
    CCoverageVolume::GridStatus status = BuildGridFor(m_volume, input, m_strReason);
    if (status == CCoverageVolume::GridStatus::Ok)
        status = fromCalibration ? m_volume.ComputeCoverageFromCalibration(input) : m_volume.ComputeCoverage(input);
    // The rig takes what was derived: its fields of view even when the grid
    // was refused, its edges once computed.
    if ((deriveFieldOfView || status == CCoverageVolume::GridStatus::Ok) && m_source.takeDerived)
        m_source.takeDerived(input.cameras);
    m_computedInput = std::move(input);
    if (status != CCoverageVolume::GridStatus::Ok) {
        // Nothing half-built may be drawn: the volume stays empty until the next computation.
        m_volume.Release();
        m_strMessage = RefusalMessage(status);
    }
    NoteNewVolume();
}

void CCoverageController::RunCoverageStage(ComputationFlags& flags)
{
    m_bLastFrameComputed = false;
    if (!m_bBackground) {
        ComputePending(flags);
        return;
    }
    if (m_computation && m_computation->IsFinished())
        TakeResults(flags);
    m_bCoveragePendingAtStage = flags.GetRecalculate() || flags.GetTestDataPending();
    // Each request is served once (its flags stay up until its lists are
    // in); one made while a computation runs replaces it.
    if (m_bCoveragePendingAtStage && flags.GetComputationRequests() != m_nComputationRequests)
        StartComputation(flags);
    if (m_bResolutionMapDirty) {
        NoteNewMap();
        m_bResolutionMapDirty = false;
    }
}

void CCoverageController::ComputePending(ComputationFlags& flags)
{
    if (flags.GetRecalculate()) {
        Recompute(flags.GetTestMode(), !flags.GetTestMode());
        flags.SetRecalculate(false);
        // The new volume's lists are made for the current resolution camera.
        m_bResolutionMapDirty = false;
    }
    if (m_bResolutionMapDirty) {
        NoteNewMap();
        m_bResolutionMapDirty = false;
    }
    if (flags.GetTestDataPending()) {
        Recompute(true, false);
        flags.SetTestDataPending(false);
    }
}

void CCoverageController::RunPlanningStage(ComputationFlags& flags)
{
    if (!m_bBackground) {
        ComputePlanning();
    } else if (IsPlanningPending() && (!m_computation || (!m_bCoveragePendingAtStage &&
                                                          m_nPlanningRequests != m_nComputationPlanningRequests))) {
        StartComputation(flags);
    }
    if (m_bLastFrameComputed)
        ++m_nResultGeneration;
}

void CCoverageController::ComputePlanning()
{
    if (!IsPlanningPending())
        return;
    m_bPlanningStale = false;
    m_bLastFrameComputed = true;
    ++m_nPlanningGeneration;
    if (m_planning.Compute(m_volume, SourceInput()) == CPlanningMeasures::Status::OutOfMemory)
        m_strMessage = kNotEnoughMemoryMessage;
}

CoverageStep CCoverageController::PrepareStep(const CoverageInput& input, bool fromCalibration) const
{
    CoverageStep step;
    step.volume = std::make_unique<CCoverageVolume>();
    step.volume->SetResolutionCamera(m_nResolutionCamera);
    step.fromCalibration = fromCalibration;
    step.status = BuildGridFor(*step.volume, input, step.reason);
    return step;
}

void CCoverageController::StartComputation(ComputationFlags& flags)
{
    m_computation.reset();
    // A coverage computation takes the obstacles as they are now (a copy of
    // its own); the planning measures alone keep those of the volume shown.
    if (m_obstacleSource && (flags.GetRecalculate() || flags.GetTestDataPending()))
        SetObstacles(m_obstacleSource());
    m_nComputationRequests = flags.GetComputationRequests();
    m_nComputationPlanningRequests = m_nPlanningRequests;
    CoverageInput input = SourceInput();
    std::vector<CoverageStep> steps;
    if (flags.GetRecalculate()) {
        // Derived on the copy: a cancelled computation leaves the rig as it was.
        if (!flags.GetTestMode())
            input.cameras.RecomputeFieldOfView();
        steps.push_back(PrepareStep(input, flags.GetTestMode()));
    }
    if (flags.GetTestDataPending())
        steps.push_back(PrepareStep(input, true));
    // The planning measures alone are computed from the volume shown, which
    // stays as it is until they are in.
    const CCoverageVolume* planningVolume = steps.empty() ? &m_volume : nullptr;
    m_computation =
        std::make_unique<CBackgroundComputation>(std::move(input), std::move(steps), PlanningWanted(), planningVolume);
}

void CCoverageController::TakeResults(ComputationFlags& flags)
{
    std::unique_ptr<CBackgroundComputation> done = std::move(m_computation);
    done->Wait();
    const bool current = flags.GetComputationRequests() == m_nComputationRequests;
    if (current && done->WasCancelled()) {
        flags.SetRecalculate(false);
        flags.SetTestDataPending(false);
    }
    if (done->WasCancelled()) {
        m_bResultsStale = m_bResultsStale || !done->Steps().empty();
        // Not started again by itself: the user asks anew.
        if (done->WantsPlanning() && m_nPlanningRequests == m_nComputationPlanningRequests)
            m_bPlanningStale = false;
        return;
    }
    m_bLastFrameComputed = true;
    if (!done->Steps().empty())
        m_nLastTakenRequests = m_nComputationRequests;
    if (!done->Steps().empty() && done->Steps().back().status != CCoverageVolume::GridStatus::Ok) {
        // A refused grid leaves the coverage shown, its lists and measures
        // as they were: nothing of the refused run was built.
        const CoverageStep& refused = done->Steps().back();
        m_strReason = refused.reason;
        m_strMessage = RefusalMessage(refused.status);
        m_bCoverageRefused = true;
        if (current) {
            m_bClearFlagsWhenListed = true;
            m_nListRequests = m_nComputationRequests;
        }
        return;
    }
    if (!done->Steps().empty()) {
        m_bResultsStale = false;
        if (m_source.takeDerived)
            m_source.takeDerived(done->Inputs().cameras);
        m_computedInput = done->Inputs();
        ReleasePlanning();
        for (CoverageStep& step : done->Steps()) {
            if (step.status == CCoverageVolume::GridStatus::Ok)
                continue;
            // Nothing half-built may be drawn: the volume stays empty until the next computation.
            m_strReason = step.reason;
            m_strMessage = RefusalMessage(step.status);
        }
        CoverageStep& last = done->Steps().back();
        std::swap(m_volume, *last.volume);
        // View Res while it computed: that camera's values are held now.
        m_volume.SetResolutionCamera(m_nResolutionCamera);
        NoteNewVolume();
        m_bResolutionMapDirty = false;
        if (current) {
            m_bClearFlagsWhenListed = true;
            m_nListRequests = m_nComputationRequests;
        }
    }
    if (done->RanPlanning()) {
        m_bPlanningStale = m_nPlanningRequests != m_nComputationPlanningRequests;
        ++m_nPlanningGeneration;
        // Empty when they did not fit, as the measures computed in a frame are.
        std::swap(m_planning, done->Planning());
        if (done->GetPlanningStatus() == CPlanningMeasures::Status::OutOfMemory)
            m_strMessage = kNotEnoughMemoryMessage;
    }
}

void CCoverageController::ResultListsCompiled(ComputationFlags& flags)
{
    if (m_bClearFlagsWhenListed && flags.GetComputationRequests() == m_nListRequests) {
        flags.SetRecalculate(false);
        flags.SetTestDataPending(false);
    }
    m_bClearFlagsWhenListed = false;
}

void CCoverageController::ShowResolutionMap(int camera)
{
    m_nResolutionCamera = camera;
    m_volume.SetResolutionCamera(camera);
    m_bResolutionMapDirty = true;
}

void CCoverageController::RequestPlanningUpdate()
{
    m_bPlanningStale = true;
    ++m_nPlanningRequests;
}

std::optional<std::string> CCoverageController::TakeMessage()
{
    std::optional<std::string> message;
    message.swap(m_strMessage);
    return message;
}

bool CCoverageController::TakeCoverageRefusal()
{
    return std::exchange(m_bCoverageRefused, false);
}

bool CCoverageController::IsFinished() const
{
    return m_computation && m_computation->IsFinished();
}

double CCoverageController::GetProgress() const
{
    return m_computation ? m_computation->GetProgress() : 0.0;
}

void CCoverageController::Cancel()
{
    if (m_computation)
        m_computation->Cancel();
}
