#pragma once

#include "cameras/CameraSet.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The scene settings and the camera set exist for one test only.
class RigFixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        CreateSceneSettings();
        CCameraSet::Instance();
    }
    void TearDown() override
    {
        CCameraSet::DestroyInstance();
        DestroySceneSettings();
    }
    SceneSettings& Settings() { return *GetSceneSettings(); }
    CCameraSet& Cameras() { return *CCameraSet::Current(); }

    // What the view does for a new camera count: room corners, a fresh
    // default rig, and the user origin at room corner 3.
    void MakeDefaultRig(uint32_t n, float length, float width, float height)
    {
        Settings().SetRoomLength(length);
        Settings().SetRoomWidth(width);
        Settings().SetRoomHeight(height);
        m_room.Update();
        Settings().SetCameraCount(n);
        Cameras().Release();
        Cameras().Allocate();
        Cameras().SetDefaults(m_room);
        Cameras().SetUserOrigin(m_room.Corner(3));
    }

    CRoomBox m_room;
};
