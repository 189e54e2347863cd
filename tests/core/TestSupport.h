#pragma once

#include "cameras/CameraSet.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A fresh folder under the system temp folder, removed with everything in it.
class TempDir
{
  public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vp-test-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!mkdtemp(name.data()))
            throw std::runtime_error("cannot create a temporary folder");
        m_path = name.data();
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

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
