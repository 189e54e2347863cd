// `rig --as-built` and `--export-calibration` run as a user would.
#include "CalibrationWriters.h"
#include "core/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CliAsBuiltTest : public ::testing::Test {
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
    // The printed rig without the notes below it; an angle a rounding below
    // zero prints as -0.00.
    static std::string Table(const std::string& out)
    {
        std::string table = out.substr(0, out.find("\nas built:"));
        for (size_t at; (at = table.find(" -0.00 ")) != std::string::npos;)
            table.replace(at, 7, "  0.00 ");
        return table;
    }

    TempDir m_dir;
};

TEST_F(CliAsBuiltTest, ExportedRigReadsBackAsTheSameTable)
{
    WriteBytes(m_dir.File("studio.toml"), AniposeText(StudioZUp(), false));
    const CliRun first = Cli("rig --as-built " + Quoted("studio.toml") +
                             " --as-built-up +z --room 7,5,3.5 --export-calibration " + Quoted("out.toml") +
                             " --save-project " + Quoted("studio.vplan"));
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("Room 7.00 x 5.00 x 3.50 m"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("cam_10"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("order of the file"), std::string::npos) << first.out;
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("studio.vplan")));

    const CliRun back = Cli("rig --as-built " + Quoted("out.toml") + " --as-built-up +z --room 7,5,3.5");
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(Table(back.out), Table(first.out));

    // The project holds the rig as built: loading it prints the same table.
    const CliRun project = Cli("rig --project " + Quoted("studio.vplan"));
    ASSERT_EQ(project.status, 0) << project.err;
    EXPECT_EQ(Table(project.out), Table(first.out));

    // The OpenCV pair, read back from its folder.
    std::filesystem::create_directory(m_dir.File("pair"));
    const CliRun yml = Cli("rig --as-built " + Quoted("studio.toml") + " --as-built-up +z --room 7,5,3.5 " +
                           "--export-calibration " + Quoted("pair/extri.yml"));
    ASSERT_EQ(yml.status, 0) << yml.err;
    const CliRun pair = Cli("rig --as-built " + Quoted("pair") + " --as-built-up +z --room 7,5,3.5");
    ASSERT_EQ(pair.status, 0) << pair.err;
    // Named 01, 02, 03 in the pair; every number the same.
    std::string expected = Table(first.out);
    for (const auto& [from, to] : {std::pair{"cam_2 ", "01    "}, {"cam_10", "02    "}, {"cam_1 ", "03    "}})
        expected.replace(expected.find(from), std::string(from).size(), to);
    EXPECT_EQ(Table(pair.out), expected);
}

TEST_F(CliAsBuiltTest, MillimetresAndTheBoxRoundTheCameras)
{
    WriteBytes(m_dir.File("m.toml"), AniposeText(StudioZUp(), false));
    WriteBytes(m_dir.File("mm.toml"), AniposeText(StudioZUp(), false, 1000.0));
    const CliRun metres = Cli("rig --as-built " + Quoted("m.toml") + " --as-built-up +z");
    const CliRun mm = Cli("rig --as-built " + Quoted("mm.toml") + " --as-built-up +z --as-built-units mm");
    ASSERT_EQ(metres.status, 0) << metres.err;
    ASSERT_EQ(mm.status, 0) << mm.err;
    EXPECT_EQ(mm.out, metres.out);
    EXPECT_NE(metres.out.find("Room 6.90 x 5.30 x 1.20 m"), std::string::npos) << metres.out;
    // Millimetres read as metres span more than any room.
    const CliRun wrong = Cli("rig --as-built " + Quoted("mm.toml") + " --as-built-up +z");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("--as-built-units mm"), std::string::npos) << wrong.err;
}

TEST_F(CliAsBuiltTest, RefusalsNameTheFileAndWriteNothing)
{
    std::string text = AniposeText(StudioZUp(), false);
    text.replace(text.find("translation = ["), 15, "translation = [ \"a\",");
    WriteBytes(m_dir.File("bad.toml"), text);
    WriteBytes(m_dir.File("good.toml"), AniposeText(StudioZUp(), false));
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"--as-built " + Quoted("bad.toml") + " --save-project " + Quoted("p.vplan"), 1,
         "bad.toml: camera \"cam_2\": translation:"},
        {"--as-built " + Quoted("none.toml"), 1, "none.toml: the file is not there"},
        {"--as-built " + Quoted("good.toml") + " --as-built-units km", 2, "--as-built-units"},
        {"--as-built " + Quoted("good.toml") + " --as-built-up z", 2, "--as-built-up"},
        {"--as-built " + Quoted("good.toml") + " --default-rig 3", 2, "--default-rig"},
        {"--as-built-up +z", 2, "--as-built"},
        {"--as-built " + Quoted("good.toml") + " --export-calibration " + Quoted("rig.yml"), 1, "extri"},
        {"--export-calibration " + Quoted("rig.csv"), 1, "rig.csv"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli("rig " + c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
    }
    for (const char* name : {"p.vplan", "rig.yml", "intri.yml", "rig.csv"})
        EXPECT_FALSE(std::filesystem::exists(m_dir.File(name))) << name;
}

// A pair on which OpenCV's parser loops for ever (a fuzz finding): the reader's
// process gives up after its time limit with a refusal naming the folder.
TEST_F(CliAsBuiltTest, AReaderThatHangsIsStoppedWithARefusal)
{
    const std::string folder = std::string(VP_HOSTILE_DIR) + "/opencv-hang";
    const CliRun run = Cli("rig --as-built '" + folder + "' --save-project " + Quoted("p.vplan"));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("could not read the calibration " + folder + ": the reader ran for more than 10 s"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("p.vplan")));
}

} // namespace
