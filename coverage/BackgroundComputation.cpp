#include "coverage/BackgroundComputation.h"

#include <omp.h>

#include <algorithm>

ComputationInputs ComputationInputs::Take()
{
    ComputationInputs inputs;
    if (const SceneSettings* settings = GetSceneSettings())
        inputs.settings = *settings;
    if (const CCameraSet* cameras = CCameraSet::Current())
        inputs.cameras = *cameras;
    inputs.planning = GetPlanningSettings();
    return inputs;
}

CComputationInputsScope::CComputationInputsScope(ComputationInputs& inputs)
{
    SetThreadSceneSettings(&inputs.settings);
    CCameraSet::SetThreadCurrent(&inputs.cameras);
    SetThreadPlanningSettings(&inputs.planning);
}

CComputationInputsScope::~CComputationInputsScope()
{
    SetThreadSceneSettings(nullptr);
    CCameraSet::SetThreadCurrent(nullptr);
    SetThreadPlanningSettings(nullptr);
}

CBackgroundComputation::CBackgroundComputation(ComputationInputs inputs, std::vector<CoverageStep> steps, bool planning,
                                               const CCoverageVolume* planningVolume)
    : m_inputs(std::move(inputs)), m_aSteps(std::move(steps)), m_bPlanning(planning), m_pPlanningVolume(planningVolume),
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
    // The passes read the shared state only before their parallel regions,
    // on this thread, so the copy installed here is all they see.
    CComputationInputsScope scope(m_inputs);
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
        step.status = step.fromCalibration ? volume.ComputeCoverageFromCalibration() : volume.ComputeCoverage();
        volume.SetProgressCallback({});
        volume.SetCancelFlag(nullptr);
        m_bCancelled = step.status == CCoverageVolume::GridStatus::Cancelled;
        last = step.status == CCoverageVolume::GridStatus::Ok ? &volume : nullptr;
    }
    if (!m_bCancelled && m_bPlanning && last && last->HasResults()) {
        m_planning.SetCancelFlag(&m_bCancel);
        m_ePlanningStatus = m_planning.Compute(*last);
        m_planning.SetCancelFlag(nullptr);
        m_bCancelled = m_ePlanningStatus == CPlanningMeasures::Status::Cancelled;
        m_bRanPlanning = !m_bCancelled;
    }
    m_bFinished.store(true, std::memory_order_release);
}
