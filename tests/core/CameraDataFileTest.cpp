#include "TestSupport.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const std::string kComment =
    "# camera x position, y position, z position, focal length, fstop number 1/x, sensor frame width, sensor "
    "frame height, camera spin angle, horizontal tilt angle and vertical tilt angle";

const std::string kTwoDefaultCameras = "2\r\n\r\n"
                                       "0\t3\t0\t8.5\t12\t6.5241\t4.8807\t0\t45\t45\r\n\r\n"
                                       "10\t3\t0\t8.5\t12\t6.5241\t4.8807\t0\t135\t45\r\n\r\n" +
                                       kComment;

class CameraDataFileTest : public RigFixture
{
  protected:
    // Everything a file holds or a load changes, in the user frame.
    std::vector<std::vector<double>> Snapshot()
    {
        std::vector<std::vector<double>> rows;
        for (int i = 0; i < static_cast<int>(Settings().GetCameraCount()); ++i) {
            const Vec3d u = Cameras().ToUser(Cameras().GetPosition(i));
            rows.push_back({u.x, u.y, u.z, Cameras().GetFocalLength(i), Cameras().GetAperture(i),
                            Cameras().GetFrameWidth(i), Cameras().GetFrameHeight(i), Cameras().GetSpin(i),
                            Cameras().GetHTilt(i), Cameras().GetVTilt(i), static_cast<double>(Cameras().GetEnabled(i)),
                            Cameras().GetHFov(i)});
        }
        return rows;
    }

    TempDir m_dir;
};

TEST_F(CameraDataFileTest, TwoDefaultCamerasGiveTheSevenLineFile)
{
    MakeDefaultRig(2, 10, 6, 3);
    const std::string path = m_dir.File("rig.txt");
    ASSERT_TRUE(Cameras().SaveToFile(path));
    EXPECT_EQ(ReadBytes(path), kTwoDefaultCameras);
}

TEST_F(CameraDataFileTest, EmptyRigWritesCountAndCommentOnly)
{
    const std::string path = m_dir.File("empty.txt");
    ASSERT_TRUE(Cameras().SaveToFile(path));
    EXPECT_EQ(ReadBytes(path), "0\r\n\r\n" + kComment);
    EXPECT_FALSE(Cameras().LoadFromFile(path));
    EXPECT_FALSE(Cameras().IsAllocated());
}

TEST_F(CameraDataFileTest, SavedRigLoadsBackTheSame)
{
    MakeDefaultRig(6, 10, 6, 3);
    Cameras().SetX(4, 1.234567f);
    Cameras().SetFocalLength(4, 12.5f);
    Cameras().SetFNumber(4, 2.8f);
    Cameras().SetSpin(4, 22.123456f);
    Cameras().SetHTilt(5, -30);
    Cameras().SetEnabled(5, 0);
    Cameras().RecomputeFieldOfView();
    const std::string path = m_dir.File("rig.txt");
    ASSERT_TRUE(Cameras().SaveToFile(path));
    EXPECT_NE(ReadBytes(path).find("\t22.1235\t"), std::string::npos);
    EXPECT_NE(ReadBytes(path).find("\t2.8\t"), std::string::npos);

    Cameras().SetEnabled(5, 1); // a load always enables
    const auto before = Snapshot();
    MakeDefaultRig(1, 10, 6, 3);
    ASSERT_TRUE(Cameras().LoadFromFile(path));
    EXPECT_EQ(Settings().GetCameraCount(), 6u);
    EXPECT_EQ(Settings().GetEndCamera(), 6u);
    const auto after = Snapshot();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i)
        for (size_t c = 0; c < before[i].size(); ++c)
            EXPECT_NEAR(after[i][c], before[i][c], 1e-5 * std::max(1.0, std::abs(before[i][c])))
                << "camera " << i + 1 << " column " << c + 1;
}

TEST_F(CameraDataFileTest, PositionsAreRelativeToTheOriginInSinglePrecision)
{
    MakeDefaultRig(1, 10, 6, 3);
    Cameras().SetUserOrigin({0.1, 0.2, 0.3}); // none of them a float
    Cameras().SetX(0, 0.1f);
    Cameras().SetY(0, -0.2f);
    Cameras().SetZ(0, 0.3f);
    const Vec3d stored = Cameras().GetPosition(0);
    const std::string path = m_dir.File("rig.txt");
    ASSERT_TRUE(Cameras().SaveToFile(path));
    EXPECT_EQ(ReadBytes(path).substr(0, 11), "1\r\n\r\n0\t0\t0\t") << ReadBytes(path);
    Cameras().SetX(0, 5);
    ASSERT_TRUE(Cameras().LoadFromFile(path));
    EXPECT_EQ(Cameras().GetPosition(0), stored);
}

TEST_F(CameraDataFileTest, AnyWhitespaceAndExtraCamerasAreAccepted)
{
    MakeDefaultRig(3, 10, 6, 3);
    const std::string path = m_dir.File("rig.txt");
    WriteBytes(path, "5\n0 3 0 8.5 12\n6.5241 4.8807 0 45 45\r\n\r\n"
                     "10\t3\t0\t8.5\t12\t6.5241\t4.8807\t0\t135\t45\n"
                     "1 1 1 8.5 12 6.5241 4.8807 0 0 45\n2 2 2 8.5 12 6.5241 4.8807 0 0 45\n"
                     "3 0.5 3 16 2 6.5241 4.8807 10 20 30\n"
                     "9 9 9 9 9 9 9 9 9 9\n" +
                         kComment);
    ASSERT_TRUE(Cameras().LoadFromFile(path));
    EXPECT_EQ(Settings().GetCameraCount(), 5u);
    EXPECT_EQ(Cameras().GetLabel(4), "Camera 5");
    EXPECT_EQ(Cameras().ToUser(Cameras().GetPosition(1)), (Vec3d{10, 3, 0}));
    EXPECT_EQ(Cameras().ToUser(Cameras().GetPosition(4)), (Vec3d{3, 0.5, 3}));
    EXPECT_EQ(Cameras().GetVTilt(4), 30.0f);
    EXPECT_NEAR(Cameras().GetHFov(0), 41.99573, 1e-4); // derived by the load
}

TEST_F(CameraDataFileTest, IncompleteOrInvalidFilesChangeNothing)
{
    MakeDefaultRig(3, 10, 6, 3);
    Settings().SetFirstCamera(1);
    Settings().SetEndCamera(2);
    Cameras().SetEnabled(2, 0);
    const auto before = Snapshot();
    const std::string line = "1\t2\t3\t8.5\t12\t6.5241\t4.8807\t0\t45\t45\r\n\r\n";
    const std::string cases[] = {
        "",
        "abc\r\n" + line,
        "0\r\n\r\n" + kComment,
        "-2\r\n" + line + line,
        "2.5\r\n" + line + line,
        "1001\r\n" + line,
        "2\r\n\r\n" + line,                                                  // one camera short
        "2\r\n\r\n" + line + "1\t2\t3\t8.5\t12\t6.5241\t4.8807\t0\t45",      // one value short
        "2\r\n\r\n" + line + "1\t2\t3\t8.5\tx12\t6.5241\t4.8807\t0\t45\t45", // not a number
        "1\r\n\r\n1\t2\t3\t8.5\t12\t6.5241\t4.8807\tnan\t45\t45",
        "1\r\n\r\n1,5\t2\t3\t8.5\t12\t6.5241\t4.8807\t0\t45\t45",
    };
    for (const std::string& text : cases) {
        const std::string path = m_dir.File("bad.txt");
        WriteBytes(path, text);
        EXPECT_FALSE(Cameras().LoadFromFile(path)) << text;
        EXPECT_EQ(Settings().GetCameraCount(), 3u) << text;
        EXPECT_EQ(Settings().GetFirstCamera(), 1u);
        EXPECT_EQ(Settings().GetEndCamera(), 2u);
        EXPECT_EQ(Snapshot(), before) << text;
    }
    EXPECT_FALSE(Cameras().LoadFromFile(m_dir.File("missing.txt")));
    EXPECT_FALSE(Cameras().LoadFromFile(m_dir.Path().string()));
    EXPECT_EQ(Snapshot(), before);
}

// Every way a save can fail leaves the previous file as it was, and no
// temporary file behind.
class FailedSaveTest : public CameraDataFileTest
{
  protected:
    void SetUp() override
    {
        CameraDataFileTest::SetUp();
        MakeDefaultRig(2, 10, 6, 3);
        m_target = m_dir.File("rig.txt");
        WriteBytes(m_target, "previous\r\ncontent");
    }
    void ExpectUntouched()
    {
        EXPECT_EQ(ReadBytes(m_target), "previous\r\ncontent");
        size_t files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
            ++files;
        EXPECT_EQ(files, 1u + m_extraEntries);
    }
    std::string m_target;
    size_t m_extraEntries = 0;
};

TEST_F(FailedSaveTest, WriteFailureOnTheWay)
{
    MakeDefaultRig(200, 10, 6, 3);
    // A file size limit makes the data writes fail part way, even for root.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = Cameras().SaveToFile(m_target);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(ok);
    ExpectUntouched();
}

TEST_F(FailedSaveTest, TargetsThatCannotBeReplaced)
{
    std::filesystem::create_directory(m_dir.File("folder"));
    ASSERT_EQ(mkfifo(m_dir.File("pipe").c_str(), 0600), 0);
    m_extraEntries = 2;
    EXPECT_FALSE(Cameras().SaveToFile(m_dir.File("folder")));
    EXPECT_FALSE(Cameras().SaveToFile(m_dir.File("pipe")));
    EXPECT_FALSE(Cameras().SaveToFile(m_dir.File("no/such/folder/rig.txt")));
    EXPECT_TRUE(std::filesystem::is_fifo(m_dir.File("pipe")));
    Settings().SetCameraCount(5); // a count without its cameras
    EXPECT_FALSE(Cameras().SaveToFile(m_target));
    ExpectUntouched();
}

TEST_F(FailedSaveTest, ReadOnlyFolder)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_FALSE(Cameras().SaveToFile(m_target));
    std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::owner_all);
    ExpectUntouched();
}

// Where a save lands: through links to the file they name, with the
// permissions a careful user expects.
using SaveTargetTest = FailedSaveTest;

TEST_F(SaveTargetTest, LinksAreFollowedAndKept)
{
    namespace fs = std::filesystem;
    fs::create_symlink("rig.txt", m_dir.File("link.txt"));
    ASSERT_TRUE(Cameras().SaveToFile(m_dir.File("link.txt")));
    EXPECT_TRUE(fs::is_symlink(m_dir.File("link.txt")));
    EXPECT_EQ(ReadBytes(m_target), kTwoDefaultCameras);

    // A link to a file not yet written creates that file, through a chain.
    fs::create_directory(m_dir.File("sub"));
    fs::create_symlink("sub/new.txt", m_dir.File("dangling"));
    fs::create_symlink("dangling", m_dir.File("chain"));
    ASSERT_TRUE(Cameras().SaveToFile(m_dir.File("chain")));
    EXPECT_TRUE(fs::is_symlink(m_dir.File("chain")) && fs::is_symlink(m_dir.File("dangling")));
    EXPECT_EQ(ReadBytes(m_dir.File("sub/new.txt")), kTwoDefaultCameras);

    // A loop names no file: refused, the links stay links.
    fs::create_symlink("loop-b", m_dir.File("loop-a"));
    fs::create_symlink("loop-a", m_dir.File("loop-b"));
    EXPECT_FALSE(Cameras().SaveToFile(m_dir.File("loop-a")));
    EXPECT_TRUE(fs::is_symlink(m_dir.File("loop-a")) && fs::is_symlink(m_dir.File("loop-b")));
    m_extraEntries = 6; // link.txt, sub, dangling, chain, loop-a, loop-b; no temporary left
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_dir.Path()))
        ++files;
    EXPECT_EQ(files, 1u + m_extraEntries);
}

TEST_F(SaveTargetTest, NewFileGetsTheUsualPermissions)
{
    const mode_t previous = umask(027);
    const bool ok = Cameras().SaveToFile(m_dir.File("new.txt"));
    umask(previous);
    ASSERT_TRUE(ok);
    EXPECT_EQ(std::filesystem::status(m_dir.File("new.txt")).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

TEST_F(SaveTargetTest, SuccessReplacesTheFileAndKeepsItsPermissions)
{
    std::filesystem::permissions(m_target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                               std::filesystem::perms::group_read);
    ASSERT_TRUE(Cameras().SaveToFile(m_target));
    EXPECT_EQ(ReadBytes(m_target), kTwoDefaultCameras);
    EXPECT_EQ(std::filesystem::status(m_target).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

} // namespace
