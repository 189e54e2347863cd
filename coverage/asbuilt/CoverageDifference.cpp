#include "coverage/asbuilt/CoverageDifference.h"

#include <algorithm>

namespace
{

using Status = CCoverageDifference::Status;

Status Computed(CCoverageVolume& volume, CPlanningMeasures& measures, CoverageInput& input)
{
    CCoverageVolume::GridStatus grid = volume.BuildGrid(input);
    if (grid == CCoverageVolume::GridStatus::Ok)
        grid = volume.ComputeCoverage(input);
    if (grid == CCoverageVolume::GridStatus::OutOfMemory)
        return Status::OutOfMemory;
    if (grid != CCoverageVolume::GridStatus::Ok)
        return Status::InvalidGrid;
    return measures.Compute(volume, input) == CPlanningMeasures::Status::Ok ? Status::Ok : Status::OutOfMemory;
}

} // namespace

CCoverageDifference::Status CCoverageDifference::Compute(CoverageInput plan, CoverageInput asBuilt)
{
    m_changes.clear();
    m_gainedMarker.clear();
    m_lostMarker.clear();
    m_gainedTriangulable = m_lostTriangulable = 0;
    if (plan.roomLength != asBuilt.roomLength || plan.roomWidth != asBuilt.roomWidth ||
        plan.roomHeight != asBuilt.roomHeight || plan.voxelSizeCm != asBuilt.voxelSizeCm)
        return Status::InvalidGrid;
    for (CoverageInput* input : {&plan, &asBuilt})
        input->cameras.RecomputeFieldOfView();
    // Only the measures are kept: the displays draw over the grid their renderer computes.
    CCoverageVolume planVolume, builtVolume;
    if (const Status status = Computed(planVolume, m_plan, plan); status != Status::Ok)
        return status;
    if (const Status status = Computed(builtVolume, m_asBuilt, asBuilt); status != Status::Ok)
        return status;

    const size_t n = m_plan.GetVoxelCount();
    const size_t levels = std::max(m_plan.MarkerAtLeast().size(), m_asBuilt.MarkerAtLeast().size());
    m_gainedMarker.assign(levels, 0);
    m_lostMarker.assign(levels, 0);
    m_changes.assign(n, 0);
    for (size_t t = 0; t < n; ++t) {
        const bool before = m_plan.Triangulable(t), after = m_asBuilt.Triangulable(t);
        if (before != after) {
            m_changes[t] = static_cast<int8_t>(after ? Change::Gained : Change::Lost);
            ++(after ? m_gainedTriangulable : m_lostTriangulable);
        }
        const uint32_t planned = m_plan.MarkerCount(t), built = m_asBuilt.MarkerCount(t);
        for (size_t k = std::min(planned, built) + 1; k <= std::max(planned, built) && k < levels; ++k)
            ++(built > planned ? m_gainedMarker : m_lostMarker)[k];
    }
    return Status::Ok;
}

std::vector<uint64_t> CCoverageDifference::MarkerAtLeast(const CPlanningMeasures& side) const
{
    std::vector<uint64_t> counts = side.MarkerAtLeast();
    counts.resize(m_gainedMarker.size(), 0);
    return counts;
}

std::vector<DifferenceVoxelPaint> DifferenceLayerPaint(const CCoverageVolume& volume,
                                                       const CCoverageDifference& difference, uint32_t j)
{
    std::vector<DifferenceVoxelPaint> paint;
    if (!volume.HasResults() || difference.GetVoxelCount() != volume.GetVoxelCount() || j >= volume.GetCountY())
        return paint;
    for (uint32_t i = 0; i < volume.GetCountX(); ++i) {
        for (uint32_t k = 0; k < volume.GetCountZ(); ++k) {
            const size_t t = volume.VoxelIndex(i, j, k);
            if (const CCoverageDifference::Change change = difference.ChangeAt(t);
                change != CCoverageDifference::Change::Unchanged)
                paint.push_back({static_cast<uint32_t>(t), change});
        }
    }
    return paint;
}
