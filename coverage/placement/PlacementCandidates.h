#pragma once

#include "coverage/placement/MountPlaces.h"
#include "coverage/placement/PlacementCamera.h"
#include "coverage/placement/SightMatrix.h"
#include "coverage/placement/TargetSamples.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

// A camera the plan already has and keeps where it is.
struct FixedCamera {
    PlanningCamera planning;
    Vec3d user; // position in the user frame
};

// One candidate: a mount place, an aim and a lens.
struct Candidate {
    uint32_t place = 0; // into Places()
    uint32_t aim = 0;   // into the aim points
    uint32_t lens = 0;  // into the camera models
    CameraPose pose;
};

// Every candidate camera of a placement and its row of the sight matrix:
// the places on the mounts x the aims (target points) x the lenses, each
// tested at every sample with the planning measures' test and the obstacles.
// Candidates that see no marker at any sample are left out. The fixed
// cameras come first in the matrix, then the candidates in order.
class CPlacementCandidates
{
  public:
    CPlacementCandidates(const CMountGeometry& geometry, const CTargetSamples& samples, const Vec3d& userOrigin,
                         const PlanningSettings& settings);

    // Rows of the given cameras and of the candidates, `threads` at once (0: every core).
    // Once `cancel` is raised or `deadline` passes the places not yet begun
    // get no candidates; false then.
    bool Build(const std::vector<FixedCamera>& fixed, const std::vector<MountPlace>& places,
               const std::vector<Vec3d>& aims, const std::vector<CameraModel>& models, int threads = 0,
               const std::atomic<bool>* cancel = nullptr,
               std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());

    const CSightMatrix& Matrix() const { return *m_pMatrix; }
    CSightMatrix& Matrix() { return *m_pMatrix; }
    const std::vector<MountPlace>& Places() const { return m_aPlaces; }
    const std::vector<CameraModel>& Models() const { return m_aModels; }
    size_t FixedCount() const { return m_nFixed; }
    // Candidate of matrix row r (r >= FixedCount()).
    const Candidate& CandidateOf(uint32_t row) const { return m_aCandidates[row - m_nFixed]; }
    size_t CandidateCount() const { return m_aCandidates.size(); }
    // Rows of the candidates with lens `lens`.
    std::vector<uint32_t> RowsOfLens(uint32_t lens) const;

    // The row of one camera: its marker samples and the samples in its view,
    // with obstacles.
    struct CameraSight {
        std::vector<uint64_t> marker, view;
    };
    CameraSight SightOfCamera(const PlanningCamera& camera) const;
    // Its marker samples alone.
    std::vector<uint64_t> SightBits(const PlanningCamera& camera) const { return SightOfCamera(camera).marker; }
    // Puts a camera's sight and place into row r of the matrix.
    void StoreRow(uint32_t r, const PlanningCamera& camera);
    static CSightMatrix::RowCamera RowCameraOf(const PlanningCamera& camera);
    const CTargetSamples& Samples() const { return m_samples; }
    const CMountGeometry& Geometry() const { return m_geometry; }
    const Vec3d& UserOrigin() const { return m_userOrigin; }
    const PlanningSettings& Settings() const { return m_settings; }

  private:
    const CMountGeometry& m_geometry;
    const CTargetSamples& m_samples;
    Vec3d m_userOrigin;
    PlanningSettings m_settings;
    std::unique_ptr<CSightMatrix> m_pMatrix;
    std::vector<MountPlace> m_aPlaces;
    std::vector<CameraModel> m_aModels;
    std::vector<Candidate> m_aCandidates;
    size_t m_nFixed = 0;
};
