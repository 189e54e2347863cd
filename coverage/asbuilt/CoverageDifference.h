#pragma once

#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"

#include <array>
#include <cstdint>
#include <vector>

// The coverage of the plan and of the rig as built, each computed from its
// own input on the same grid with the plan's settings, and where they
// differ: a voxel triangulable in one and not in the other is lost or
// gained.
class CCoverageDifference
{
  public:
    enum class Status { Ok, InvalidGrid, OutOfMemory };
    enum class Change : int8_t { Lost = -1, Unchanged = 0, Gained = 1 };

    // Inputs of the same room and voxel size (else InvalidGrid); both copies
    // are computed on, the callers' stay as they are.
    Status Compute(CoverageInput plan, CoverageInput asBuilt);
    bool HasResults() const { return !m_changes.empty(); }

    const CPlanningMeasures& Planned() const { return m_plan; }
    const CPlanningMeasures& AsBuilt() const { return m_asBuilt; }

    size_t GetVoxelCount() const { return m_changes.size(); }
    Change ChangeAt(size_t t) const { return static_cast<Change>(m_changes[t]); }

    // Triangulable voxels that only the rig as built has, and that only the plan has.
    uint64_t GainedTriangulable() const { return m_gainedTriangulable; }
    uint64_t LostTriangulable() const { return m_lostTriangulable; }
    // Voxels seeing a marker in at least k cameras as built and not planned,
    // and the other way round, k = 0 .. the larger rig's counted cameras.
    const std::vector<uint64_t>& GainedMarkerAtLeast() const { return m_gainedMarker; }
    const std::vector<uint64_t>& LostMarkerAtLeast() const { return m_lostMarker; }
    // The at-least counts of one side, k running as above (zero past its own).
    std::vector<uint64_t> MarkerAtLeast(const CPlanningMeasures& side) const;

  private:
    CPlanningMeasures m_plan;
    CPlanningMeasures m_asBuilt;
    std::vector<int8_t> m_changes;
    uint64_t m_gainedTriangulable = 0;
    uint64_t m_lostTriangulable = 0;
    std::vector<uint64_t> m_gainedMarker;
    std::vector<uint64_t> m_lostMarker;
};

// Voxels the Difference display draws: lost red, gained green, unchanged hidden.
inline constexpr std::array<float, 3> kLostColor{0.9f, 0.1f, 0.1f};
inline constexpr std::array<float, 3> kGainedColor{0.1f, 0.8f, 0.2f};

struct DifferenceVoxelPaint {
    uint32_t voxel;
    CCoverageDifference::Change change;
};

// Layer j of the Difference display over `volume`, the grid the difference
// was computed on (none for another grid): i over x outer, k over z inner,
// as the resolution map.
std::vector<DifferenceVoxelPaint> DifferenceLayerPaint(const CCoverageVolume& volume,
                                                       const CCoverageDifference& difference, uint32_t j);
