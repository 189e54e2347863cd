#pragma once

#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// One coverage computation of a queue: a volume with its grid built (or the
// status that refused the grid, with the reason to show), computed from the
// cameras' angles or from the calibration.
struct CoverageStep {
    std::unique_ptr<CCoverageVolume> volume;
    bool fromCalibration = false;
    CCoverageVolume::GridStatus status = CCoverageVolume::GridStatus::Ok;
    std::string reason;
};

// Runs the pending computations on a thread of its own, in the order they
// were queued: the coverage steps, then the planning measures when asked for
// (of the last step's volume, or of `planningVolume` when there is no step).
// The window keeps answering the user meanwhile and its handlers change its
// state at any time, so everything the computation reads is in its input, a
// copy taken when it starts; what it derives into the input's cameras (the
// frustum edges) goes back with CCameraSet::TakeDerivedValues when its
// results are taken. Cancel stops it within a row block of the pass; the
// results are read only once IsFinished.
class CBackgroundComputation
{
  public:
    // `planningVolume` must stay unchanged until the computation has ended.
    CBackgroundComputation(CoverageInput input, std::vector<CoverageStep> steps, bool planning,
                           const CCoverageVolume* planningVolume = nullptr);
    // Cancels and waits for the thread.
    ~CBackgroundComputation();
    CBackgroundComputation(const CBackgroundComputation&) = delete;
    CBackgroundComputation& operator=(const CBackgroundComputation&) = delete;

    void Cancel() { m_bCancel.store(true, std::memory_order_relaxed); }
    bool IsFinished() const { return m_bFinished.load(std::memory_order_acquire); }
    // Blocks until the thread has ended.
    void Wait();
    // Share done, 0..1, of the coverage steps.
    double GetProgress() const { return m_dProgress.load(std::memory_order_relaxed); }

    // Valid once finished.
    bool WasCancelled() const { return m_bCancelled; }
    std::vector<CoverageStep>& Steps() { return m_aSteps; }
    bool WantsPlanning() const { return m_bPlanning; }
    bool RanPlanning() const { return m_bRanPlanning; }
    CPlanningMeasures::Status GetPlanningStatus() const { return m_ePlanningStatus; }
    CPlanningMeasures& Planning() { return m_planning; }
    const CoverageInput& Inputs() const { return m_input; }

  private:
    void Run();

    CoverageInput m_input;
    std::vector<CoverageStep> m_aSteps;
    bool m_bPlanning = false;
    const CCoverageVolume* m_pPlanningVolume = nullptr;
    CPlanningMeasures m_planning;
    CPlanningMeasures::Status m_ePlanningStatus = CPlanningMeasures::Status::NoCoverage;
    bool m_bRanPlanning = false;
    bool m_bCancelled = false;
    std::atomic<bool> m_bCancel{false};
    std::atomic<bool> m_bFinished{false};
    std::atomic<double> m_dProgress{0.0};
    // Last, so it starts once everything it reads is in place.
    std::jthread m_thread;
};
