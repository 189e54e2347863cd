#pragma once

#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <gtest/gtest.h>

// A scene with the default rig in a room, and the coverage parameters at
// their starting values; everything is put back afterwards.
class CoverageTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        CreateSceneSettings();
        ResetCoverageParameters();
    }
    void TearDown() override
    {
        CCameraSet::DestroyInstance();
        DestroySceneSettings();
        DestroyDrawColor();
        ResetCoverageParameters();
    }

    SceneSettings& Scene() { return *GetSceneSettings(); }
    CCameraSet& Rig() { return CCameraSet::Instance(); }

    // The rig as the program resets it for a camera count, in the scene's room.
    void MakeRig(uint32_t cameras, float length = 5.0f, float width = 5.0f, float height = 5.0f)
    {
        Scene().SetRoomLength(length);
        Scene().SetRoomWidth(width);
        Scene().SetRoomHeight(height);
        Scene().SetCameraCount(cameras);
        CRoomBox room;
        room.Update();
        Rig().Release();
        Rig().Allocate();
        Rig().SetDefaults(room);
        Rig().SetUserOrigin(room.Corner(3));
    }

    // The renderer's recalculation: fields of view, then grid and coverage.
    void Compute(bool calibration = false)
    {
        if (!calibration)
            Rig().RecomputeFieldOfView();
        volume.Release();
        ASSERT_EQ(volume.BuildGrid(), CCoverageVolume::GridStatus::Ok);
        const auto status = calibration ? volume.ComputeCoverageFromCalibration() : volume.ComputeCoverage();
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

    CCoverageVolume volume;
};
