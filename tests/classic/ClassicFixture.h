#pragma once

#include "cameras/CameraSet.h"
#include "classic/ClassicParameters.h"
#include "classic/SharedScene.h"
#include "scene/SceneSettings.h"

#include <gtest/gtest.h>

// The classic window's process-wide state as a fresh program has it, for one
// test: the shared scene made, the coverage parameters and scale factors at
// their start values, and all of it put back afterwards.
class ClassicTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Reset();
        PrepareSharedScene();
    }
    void TearDown() override
    {
        EndSharedScene();
        Reset();
    }

    SceneSettings& Scene() { return *GetSceneSettings(); }
    CCameraSet& Rig() { return CCameraSet::Instance(); }

  private:
    static void Reset()
    {
        ResetCoverageParameters();
        g_fSceneScaleX = g_fSceneScaleY = g_fSceneScaleZ = 1.0f;
    }
};
