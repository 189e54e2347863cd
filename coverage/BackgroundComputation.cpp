#include "coverage/BackgroundComputation.h"

#include <omp.h>

#include <algorithm>

CBackgroundComputation::CBackgroundComputation(CoverageInput input, std::vector<CoverageStep> steps, bool planning,
                                               const CCoverageVolume* planningVolume)
    : m_input(std::move(input)), m_aSteps(std::move(steps)), m_bPlanning(planning), m_pPlanningVolume(planningVolume),
      m_thread([this] { Run(); })
{
}

CBackgroundComputation::~CBackgroundComputation()
{
    Cancel();
    Wait();
}

void CBackgroundComputation::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CBackgroundComputation::Run()
{
    // One core is left to the window: drawing a frame in software competes
    // with the passes, and a frame held up is a window that stalls. The
    // results do not depend on the thread count.
    omp_set_num_threads(std::max(1, omp_get_num_procs() - 1));
    const double share = m_aSteps.empty() ? 1.0 : 1.0 / static_cast<double>(m_aSteps.size());
    const CCoverageVolume* last = m_pPlanningVolume;
    for (size_t k = 0; k < m_aSteps.size() && !m_bCancelled; ++k) {
        CoverageStep& step = m_aSteps[k];
        if (step.status != CCoverageVolume::GridStatus::Ok) {
            last = nullptr;
            continue;
        }
        CCoverageVolume& volume = *step.volume;
        volume.SetCancelFlag(&m_bCancel);
        const double before = static_cast<double>(k) * share;
        volume.SetProgressCallback([this, before, share](double done) {
            m_dProgress.store(before + done * share, std::memory_order_relaxed);
        });
        step.status =
            step.fromCalibration ? volume.ComputeCoverageFromCalibration(m_input) : volume.ComputeCoverage(m_input);
        volume.SetProgressCallback({});
        volume.SetCancelFlag(nullptr);
        m_bCancelled = step.status == CCoverageVolume::GridStatus::Cancelled;
        last = step.status == CCoverageVolume::GridStatus::Ok ? &volume : nullptr;
    }
    if (!m_bCancelled && m_bPlanning && last && last->HasResults()) {
        m_planning.SetCancelFlag(&m_bCancel);
        m_ePlanningStatus = m_planning.Compute(*last, m_input);
        m_planning.SetCancelFlag(nullptr);
        m_bCancelled = m_ePlanningStatus == CPlanningMeasures::Status::Cancelled;
        m_bRanPlanning = !m_bCancelled;
    }
    m_bFinished.store(true, std::memory_order_release);
}
