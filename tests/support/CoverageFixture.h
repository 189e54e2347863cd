#pragma once

#include "cameras/CameraSet.h"
#include "coverage/CoverageController.h"
#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"
#include "scene/SceneSettings.h"
#include "support/DefaultRig.h"

#include <gtest/gtest.h>

#include <memory>

class CObstacleSet;

// The input of a computation of a scene (room, camera count, active range,
// display ceiling), a rig and the coverage parameters, gathered as the
// window gathers its own: the range and count from the scene, a copy of the
// rig, the display ceiling in the filters.
inline CoverageInput InputOf(const SceneSettings& scene, const CCameraSet& rig, float voxelCm, CoverageFilters filters,
                             const PlanningSettings& planning)
{
    CoverageInput input;
    input.roomLength = scene.GetRoomLength();
    input.roomWidth = scene.GetRoomWidth();
    input.roomHeight = scene.GetRoomHeight();
    input.firstCamera = scene.GetFirstCamera();
    input.endCamera = scene.GetEndCamera();
    if (rig.IsAllocated())
        input.cameraCount = scene.GetCameraCount();
    input.voxelSizeCm = voxelCm;
    filters.displayCeiling = scene.GetDisplayCeiling();
    input.filters = filters;
    input.planning = planning;
    input.cameras = rig;
    return input;
}

// A scene with a rig in a room and the coverage parameters at their start
// values, all held by the test: each computation takes the input they make.
class CoverageTest : public ::testing::Test
{
  protected:
    SceneSettings& Scene() { return m_scene; }
    CCameraSet& Rig() { return m_rig; }

    // The rig as the program resets it for a camera count, in the scene's room.
    void MakeRig(uint32_t cameras, float length = 5.0f, float width = 5.0f, float height = 5.0f)
    {
        Scene().SetRoomLength(length);
        Scene().SetRoomWidth(width);
        Scene().SetRoomHeight(height);
        Scene().SetCameraCount(cameras);
        Rig() = DefaultRig(cameras, length, width, height);
    }

    // What a computation of the scene, the rig and the parameters now reads.
    CoverageInput Input() const
    {
        CoverageInput input = InputOf(m_scene, m_rig, voxelCm, filters, planningSettings);
        input.obstacles = obstacleSet;
        return input;
    }
    // The filters of the displays, with the scene's display ceiling.
    CoverageFilters Filters() const
    {
        CoverageFilters shown = filters;
        shown.displayCeiling = m_scene.GetDisplayCeiling();
        return shown;
    }

    // The scene, the rig and the parameters as a controller's source: the
    // rig takes back what a computation derived.
    CoverageSource Source()
    {
        return {[this] { return InputOf(m_scene, m_rig, voxelCm, filters, planningSettings); },
                [this](const CCameraSet& computed) { m_rig.TakeDerivedValues(computed); }};
    }

    // The window's recalculation: fields of view, then grid and coverage;
    // the rig takes back the edges the computation derived.
    void Compute(bool calibration = false)
    {
        if (!calibration)
            Rig().RecomputeFieldOfView();
        volume.Release();
        computed = Input();
        ASSERT_EQ(volume.BuildGrid(computed), CCoverageVolume::GridStatus::Ok);
        const auto status =
            calibration ? volume.ComputeCoverageFromCalibration(computed) : volume.ComputeCoverage(computed);
        Rig().TakeDerivedValues(computed.cameras);
        ASSERT_EQ(status, CCoverageVolume::GridStatus::Ok);
    }

    // Camera c looking along +x with no tilt or spin.
    void AimStraight(int c)
    {
        Rig().SetHTilt(c, 0.0f);
        Rig().SetVTilt(c, 0.0f);
        Rig().SetSpin(c, 0.0f);
    }

    // Only camera c counts: the others are disabled.
    void OnlyCamera(int c)
    {
        for (int i = 0; i < static_cast<int>(Scene().GetCameraCount()); ++i)
            Rig().SetEnabled(i, i == c ? 1 : 0);
    }

    void PlaceCamera(int c, double x, double y, double z)
    {
        Rig().SetX(c, static_cast<float>(x));
        Rig().SetY(c, static_cast<float>(y));
        Rig().SetZ(c, static_cast<float>(z));
    }

    // The grid's voxel edge in centimetres, the display filters (their
    // ceiling is the scene's), the planning settings and the obstacles of
    // the next computation.
    float voxelCm = 20.0f;
    CoverageFilters filters;
    PlanningSettings planningSettings;
    std::shared_ptr<const CObstacleSet> obstacleSet;

    CCoverageVolume volume;
    // The input of the last Compute, its cameras as the computation derived them.
    CoverageInput computed;

  private:
    SceneSettings m_scene;
    CCameraSet m_rig;
};
