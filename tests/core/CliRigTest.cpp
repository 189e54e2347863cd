// Runs the built command-line tool as a user would and checks its output,
// its exit status and the files it writes.
#include "TestSupport.h"

#include <sys/wait.h>

namespace
{

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CliRigTest : public ::testing::Test
{
  protected:
    CliRun Cli(const std::string& arguments)
    {
        const std::string out = m_dir.File("stdout"), err = m_dir.File("stderr");
        const std::string command =
            std::string("'") + VP_CLI_PATH + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        CliRun run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = ReadBytes(out);
        run.err = ReadBytes(err);
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return run;
    }
    std::string Quoted(const std::string& name) { return "'" + m_dir.File(name) + "'"; }

    TempDir m_dir;
};

TEST_F(CliRigTest, TwoCameraRigIsSavedByteForByteAndReloads)
{
    const CliRun save = Cli("rig --default-rig 2 --room 10,6,3 --save " + Quoted("F"));
    ASSERT_EQ(save.status, 0) << save.err;
    EXPECT_EQ(
        ReadBytes(m_dir.File("F")),
        "2\r\n\r\n0\t3\t0\t8.5\t12\t6.5241\t4.8807\t0\t45\t45\r\n\r\n10\t3\t0\t8.5\t12\t6.5241\t4.8807\t0\t135\t45"
        "\r\n\r\n# camera x position, y position, z position, focal length, fstop number 1/x, sensor frame "
        "width, sensor frame height, camera spin angle, horizontal tilt angle and vertical tilt angle");

    const CliRun reload = Cli("rig --cameras " + Quoted("F") + " --room 10,6,3 --save " + Quoted("G"));
    ASSERT_EQ(reload.status, 0) << reload.err;
    EXPECT_EQ(ReadBytes(m_dir.File("G")), ReadBytes(m_dir.File("F")));
    EXPECT_EQ(reload.out, save.out);
    EXPECT_NE(save.out.find("Camera 2"), std::string::npos);
    EXPECT_NE(save.out.find("135.00"), std::string::npos);
}

TEST_F(CliRigTest, FeetRangeAndDisabledCameras)
{
    const CliRun feet =
        Cli("rig --units f --room 10,20,8 --default-rig 8 --range 6,3 --disable 7,1 --save " + Quoted("feet.txt"));
    ASSERT_EQ(feet.status, 0) << feet.err;
    EXPECT_NE(feet.out.find("Room 3.05 x 6.10 x 2.44 m"), std::string::npos) << feet.out;
    EXPECT_NE(feet.out.find("active range 6 to 8, 2 enabled in range"), std::string::npos) << feet.out;
    // Camera 2 sits at the far end of the length: 10 ft = 3.048 m.
    EXPECT_NE(ReadBytes(m_dir.File("feet.txt")).find("\r\n3.048\t2.4384\t0\t"), std::string::npos);
}

TEST_F(CliRigTest, ErrorsGoToStandardErrorAndWriteNothing)
{
    std::filesystem::create_directory(m_dir.File("folder"));
    WriteBytes(m_dir.File("short.txt"), "2\r\n\r\n0\t3\t0\t8.5\t12\t6.5241\t4.8807\t0\t45\t45\r\n");
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"--default-rig 0", "Invalid Number of Cameras"},
        {"--default-rig 1001", "Invalid Number of Cameras"},
        {"--cameras " + Quoted("short.txt"), "File Not Found or Invalid File"},
        {"--default-rig 8 --range 6,4", "Exceeding Total Cameras"},
        {"--range 0,2", "at least 1"},
        {"--disable 2,5", "no camera 5"},
        {"--room 10,0,3", "positive"},
        {"--units ft", "--units"},
        {"--cameras " + Quoted("short.txt") + " --default-rig 2", "--default-rig"},
    };
    for (const Case& k : cases) {
        const CliRun run = Cli("rig " + k.arguments + " --save " + Quoted("out.txt"));
        EXPECT_NE(run.status, 0) << k.arguments;
        EXPECT_NE(run.err.find(k.message), std::string::npos) << k.arguments << ": " << run.err;
        EXPECT_EQ(run.out, "") << k.arguments;
        EXPECT_FALSE(std::filesystem::exists(m_dir.File("out.txt"))) << k.arguments;
    }
    const CliRun folder = Cli("rig --save " + Quoted("folder"));
    EXPECT_NE(folder.status, 0);
    EXPECT_NE(folder.err.find("Unable to Create File"), std::string::npos) << folder.err;
    EXPECT_TRUE(std::filesystem::is_directory(m_dir.File("folder")));
}

} // namespace

// The rig and coverage commands must run where no GL library exists: the
// tool itself links none, only its separate render binary does.
TEST_F(CliRigTest, ToolLoadsNoGraphicsLibrary)
{
    const std::string listing = m_dir.File("ldd");
    ASSERT_EQ(std::system((std::string("ldd '") + VP_CLI_PATH + "' >'" + listing + "'").c_str()), 0);
    const std::string libraries = ReadBytes(listing);
    ASSERT_NE(libraries.find("libc.so"), std::string::npos) << libraries;
    for (const char* graphics : {"libGL", "libOpenGL", "libEGL", "libGLU", "libGLX", "libQt"})
        EXPECT_EQ(libraries.find(graphics), std::string::npos) << graphics << " in\n" << libraries;
}
