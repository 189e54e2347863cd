// Files and option values a user may have been sent or mistyped, given to the
// command line: each is refused with status 1 within a second or two, by a
// message that names the file or the option and the reason, and nothing is
// written; text from a file reaches the terminal without its control
// characters. The hostile files are the fuzz targets' seeds.
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace
{

namespace fs = std::filesystem;

const fs::path kCorpus = VP_FUZZ_CORPUS;

class CliHostileInputTest : public ::testing::Test
{
  protected:
    // A refusal takes a fraction of a second; the files it is given took 9 to
    // 80 s when they were read to the end. The bound catches such a runaway
    // and leaves room for a machine loaded many times over.
    static constexpr double kRunawaySeconds = 5.0;

    CliRun Cli(const std::string& arguments) { return RunCli(VP_CLI_PATH, arguments, m_dir.Path()); }
    std::string Path(const std::string& name) const { return (m_dir.Path() / name).string(); }

    // Refused with status 1 and `message` on standard error, quickly, with
    // nothing on standard output and nothing written.
    void ExpectRefused(const std::string& arguments, const std::string& message)
    {
        SCOPED_TRACE(arguments);
        const bool rig = arguments.rfind("rig", 0) == 0;
        const CliRun run = Cli(arguments + (rig ? " --save-project '" : " --voxels '") + Path("written") + "'");
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_LT(run.seconds, kRunawaySeconds);
        EXPECT_FALSE(fs::exists(Path("written")));
    }

    TempDir m_dir;
};

TEST_F(CliHostileInputTest, HostileProjectFilesAreRefusedNamingTheFileAndTheKey)
{
    const struct {
        const char* file;
        const char* reason;
    } cases[] = {
        {"deep-unknown-key.vplan", "extra: lists and objects nested more than 64 levels deep"},
        {"duplicate-key.vplan", "room.unit: the key is given twice"},
        {"duplicate-section.vplan", "room: the key is given twice"},
        {"huge-number.vplan", "room.length_m: the number 1e999 is beyond the range of a double"},
        {"beyond-single.vplan", "room.length_m: must be a number that fits single precision"},
        {"huge-room.vplan", "room: length_m, width_m and height_m must be at most 1000 m"},
        {"subnormal-marker.vplan", "planning: marker diameter: must be a number from 0.1 to 1000 mm"},
    };
    for (const auto& c : cases) {
        const std::string file = (kCorpus / "project_file" / c.file).string();
        ExpectRefused("rig --project '" + file + "'", "Project not loaded: " + file + ": " + c.reason);
    }
    // The file of the report, twice as deep as the seed, which a fuzz input may not be.
    const std::string deeper = Path("deeper.vplan");
    std::ofstream(deeper) << "{\"format\": \"volume-planner-project\", \"x\": " << std::string(200000, '[')
                          << std::string(200000, ']') << "}";
    ExpectRefused("coverage --project '" + deeper + "'", deeper + ": x: lists and objects nested more than 64");
    const std::string large = Path("large.vplan");
    std::ofstream(large).close();
    fs::resize_file(large, (64u << 20) + 1);
    ExpectRefused("rig --project '" + large + "'", large + " is too large for a project file: more than 64 MiB");
}

TEST_F(CliHostileInputTest, HostileObstacleListsAreRefusedNamingTheFileAndTheEntry)
{
    const struct {
        const char* file;
        const char* reason;
    } cases[] = {
        {"deep.json", "obstacles[0]: lists and objects nested more than 64 levels deep"},
        {"duplicate-key.json", "obstacles[0].max: the key is given twice"},
        {"huge-number.json", "obstacles[0].max[1]: the number 1e400 is beyond the range of a double"},
        {"far-corner.json", "obstacles[0]: obstacle \"crate\": every corner value must be within 10000 m"},
    };
    for (const auto& c : cases) {
        const std::string file = (kCorpus / "obstacle_list" / c.file).string();
        ExpectRefused("rig --obstacles '" + file + "'", "Obstacles not loaded: " + file + ": " + c.reason);
    }
    // Just below the size bound, nothing but zeros: refused at the millionth
    // value, before a tree of 33 million is built.
    const std::string zeros = Path("zeros.json");
    {
        std::string text = "[";
        for (size_t i = 0; i < (63u << 20) / 2; ++i)
            text += "0,";
        text += "0]";
        std::ofstream(zeros) << text;
    }
    ExpectRefused("rig --obstacles '" + zeros + "'",
                  "Obstacles not loaded: " + zeros + ": obstacles: more than 1000000 values in the file");
    // 2 GB, sparse: refused by its size before anything is read.
    const std::string huge = Path("huge.json");
    std::ofstream(huge).close();
    fs::resize_file(huge, 2ull << 30);
    ExpectRefused("coverage --obstacles '" + huge + "'",
                  "Obstacles not loaded: " + huge + " is too large for an obstacle list: more than 64 MiB");
}

TEST_F(CliHostileInputTest, OptionValuesTheProgramCannotUseAreRefusedNamingTheOption)
{
    const struct {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"rig --project ''", "--project: the value is empty; it takes FILE"},
        {"rig --obstacles ''", "--obstacles: the value is empty; it takes FILE"},
        {"coverage --marker-mm ''", "--marker-mm: the value is empty; it takes D"},
        {"coverage --voxel ''", "--voxel: the value is empty; it takes CM"},
        {"coverage --iso ''", "--iso: the value is empty; it takes OP,T"},
        {"coverage --marker-mm 1e-310",
         "--marker-mm: planning settings: marker diameter: must be a number from 0.1 to 1000 mm"},
        {"coverage --marker-mm 1500",
         "--marker-mm: planning settings: marker diameter: must be a number from 0.1 to 1000 mm"},
        {"coverage --pixel-noise 1e300",
         "--pixel-noise: planning settings: image noise: must be a number from 0.001 to 100 px"},
        {"coverage --angle-range 90,90",
         "--angle-range: planning settings: triangulation angle range: must not be empty"},
        {"rig --default-rig 0x10", "--default-rig 0x10: write the number in decimal, not in hexadecimal"},
        {"rig --default-rig 010", "--default-rig 010: write the whole number without leading zeros"},
        {"coverage --voxel 0x14", "--voxel 0x14: write the number in decimal"},
        {"coverage --marker-mm -0X1p3", "--marker-mm -0X1p3: write the number in decimal"},
        {"rig --room 5,5,0x3", "--room 0x3: write the number in decimal"},
        {"coverage --obstacle-box 0x1,0,0,1,1,1", "needs six numbers X0,Y0,Z0,X1,Y1,Z1 in decimal"},
        {"rig --room 1001,5,5", "--room: length, width and height must be at most 1000 m"},
        {"rig --room 3281,10,10 --units f", "--room: length, width and height must be at most 3280 ft (1000 m)"},
        {"coverage --voxel 20000", "--voxel: the voxel size must be at most 10000 cm"},
        {"coverage --res '>=,inf,<=,0.8'", "--res OP1,B1,OP2,B2"},
    };
    for (const auto& c : cases)
        ExpectRefused(c.arguments, c.message);
    // Whole numbers no option can hold are refused as out of range, not
    // wrapped or cut to the largest and then refused as another number;
    // lists are read number by number.
    const struct {
        const char* arguments;
        const char* message;
    } wholes[] = {
        {"place --count 2 --seed -1", "--seed -1: out of range: the option takes no negative number\n"},
        {"place --count 1e23", "--count 1e23: out of range: beyond the whole numbers it can read\n"},
        {"place --count 99999999999999999999999",
         "--count 99999999999999999999999: out of range: beyond the largest whole number it can read, "
         "9223372036854775807\n"},
        {"rig --default-rig -99999999999999999999",
         "--default-rig -99999999999999999999: out of range: beyond the smallest whole number it can read, "
         "-9223372036854775808\n"},
        {"rig --range 1,99999999999999999999", "--range 99999999999999999999: out of range: beyond the largest"},
        {"coverage --resolution-camera 99999999999999999999", "--resolution-camera 99999999999999999999: out of"},
        {"place --count 1e2", "--count 1e2: write the whole number in digits\n"},
    };
    for (const auto& c : wholes) {
        const CliRun run = Cli(std::string(c.arguments) + " --room 6,5,3");
        EXPECT_EQ(run.status, 1) << c.arguments;
        EXPECT_EQ(run.err.find("unexpected error"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
    }
    // A value of another form stays a usage error.
    EXPECT_EQ(Cli("place --room 6,5,3 --count 2.5").status, 2);
    // At the bounds, and the forms the reader always took, nothing changes.
    for (const char* arguments : {"rig --room 1000,5,5", "rig --room 3280,10,10 --units f", "rig --default-rig +4",
                                  "rig --default-rig 1000 --range 1,1000 --disable 1000", "rig --marker-mm 0.1",
                                  "rig --angle-range 0,180", "rig --room 5.0,05.5,0.5e1"}) {
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.status, 0) << arguments << ": " << run.err;
    }
}

TEST_F(CliHostileInputTest, LabelsAndNamesReachTheTerminalWithoutControlCharacters)
{
    const std::string obstacles = Path("named.json");
    std::ofstream(obstacles) << R"([{"name": "\u001b[31mred\u202e", "min": [1, 0, 1], "max": [2, 1, 2]}])";
    const CliRun run = Cli("rig --project '" + (kCorpus / "project_file" / "terminal-escapes.vplan").string() +
                           "' --obstacles '" + obstacles + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_NE(run.out.find("   1  " + fffd + "]0;owned" + fffd + fffd + "[2J" + fffd + "Cam yes"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("   2  Camera 2     yes"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(fffd + "[31mred" + fffd + "  box"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find_first_of("\x1b\x07"), std::string::npos);
    EXPECT_EQ(run.out.find("\xE2\x80\xAE"), std::string::npos);
}

} // namespace
