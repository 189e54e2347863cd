#include "TestSupport.h"

#include "cameras/NumberText.h"

#include <chrono>
#include <limits>

namespace
{

const std::string kCamera = "0\t3\t0\t8.5\t12\t6.5241\t4.8807\t0\t45\t45\r\n\r\n";

class FileErrorTest : public RigFixture
{
  protected:
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::string path = m_dir.File(name);
        WriteBytes(path, bytes);
        return path;
    }

    TempDir m_dir;
};

TEST_F(FileErrorTest, RefusedCameraFilesSayWhyAndWhere)
{
    MakeDefaultRig(3, 10, 6, 3);
    const std::vector<double> before{Cameras().GetX(1), Cameras().GetHTilt(2)};
    struct Case {
        std::string name;
        std::string bytes; // empty: the path is used as it is
        std::string reason;
    };
    const Case cases[] = {
        {"missing.txt", "", "missing.txt does not exist"},
        {"/dev/zero", "", "/dev/zero is not a regular file"},
        {"word.txt", "2\r\n\r\n0\t3\tabc\t8.5", "line 3: \"abc\" is not a number (camera 1, z position)"},
        {"double-sign.txt", "1\r\n" + std::string("+-8.5\t") + kCamera, "line 2: \"+-8.5\" is not a number"},
        {"nan.txt", "1\r\n\r\nnan\t3", "line 3: \"nan\" is not a number (camera 1, x position)"},
        {"many.txt", "1001\r\n" + kCamera, "line 1: the camera count 1001 is not from 1 to 1000"},
        {"zero.txt", "0\r\n", "the camera count 0 is not"},
        {"short.txt", "3\r\n\r\n" + kCamera + kCamera, "the file ends after 2 of the 3 cameras it announces"},
        {"bom.txt",
         "\xEF\xBB\xBF"
         "1\r\n" +
             kCamera,
         "byte-order mark"},
        {"binary.txt", std::string(300, '\x01'), "line 1: a word too long to be a camera count"},
        {"empty.txt", " \r\n", "the file ends where a camera count belongs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.name.front() == '/' ? c.name
                                 : c.bytes.empty()     ? m_dir.File(c.name)
                                                       : Write(c.name, c.bytes);
        EXPECT_FALSE(Cameras().LoadFromFile(path));
        EXPECT_NE(Cameras().GetFileError().find(c.reason), std::string::npos) << Cameras().GetFileError();
        EXPECT_EQ(Settings().GetCameraCount(), 3u);
        EXPECT_EQ((std::vector<double>{Cameras().GetX(1), Cameras().GetHTilt(2)}), before);
    }
    EXPECT_TRUE(Cameras().LoadFromFile(Write("good.txt", "1\r\n" + kCamera)));
    EXPECT_EQ(Cameras().GetFileError(), "");
}

TEST_F(FileErrorTest, CalibrationFromADeviceOrAnEndlessWordEndsAtOnce)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Cameras().ImportCalibration("/dev/zero"));
    EXPECT_EQ(Cameras().GetFileError(), "/dev/zero is not a regular file");
    // A word past the bound is refused however the file goes on.
    EXPECT_FALSE(Cameras().ImportCalibration(Write("word.txt", std::string(TokenReader::kMaxWordLength + 1, 'W'))));
    EXPECT_EQ(Cameras().GetFileError(), "line 1: a word too long to be the leading word");
    EXPECT_FALSE(Cameras().ImportCalibration(Write("header.txt", "Calibration\n1 2\n3 x")));
    EXPECT_EQ(Cameras().GetFileError(), "line 3: \"x\" is not a number (header)");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(FileErrorTest, SaveRefusesValuesTheLoaderWouldRefuseAndKeepsTheFile)
{
    MakeDefaultRig(2, 10, 6, 3);
    const std::string path = Write("rig.txt", "earlier rig");
    const float kInf = std::numeric_limits<float>::infinity();
    for (const auto& spoil : std::vector<std::function<void()>>{
             [&] { Cameras().SetX(1, std::numeric_limits<float>::quiet_NaN()); },
             [&] { Cameras().SetVTilt(0, -kInf); },
             [&] { Cameras().SetFocalLength(1, kInf); },
         }) {
        MakeDefaultRig(2, 10, 6, 3);
        spoil();
        EXPECT_FALSE(Cameras().SaveToFile(path));
        EXPECT_NE(Cameras().GetFileError().find("is not a finite number"), std::string::npos)
            << Cameras().GetFileError();
        EXPECT_EQ(ReadBytes(path), "earlier rig");
    }
    EXPECT_EQ(Cameras().GetFileError(), "Camera 2: the focal length is inf, which is not a finite number");
}

TEST(NumberTextSignTest, OneSignAtMost)
{
    float value = 1.0f;
    uint32_t count = 1;
    for (const char* bad : {"+-8.5", "-+8.5", "--1", "+", "-"}) {
        EXPECT_FALSE(ParseFloatToken(bad, value)) << bad;
        EXPECT_EQ(value, 1.0f);
    }
    EXPECT_FALSE(ParseUnsignedToken("+-3", count));
    EXPECT_TRUE(ParseFloatToken("-8.5", value));
    EXPECT_EQ(value, -8.5f);
}

TEST_F(FileErrorTest, ARoomChangeKeepsTheUserFramePositions)
{
    MakeDefaultRig(4, 10, 6, 3);
    Cameras().SetX(3, 1.5f);
    std::vector<Vec3d> user;
    for (int i = 0; i < 4; ++i)
        user.push_back(Cameras().ToUser(Cameras().GetPosition(i)));
    CRoomBox larger;
    larger.Update(14, 8, 4);
    Cameras().MoveUserOrigin(larger.Corner(3));
    for (int i = 0; i < 4; ++i) {
        const Vec3d now = Cameras().ToUser(Cameras().GetPosition(i));
        EXPECT_NEAR(now.x, user[i].x, 1e-6) << i;
        EXPECT_NEAR(now.y, user[i].y, 1e-6) << i;
        EXPECT_NEAR(now.z, user[i].z, 1e-6) << i;
    }
    // The corner cameras of the old room now stand inside the larger one.
    EXPECT_DOUBLE_EQ(Cameras().GetX(0), larger.Corner(3).x);
    EXPECT_GT(Cameras().GetX(1), larger.Corner(3).x);
}

} // namespace
