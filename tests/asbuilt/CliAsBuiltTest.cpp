// `rig --as-built` and `--export-calibration` run as a user would.
#include "CalibrationWriters.h"
#include "core/TestSupport.h"

#include "cameras/asbuilt/AsBuiltReader.h"
#include "project/JsonText.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>

namespace
{

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CliAsBuiltTest : public ::testing::Test
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
    const CliRun first =
        Cli("rig --as-built " + Quoted("studio.toml") + " --as-built-up +z --room 7,5,3.5 --export-calibration " +
            Quoted("out.toml") + " --save-project " + Quoted("studio.vplan"));
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

// The export records its world (z up, the plan's room): read back with no
// reader options at all, as the window's Import does by default, it is the
// same rig. The default rig's cameras 5 and 6 look the same way, so the
// mean image up of its cameras leans: without the record the rig would turn.
TEST_F(CliAsBuiltTest, TheProgramsOwnExportReadsBackWithNoReaderOptions)
{
    const CliRun planned = Cli("rig --default-rig 6 --room 7,5,3 --export-calibration " + Quoted("rig.toml"));
    ASSERT_EQ(planned.status, 0) << planned.err;
    std::filesystem::create_directory(m_dir.File("pair"));
    ASSERT_EQ(Cli("rig --default-rig 6 --room 7,5,3 --export-calibration " + Quoted("pair/extri.yml")).status, 0);
    const CliRun back = Cli("rig --as-built " + Quoted("rig.toml"));
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(Table(back.out), Table(planned.out));
    EXPECT_EQ(back.out.find("outside the room"), std::string::npos) << back.out;
    std::string pairTable = Table(planned.out);
    for (const char* label : {"Camera 1", "Camera 2", "Camera 3", "Camera 4", "Camera 5", "Camera 6"}) {
        const std::string number = std::string("0") + label[7] + "      ";
        pairTable.replace(pairTable.find(label), 8, number.substr(0, 8));
    }
    const CliRun pair = Cli("rig --as-built " + Quoted("pair"));
    ASSERT_EQ(pair.status, 0) << pair.err;
    EXPECT_EQ(Table(pair.out), pairTable);

    std::string text = ReadBytes(m_dir.File("rig.toml"));
    WriteBytes(m_dir.File("unrecorded.toml"), text.substr(0, text.find("up = ")));
    const CliRun leaning = Cli("rig --as-built " + Quoted("unrecorded.toml") + " --room 7,5,3");
    ASSERT_EQ(leaning.status, 0) << leaning.err;
    EXPECT_NE(Table(leaning.out), Table(planned.out));
    // A record that cannot be one is refused, named.
    text.replace(text.find("up = [ 0.0, 0.0, 1.0 ]"), 22, "up = [ 0.0, 0.0, 0.0 ]");
    WriteBytes(m_dir.File("flat.toml"), text);
    const CliRun flat = Cli("rig --as-built " + Quoted("flat.toml"));
    EXPECT_EQ(flat.status, 1);
    EXPECT_NE(flat.err.find("flat.toml: metadata: up:"), std::string::npos) << flat.err;
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
        {"--as-built " + Quoted("good.toml") + " --export-calibration " + Quoted("rig.yml"), 1,
         "Calibration not written: " + m_dir.File("rig.yml") + ": name the extrinsics file"},
        {"--export-calibration " + Quoted("rig.csv"), 1, "Calibration not written: " + m_dir.File("rig.csv")},
        // Only a file that could not be made is one the tool was unable to create.
        {"--export-calibration " + Quoted("none/rig.toml"), 1, "Unable to Create File: " + m_dir.File("none/rig.toml")},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli("rig " + c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
    }
    for (const char* name : {"p.vplan", "rig.yml", "intri.yml", "rig.csv"})
        EXPECT_FALSE(std::filesystem::exists(m_dir.File(name))) << name;
}

// A pair on which OpenCV's parser looped for ever (a fuzz finding, when the
// reader used it): it is refused at once as not YAML, naming the file.
TEST_F(CliAsBuiltTest, APairThatHungTheFormerParserIsRefusedQuickly)
{
    const std::string folder = std::string(VP_HOSTILE_DIR) + "/opencv-hang";
    const auto start = std::chrono::steady_clock::now();
    const CliRun run = Cli("rig --as-built '" + folder + "' --save-project " + Quoted("p.vplan"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("Calibration not loaded: " + folder + "/intri.yml: not an OpenCV YAML file: line "),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("p.vplan")));
}

// The principal point and distortion of a calibration stay with its cameras:
// in the project, and in a calibration written from that project.
TEST_F(CliAsBuiltTest, PrincipalPointAndDistortionAreKeptAndWrittenBack)
{
    WriteBytes(m_dir.File("studio.toml"), AniposeText(StudioZUp(), false));
    const CliRun built = Cli("rig --as-built " + Quoted("studio.toml") + " --as-built-up +z --room 7,5,3.5 " +
                             "--save-project " + Quoted("studio.vplan"));
    ASSERT_EQ(built.status, 0) << built.err;
    const Json project = Json::parse(ReadBytes(m_dir.File("studio.vplan")));
    const std::vector<double> distortion{-0.21, 0.05, 0.001, -0.002, 0.0};
    for (const Json& camera : project["cameras"]) {
        EXPECT_EQ(camera["principal_point_px"], Json::array({640.5, 511.5})) << camera.dump();
        EXPECT_EQ(camera["distortion"].get<std::vector<double>>(), distortion) << camera.dump();
    }

    std::filesystem::create_directory(m_dir.File("pair"));
    for (const char* target : {"pair/extri.yml", "out.toml"}) {
        const CliRun exported =
            Cli("rig --project " + Quoted("studio.vplan") + " --export-calibration " + Quoted(target));
        ASSERT_EQ(exported.status, 0) << exported.err;
        const std::string back = std::string(target) == "out.toml" ? m_dir.File("out.toml") : m_dir.File("pair");
        const AsBuiltReadResult read = ReadAsBuilt(back, std::nullopt, 1.0);
        ASSERT_TRUE(read.rig) << read.error;
        ASSERT_EQ(read.rig->cameras.size(), 3u);
        for (const AsBuiltCamera& camera : read.rig->cameras) {
            EXPECT_EQ(camera.cx, 640.5) << target;
            EXPECT_EQ(camera.cy, 511.5) << target;
            EXPECT_EQ(camera.distortion, distortion) << target;
        }
    }
}

} // namespace
