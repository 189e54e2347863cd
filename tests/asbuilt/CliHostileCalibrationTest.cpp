// The hostile calibrations of a reliability study, at their full size, given
// to the commands that read calibrations as a user would: each is refused
// with status 1 naming the file and its cause, nothing is written, no command
// says it stopped on an unexpected error, and none comes near the reader's
// 10 s guard or the 2 GB that a 16 MB YAML once took. Smaller files of the
// same causes are in the fuzz corpora (AsBuiltReaderTest.FuzzFindingsAreRefused).
#include "CalibrationWriters.h"
#include "core/TestSupport.h"
#include "support/CliRun.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>

namespace
{

namespace fs = std::filesystem;

std::string AniposeCamera(const std::string& key, const std::string& name, const std::string& rotation,
                          const std::string& distortions)
{
    return "[" + key + "]\nname = \"" + name +
           "\"\nsize = [1280, 1024]\nmatrix = [[1600, 0, 640.5], [0, 1590, 511.5], [0, 0, 1]]\ndistortions = " +
           distortions + "\nrotation = " + rotation + "\ntranslation = [0.5, -1.0, 4.0]\n\n";
}

std::string AniposeCamera(const std::string& key)
{
    return AniposeCamera(key, key, "[0.1, 0.2, 0.3]", "[-0.21, 0.05, 0.001, -0.002, 0.0]");
}

std::string Repeated(const std::string& item, size_t count, const std::string& between)
{
    std::string text;
    text.reserve(count * (item.size() + between.size()));
    for (size_t k = 0; k < count; ++k)
        text += (k ? between : "") + item;
    return text;
}

class CliHostileCalibrationTest : public ::testing::Test
{
  protected:
    // A refusal takes a fraction of a second; these files ran into the 10 s
    // guard when read to the end. The bound catches such a runaway and
    // leaves room for a machine loaded many times over.
    static constexpr double kRunawaySeconds = 5.0;

    CliRun Cli(const std::string& arguments) { return RunCli(VP_CLI_PATH, arguments, m_dir.Path()); }
    std::string Write(const std::string& name, const std::string& text)
    {
        fs::create_directories(fs::path(m_dir.File(name)).parent_path());
        WriteBytes(m_dir.File(name), text);
        return m_dir.File(name);
    }
    std::string Quoted(const std::string& name) { return "'" + m_dir.File(name) + "'"; }

    void ExpectRefused(const std::string& arguments, const std::string& cause)
    {
        SCOPED_TRACE(arguments);
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find(cause), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("unexpected error"), std::string::npos) << run.err;
        EXPECT_LT(run.seconds, kRunawaySeconds);
        EXPECT_FALSE(fs::exists(m_dir.File("written.vplan")));
    }

    TempDir m_dir;
};

TEST_F(CliHostileCalibrationTest, EachIsRefusedQuicklyNamingTheFileAndTheCause)
{
    const std::string overflow = AniposeCamera("cam_1") +
                                 AniposeCamera("cam_2", "cam_2", "[1.4e154, 0.2, 0.3]", "[0.0]") +
                                 AniposeCamera("cam_3");
    Write("overflow.toml", overflow);
    Write("caliscope/camera_array.toml",
          "[cameras.0]\nsize = [1280, 1024]\nmatrix = [[1600, 0, 640], [0, 1600, 512], [0, 0, 1]]\n"
          "rotation = [0.1, 2e154, 0.3]\ntranslation = [0.5, -1.0, 4.0]\n");
    Write("distortion.toml",
          AniposeCamera("cam_1", "cam_1", "[0.1, 0.2, 0.3]", "[" + Repeated("0.001", 100000, ", ") + "]"));
    Write("dotted.toml", "[cam_1]\na" + Repeated(".a", 200000, "") + " = 1\n");
    std::string many;
    for (int k = 0; k < 10000; ++k)
        many += AniposeCamera("cam_" + std::to_string(k));
    Write("many.toml", many);
    // 16 MB of lists beside one camera's lens, just under the largest file read.
    const std::string yaml =
        Write("yaml/intri.yml",
              "%YAML:1.0\nnames: [ \"c1\" ]\n" + Repeated("k: [" + Repeated("1", 20, ", ") + "]", 262000, "\n"));
    Write("yaml/extri.yml", "%YAML:1.0\nR_c1: [ 0.1, 0.2, 0.3 ]\nT_c1: [ 1., 2., 3. ]\n");
    fs::create_directories(m_dir.File("zero"));
    fs::create_symlink("/dev/zero", m_dir.File("zero/calibration.toml"));
    Write("fifo/extri.yml", "%YAML:1.0\n");
    ASSERT_EQ(mkfifo(m_dir.File("fifo/intri.yml").c_str(), 0600), 0);
    Write("half/intri.yml", "%YAML:1.0\nnames: [ \"c1\" ]\n");
    Write("syntax.toml", "[cam_1]\nname = \"a\"\nsize = [1280, 1024\nmatrix = 3\n");
    Write("twice.toml", AniposeCamera("cam_a", "left", "[0.1, 0.2, 0.3]", "[0.0]") +
                            AniposeCamera("cam_b", "left", "[0.1, 0.2, 0.3]", "[0.0]"));
    const std::string lens = "1 PINHOLE 1280 1024 1600 1600 640 512\n";
    Write("ids/cameras.txt", lens);
    Write("ids/images.txt", "1 1 0 0 0 1 2 3 1 a.png\n\n1 1 0 0 0 2 2 3 1 b.png\n\n");
    Write("short/cameras.txt", lens);
    Write("short/images.txt", "1 1 0 0 0 1 2 3 1 a.png\n2 1 0 0 0 2 2 3 1 b.png\n\n3 1 0 0 0 3 2 3 1 c.png\n\n");

    const struct {
        std::string calibration, cause;
    } cases[] = {
        {"overflow.toml", "overflow.toml: camera \"cam_2\": rotation: the Rodrigues vector's length is not finite"},
        {"caliscope",
         "caliscope/camera_array.toml: camera \"cameras.0\": rotation: the Rodrigues vector's length is not finite"},
        {"distortion.toml", "distortion.toml: line 5: a list of more than 256 items"},
        {"dotted.toml", "dotted.toml: line 2: lists and tables nested more than 64 levels deep"},
        {"many.toml", "many.toml: line 8513: more than 1064 tables; a calibration holds at most 1000 cameras"},
        {"yaml", "yaml/intri.yml: " + std::to_string(fs::file_size(yaml)) +
                     " bytes for 1 camera, more than a calibration of that many needs"},
        {"zero", "zero/calibration.toml: a link to /dev/zero, a device, not a regular file"},
        {"fifo", "fifo/intri.yml: a named pipe (FIFO), not a regular file"},
        {"half", "half: the folder has intri.yml but not its partner extri.yml"},
        {"syntax.toml", "syntax.toml: not TOML: line 4: "},
        {"twice.toml",
         "twice.toml: camera \"left\": name: given to two cameras, [cam_a] (line 1) and [cam_b] (line 9)"},
        {"ids", "ids/images.txt: image \"b.png\" (line 3): IMAGE_ID: 1 is given twice, on line 1 and line 3"},
        {"short", "short/images.txt: line 2: not the points of image \"a.png\" (line 1)"},
    };
    for (const auto& c : cases)
        ExpectRefused("rig --as-built " + Quoted(c.calibration) + " --room 7,5,3.5 --as-built-up +z --save-project " +
                          Quoted("written.vplan"),
                      "Calibration not loaded: " + m_dir.File(c.cause));

    // `compare` and `report` read the calibration with the same readers.
    WriteBytes(m_dir.File("plan.toml"), AniposeText(StudioZUp(), false));
    ASSERT_EQ(Cli("rig --as-built " + Quoted("plan.toml") + " --as-built-up +z --room 7,5,3.5 --save-project " +
                  Quoted("plan.vplan"))
                  .status,
              0);
    for (const char* calibration : {"overflow.toml", "many.toml"}) {
        ExpectRefused("compare --project " + Quoted("plan.vplan") + " --as-built " + Quoted(calibration) +
                          " --as-built-up +z --save-aligned " + Quoted("written.vplan"),
                      "Calibration not loaded: " + m_dir.File(calibration));
        if (fs::exists(fs::path(VP_CLI_PATH).parent_path() / "volume-planner-report"))
            ExpectRefused("report --project " + Quoted("plan.vplan") + " --as-built " + Quoted(calibration) +
                              " --as-built-up +z --out " + Quoted("written.pdf"),
                          "Calibration not loaded: " + m_dir.File(calibration));
        EXPECT_FALSE(fs::exists(m_dir.File("written.pdf")));
    }

    // The largest of the processes these runs started, the 16 MB file's included.
    rusage children{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &children), 0);
    EXPECT_LT(children.ru_maxrss, 300L * 1024) << "kilobytes";
}

} // namespace
