// Each reader against files written from its format's description, every
// convention both ways, and malformed files refused naming file, camera and key.
#include "CalibrationWriters.h"
#include "core/TestSupport.h"

#include "cameras/asbuilt/AsBuiltReader.h"
#include "cameras/CameraSet.h"
#include "cameras/asbuilt/NestingScan.h"
#include "cameras/asbuilt/OpenCvReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>

namespace
{

void ExpectNear3(const std::array<double, 3>& a, const std::array<double, 3>& b, double tolerance,
                 const std::string& what)
{
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(a[k], b[k], tolerance) << what << " [" << k << "]";
}

// The rig read has the posed cameras, in their order, where they were put.
void ExpectRig(const AsBuiltReadResult& read, const std::vector<PosedCamera>& posed)
{
    ASSERT_TRUE(read.rig) << read.error;
    ASSERT_EQ(read.rig->cameras.size(), posed.size());
    for (size_t k = 0; k < posed.size(); ++k) {
        const AsBuiltCamera& c = read.rig->cameras[k];
        EXPECT_EQ(c.name, posed[k].name);
        ExpectNear3(CameraCentre(c), posed[k].centre, 1e-9, c.name + " centre");
        ExpectNear3(CameraAxis(c), {posed[k].rotation[6], posed[k].rotation[7], posed[k].rotation[8]}, 1e-9,
                    c.name + " axis");
        EXPECT_EQ(c.width, posed[k].width);
        EXPECT_EQ(c.height, posed[k].height);
        EXPECT_DOUBLE_EQ(c.fx, posed[k].fx);
        EXPECT_DOUBLE_EQ(c.fy, posed[k].fy);
        EXPECT_DOUBLE_EQ(c.cx, posed[k].cx);
        EXPECT_DOUBLE_EQ(c.cy, posed[k].cy);
    }
}

class AsBuiltReaderTest : public ::testing::Test
{
  protected:
    std::string Write(const std::string& name, const std::string& text)
    {
        std::filesystem::create_directories(std::filesystem::path(m_dir.File(name)).parent_path());
        WriteBytes(m_dir.File(name), text);
        return m_dir.File(name);
    }
    TempDir m_dir;
};

TEST_F(AsBuiltReaderTest, AniposeKeepsTheFileOrderInEitherRotationFormAndUnit)
{
    const auto posed = StudioZUp();
    const std::string flat = Write("flat.toml", AniposeText(posed, false));
    const std::string columns = Write("columns.toml", AniposeText(posed, true));
    ExpectRig(ReadAsBuilt(flat, AsBuiltFormat::Anipose, 1.0), posed);
    // Found from the content, the Rodrigues vectors written as columns.
    const AsBuiltReadResult read = ReadAsBuilt(columns, std::nullopt, 1.0);
    ExpectRig(read, posed);
    ASSERT_TRUE(read.rig);
    EXPECT_EQ(read.rig->cameras[0].distortion, (std::vector<double>{-0.21, 0.05, 0.001, -0.002, 0.0}));
    ASSERT_FALSE(read.rig->notes.empty());
    EXPECT_NE(read.rig->notes.back().find("order of the file"), std::string::npos);
    // Millimetres: the same rig from translations a thousand times larger.
    ExpectRig(ReadAsBuilt(Write("mm.toml", AniposeText(posed, false, 1000.0)), AsBuiltFormat::Anipose, 0.001), posed);
    const AsBuiltReadResult metresAsMm = ReadAsBuilt(flat, AsBuiltFormat::Anipose, 0.001);
    ASSERT_TRUE(metresAsMm.rig);
    ExpectNear3(CameraCentre(metresAsMm.rig->cameras[0]), {0.0002, 0.0003, 0.0028}, 1e-12, "scaled");
}

TEST_F(AsBuiltReaderTest, CaliscopeReadsBothRotationFormsAndSkipsIgnoredAndUnposedCameras)
{
    const auto posed = StudioZUp();
    // Caliscope names a camera by its table.
    auto named = posed;
    for (size_t k = 0; k < named.size(); ++k)
        named[k].name = "cameras." + std::to_string(k);
    ExpectRig(ReadAsBuilt(Write("vector/camera_array.toml", CaliscopeText(posed, false)), std::nullopt, 1.0), named);
    const std::string text = CaliscopeText(posed, true) +
                             "[cameras.3]\nport = 3\nsize = [ 640, 480,]\nmatrix = [ [ 500.0, 0.0, 320.0,], [ 0.0, "
                             "500.0, 240.0,], [ 0.0, 0.0, 1.0,],]\ndistortions = [ 0.0, 0.0, 0.0, 0.0, 0.0,]\n\n"
                             "[cameras.4]\nignore = true\nsize = [ 640, 480,]\n";
    // Found from the folder.
    Write("matrix/camera_array.toml", text);
    const AsBuiltReadResult read = ReadAsBuilt(m_dir.File("matrix"), std::nullopt, 1.0);
    ExpectRig(read, named);
    ASSERT_TRUE(read.rig);
    std::string notes;
    for (const std::string& note : read.rig->notes)
        notes += note + "\n";
    EXPECT_NE(notes.find("\"cameras.3\" skipped: it has no pose"), std::string::npos) << notes;
    EXPECT_NE(notes.find("\"cameras.4\" skipped: marked ignore"), std::string::npos) << notes;
}

TEST_F(AsBuiltReaderTest, CaliscopeQuarterTurnsTurnOnlyTheImageUp)
{
    auto posed = StudioZUp();
    posed.resize(1);
    std::string text = CaliscopeText(posed, false);
    const AsBuiltReadResult plain = ReadAsBuilt(Write("a/camera_array.toml", text), std::nullopt, 1.0);
    text.replace(text.find("rotation_count = 0"), 18, "rotation_count = 1");
    const AsBuiltReadResult turned = ReadAsBuilt(Write("b/camera_array.toml", text), std::nullopt, 1.0);
    ASSERT_TRUE(plain.rig && turned.rig) << plain.error << turned.error;
    const AsBuiltCamera& a = plain.rig->cameras[0];
    const AsBuiltCamera& b = turned.rig->cameras[0];
    EXPECT_EQ(b.quarterTurns, 1);
    ExpectNear3(CameraCentre(b), CameraCentre(a), 0, "centre");
    ExpectNear3(CameraAxis(b), CameraAxis(a), 0, "axis");
    // Turned clockwise, the sensor's left edge, -x, is the top of the picture.
    const auto& r = a.rotation;
    ExpectNear3(CameraImageUp(a), {-r[3], -r[4], -r[5]}, 1e-12, "up");
    ExpectNear3(CameraImageUp(b), {-r[0], -r[1], -r[2]}, 1e-12, "turned up");
}

TEST_F(AsBuiltReaderTest, OpenCvPairInEveryRotationFormYamlAndXml)
{
    const auto posed = StudioZUp();
    Write("rod/intri.yml", OpenCvIntriText(posed));
    Write("rod/extri.yml", OpenCvExtriText(posed, false));
    ExpectRig(ReadAsBuilt(m_dir.File("rod"), std::nullopt, 1.0), posed);
    // 1 x 3 Rodrigues rows, named through either file of the pair.
    Write("rows/intri.yml", OpenCvIntriText(posed));
    Write("rows/extri.yml", OpenCvExtriText(posed, false, true));
    ExpectRig(ReadAsBuilt(m_dir.File("rows/extri.yml"), std::nullopt, 1.0), posed);
    ExpectRig(ReadAsBuilt(m_dir.File("rows/intri.yml"), AsBuiltFormat::OpenCv, 1.0), posed);
    // Rot_ matrices, translations in millimetres.
    Write("rot/intri.yml", OpenCvIntriText(posed));
    Write("rot/extri.yml", OpenCvExtriText(posed, true, false, 1000.0));
    ExpectRig(ReadAsBuilt(m_dir.File("rot"), AsBuiltFormat::OpenCv, 0.001), posed);

    // D_ for dist_, no image size: twice the principal point, with a note.
    std::string intri = OpenCvIntriText(posed, false);
    for (size_t at; (at = intri.find("dist_")) != std::string::npos;)
        intri.replace(at, 5, "D_");
    Write("d/intri.yml", intri);
    Write("d/extri.yml", OpenCvExtriText(posed, false));
    const AsBuiltReadResult noSize = ReadAsBuilt(m_dir.File("d"), std::nullopt, 1.0);
    ASSERT_TRUE(noSize.rig) << noSize.error;
    EXPECT_EQ(noSize.rig->cameras[0].width, 1281);
    EXPECT_EQ(noSize.rig->cameras[0].height, 1023);
    EXPECT_EQ(noSize.rig->cameras[0].distortion.size(), 5u);
    ASSERT_EQ(noSize.rig->notes.size(), 3u);
    EXPECT_NE(noSize.rig->notes[0].find("no H_cam_2 / W_cam_2"), std::string::npos) << noSize.rig->notes[0];

    const std::string xmlIntri = "<?xml version=\"1.0\"?>\n<opencv_storage>\n<names>\"a\"</names>\n"
                                 "<K_a type_id=\"opencv-matrix\"><rows>3</rows><cols>3</cols><dt>d</dt><data>\n"
                                 "1000. 0. 320. 0. 1000. 240. 0. 0. 1.</data></K_a>\n<H_a>480</H_a><W_a>640</W_a>\n"
                                 "</opencv_storage>\n";
    const std::string xmlExtri = "<?xml version=\"1.0\"?>\n<opencv_storage>\n<names>\"a\"</names>\n"
                                 "<R_a type_id=\"opencv-matrix\"><rows>3</rows><cols>1</cols><dt>d</dt><data>\n"
                                 "0. 0. 0.</data></R_a>\n<T_a type_id=\"opencv-matrix\"><rows>3</rows><cols>1</cols>"
                                 "<dt>d</dt><data>\n1. 2. 3.</data></T_a>\n</opencv_storage>\n";
    Write("xml/intri.xml", xmlIntri);
    Write("xml/extri.xml", xmlExtri);
    const AsBuiltReadResult xml = ReadAsBuilt(m_dir.File("xml"), std::nullopt, 1.0);
    ASSERT_TRUE(xml.rig) << xml.error;
    ExpectNear3(CameraCentre(xml.rig->cameras[0]), {-1, -2, -3}, 1e-12, "xml centre");
    EXPECT_EQ(xml.rig->cameras[0].width, 640);
}

TEST_F(AsBuiltReaderTest, ColmapTakesTheQuaternionScalarFirstAndEveryLensModel)
{
    const auto posed = StudioZUp();
    std::string cameras, images;
    ColmapTexts(posed, cameras, images);
    Write("sparse/cameras.txt", cameras);
    Write("sparse/images.txt", images);
    ExpectRig(ReadAsBuilt(m_dir.File("sparse"), std::nullopt, 1.0), posed);
    ExpectRig(ReadAsBuilt(m_dir.File("sparse/images.txt"), std::nullopt, 1.0), posed);

    // A quarter turn about z, scalar first: the camera's axis stays the
    // world's z and its x turns onto the world's -y... read as scalar last
    // it would be a half turn about x.
    const double h = std::sqrt(0.5);
    const struct {
        const char* line;
        double fx, fy, cx, cy;
        size_t distortion;
        bool fisheye;
    } models[] = {
        {"1 SIMPLE_PINHOLE 640 480 500 320 240", 500, 500, 320, 240, 0, false},
        {"1 PINHOLE 640 480 500 510 320 240", 500, 510, 320, 240, 0, false},
        {"1 SIMPLE_RADIAL 640 480 500 320 240 0.1", 500, 500, 320, 240, 1, false},
        {"1 RADIAL 640 480 500 320 240 0.1 0.01", 500, 500, 320, 240, 2, false},
        {"1 OPENCV 640 480 500 510 320 240 0.1 0.01 0 0", 500, 510, 320, 240, 4, false},
        {"1 OPENCV_FISHEYE 640 480 500 510 320 240 0.1 0.01 0 0", 500, 510, 320, 240, 4, true},
        {"1 FULL_OPENCV 640 480 500 510 320 240 1 2 3 4 5 6 7 8", 500, 510, 320, 240, 8, false},
    };
    Write("q/images.txt", "1 " + Num(h) + " 0 0 " + Num(h) + " 0 0 5 1 turned.png\n\n");
    for (const auto& model : models) {
        Write("q/cameras.txt", std::string(model.line) + "\n");
        const AsBuiltReadResult read = ReadAsBuilt(m_dir.File("q"), AsBuiltFormat::Colmap, 1.0);
        ASSERT_TRUE(read.rig) << model.line << ": " << read.error;
        const AsBuiltCamera& c = read.rig->cameras[0];
        EXPECT_EQ(c.name, "turned.png");
        EXPECT_EQ(c.fx, model.fx);
        EXPECT_EQ(c.fy, model.fy);
        EXPECT_EQ(c.cx, model.cx);
        EXPECT_EQ(c.cy, model.cy);
        EXPECT_EQ(c.distortion.size(), model.distortion) << model.line;
        EXPECT_EQ(c.fisheye, model.fisheye);
        ExpectNear3(CameraCentre(c), {0, 0, -5}, 1e-12, model.line);
        ExpectNear3(CameraAxis(c), {0, 0, 1}, 1e-12, model.line);
        ExpectNear3({c.rotation[0], c.rotation[1], c.rotation[2]}, {0, -1, 0}, 1e-12, model.line);
    }
}

TEST_F(AsBuiltReaderTest, MalformedFilesAreRefusedNamingFileCameraAndKey)
{
    const auto posed = StudioZUp();
    const std::string anipose = AniposeText(posed, false);
    const std::string caliscope = CaliscopeText(posed, false);
    const auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    struct Case {
        std::string file;
        std::string text;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"a.toml", replaced(anipose, "size = [ 1280, 1024,]", "size = [ 1280,]"), {"a.toml", "\"cam_2\"", "size:"}},
        {"b.toml", replaced(anipose, "matrix = [ [ 1600", "matrix = [ [ \"x\""), {"b.toml", "\"cam_2\"", "matrix:"}},
        {"c.toml", replaced(anipose, "rotation = [", "rotation = [ 1,"), {"c.toml", "\"cam_2\"", "rotation:"}},
        {"d.toml",
         replaced(anipose, "translation = [", "translationx = ["),
         {"d.toml", "\"cam_2\"", "translation:", "missing"}},
        {"e.toml", replaced(anipose, "distortions = [ -0.21", "distortions = [ true"), {"\"cam_2\"", "distortions:"}},
        {"f.toml", replaced(anipose, "fisheye = false", "fisheye = 1"), {"\"cam_2\"", "fisheye:"}},
        {"g.toml", replaced(anipose, "[ 1600, 0, 640.5 ]", "[ -1600, 0, 640.5 ]"), {"\"cam_2\"", "matrix:", "fx"}},
        {"h.toml", "[cam_1\nsize = 3\n", {"h.toml", "not TOML"}},
        {"i.toml", "[cam]\nx = " + std::string(100, '['), {"i.toml", "line 2", "nested more than 64"}},
        {"j.toml", "[metadata]\nerror = 1\n", {"j.toml", "no camera"}},
        {"k/camera_array.toml",
         replaced(caliscope, "rotation = [", "rotation = [ [ 1, 0 ], "),
         {"camera_array.toml", "\"cameras.0\"", "rotation:"}},
        {"l/camera_array.toml",
         replaced(caliscope, "rotation_count = 0", "rotation_count = 0.5"),
         {"\"cameras.0\"", "rotation_count:"}},
        {"m/camera_array.toml", replaced(caliscope, "ignore = false", "ignore = \"no\""), {"\"cameras.0\"", "ignore:"}},
    };
    for (const Case& c : cases) {
        const AsBuiltReadResult read = ReadAsBuilt(Write(c.file, c.text), std::nullopt, 1.0);
        EXPECT_FALSE(read.rig) << c.file;
        for (const std::string& part : c.expected)
            EXPECT_NE(read.error.find(part), std::string::npos) << c.file << ": " << read.error;
    }

    // The OpenCV pair: each key spoiled in turn.
    const std::string intri = OpenCvIntriText(posed), extri = OpenCvExtriText(posed, false);
    const struct {
        bool inIntri;
        std::string from, to;
        std::vector<std::string> expected;
    } pairs[] = {
        {true, "K_cam_10", "Q_cam_10", {"intri.yml", "\"cam_10\"", "K_cam_10", "missing"}},
        {true, "   rows: 3\n   cols: 3", "   rows: 2\n   cols: 3", {"intri.yml", "\"cam_2\"", "K_cam_2"}},
        {true, "W_cam_1: 1280", "W_cam_1: wide", {"intri.yml", "\"cam_1\"", "W_cam_1"}},
        {false, "T_cam_1:", "X_cam_1:", {"extri.yml", "\"cam_1\"", "T_cam_1"}},
        {false, "R_cam_2", "S_cam_2", {"extri.yml", "\"cam_2\"", "R_cam_2", "Rot_cam_2"}},
        {true, "names:", "names: [ \"cam_2\", \"cam_2\" ]\nx:", {"intri.yml", "names", "twice"}},
        {false, "data: [", "data: [[[[", {"extri.yml", "not an OpenCV"}},
    };
    for (const auto& p : pairs) {
        Write("cv/intri.yml", p.inIntri ? replaced(intri, p.from, p.to) : intri);
        Write("cv/extri.yml", p.inIntri ? extri : replaced(extri, p.from, p.to));
        const AsBuiltReadResult read = ReadAsBuilt(m_dir.File("cv"), std::nullopt, 1.0);
        EXPECT_FALSE(read.rig) << p.to;
        for (const std::string& part : p.expected)
            EXPECT_NE(read.error.find(part), std::string::npos) << p.to << ": " << read.error;
    }

    // COLMAP: the line, the image or camera, the column.
    std::string cameras, images;
    ColmapTexts(posed, cameras, images);
    const struct {
        bool inCameras;
        std::string from, to;
        std::vector<std::string> expected;
    } colmap[] = {
        {true, "2 OPENCV", "2 OPENCVX", {"cameras.txt", "camera 2", "MODEL"}},
        {true, "3 OPENCV 1280", "3 OPENCV -5", {"cameras.txt", "camera 3", "WIDTH"}},
        {true, "0.01 -0.002 0 0\n", "0.01 -0.002 0\n", {"cameras.txt", "camera 1", "PARAMS", "takes 8"}},
        {false, " 2 cam_10", " 9 cam_10", {"images.txt", "\"cam_10\"", "CAMERA_ID", "no camera 9"}},
        {false, "7 ", "7 x ", {"images.txt", "line 2", "QW"}},
    };
    for (const auto& p : colmap) {
        Write("col/cameras.txt", p.inCameras ? replaced(cameras, p.from, p.to) : cameras);
        Write("col/images.txt", p.inCameras ? images : replaced(images, p.from, p.to));
        const AsBuiltReadResult read = ReadAsBuilt(m_dir.File("col"), std::nullopt, 1.0);
        EXPECT_FALSE(read.rig) << p.to;
        for (const std::string& part : p.expected)
            EXPECT_NE(read.error.find(part), std::string::npos) << p.to << ": " << read.error;
    }
    // A quaternion of no length.
    Write("col/images.txt", "1 0 0 0 0 1 2 3 1 zero.png\n\n");
    Write("col/cameras.txt", cameras);
    const AsBuiltReadResult zero = ReadAsBuilt(m_dir.File("col"), std::nullopt, 1.0);
    EXPECT_NE(zero.error.find("\"zero.png\""), std::string::npos) << zero.error;
    EXPECT_NE(zero.error.find("QW QX QY QZ"), std::string::npos) << zero.error;
}

// Bytes that cannot stand in a text file are refused before a parser sees
// them: the TOML parser read past its buffer on ill-formed UTF-8 in a
// literal string, OpenCV's on a NUL in the XML declaration (fuzz findings,
// kept in the corpora too).
TEST_F(AsBuiltReaderTest, FilesThatAreNotTextAreRefusedBeforeTheirParser)
{
    using namespace std::string_literals;
    const struct {
        std::string file, text, line;
    } cases[] = {
        {"lit.toml", "x = [[['\x8b\x8b[[['\n", "line 1"},
        {"ml/camera_array.toml", "[cameras.0]\nport = '''\xea\xea''''''''\n", "line 2"},
        {"nul.toml", "[cam_1]\nname = \"a\0\"\n"s, "line 2"},
        {"esc.toml", "[cam_1]\n\n\nname = \"\x1b[2J\"\n", "line 4"},
        {"x/intri.xml", "<?xml version= \0\"1.0\"?>\n<opencv_storage>\n"s, "line 1"},
        {"c1/cameras.txt", "# cameras\n1 PINHOLE 10 10 1 1 5 5\xc2\x85\n", "line 2"},
    };
    for (const auto& c : cases) {
        const AsBuiltReadResult read = ReadAsBuilt(Write(c.file, c.text), std::nullopt, 1.0);
        EXPECT_FALSE(read.rig) << c.file;
        EXPECT_NE(read.error.find(c.line + ": not text"), std::string::npos) << c.file << ": " << read.error;
    }
    // Tabs, carriage returns and characters beyond ASCII are text.
    std::string windows;
    for (const char ch : "# caméra\t\n" + AniposeText(StudioZUp(), false))
        windows += ch == '\n' ? "\r\n" : std::string(1, ch);
    EXPECT_TRUE(ReadAsBuilt(Write("crlf.toml", windows), std::nullopt, 1.0).rig);
}

// The fuzz findings and the hostile files of the corpora: each regression
// file of a reader's corpus is refused with a message, naming its cause
// where the table below knows it. Whole files for the TOML readers, a pair
// split at a line "====" for OpenCV's and COLMAP's.
TEST_F(AsBuiltReaderTest, FuzzFindingsAreRefused)
{
    namespace fs = std::filesystem;
    const std::map<std::string, std::string> causes = {
        {"anipose/regression-rotation-overflow", "camera \"cam_2\": rotation: the Rodrigues vector's length"},
        {"anipose/regression-long-list", "line 5: a list of more than 256 items"},
        {"anipose/regression-dotted-depth", "line 2: lists and tables nested more than 64 levels deep"},
        {"anipose/regression-many-tables", "line 1065: more than 1064 tables; a calibration holds at most 1000"},
        {"anipose/regression-duplicate-name", "camera \"left\": name: given to two cameras, [cam_a] (line 1) and "
                                              "[cam_b] (line 9)"},
        {"anipose/regression-syntax-line", "not TOML: line 4: "},
        {"anipose/regression-size-beyond-cameras", "81558 bytes for 1 camera, more than a calibration of that many "
                                                   "needs (68608 bytes)"},
        {"caliscope/regression-rotation-overflow", "camera \"cameras.1\": rotation: the Rodrigues vector's length"},
        {"opencv_pair/regression-rotation-overflow", "extri.yml: camera \"c1\": R_c1: the Rodrigues vector's length"},
        {"opencv_pair/regression-values-beyond-names", "intri.yml: 119"},
        {"opencv_pair/regression-names-beyond-rig", "intri.yml: names: 1001 cameras; a rig has at most 1000"},
        {"colmap/regression-duplicate-image-id", "image \"b.png\" (line 3): IMAGE_ID: 1 is given twice, on line 1"},
        {"colmap/regression-duplicate-name", "image \"a.png\" (line 3): NAME: given to two images, on line 1"},
        {"colmap/regression-images-beyond-rig", "image \"i1001.png\" (line 2001): more than 1000 images"},
        {"colmap/regression-missing-points-line", "images.txt: line 2: not the points of image \"a.png\" (line 1)"},
    };
    size_t found = 0, known = 0;
    for (const std::string target : {"anipose", "caliscope", "opencv_pair", "colmap"}) {
        for (const auto& entry : fs::directory_iterator(fs::path(VP_FUZZ_CORPUS) / target)) {
            if (entry.path().filename().string().rfind("regression-", 0) != 0)
                continue;
            ++found;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            const size_t cut = text.find("\n====\n");
            const std::string first = text.substr(0, cut);
            const std::string second = cut == std::string::npos ? text : text.substr(cut + 6);
            AsBuiltReadResult read;
            if (target == "opencv_pair") {
                read = ReadOpenCvCalibration(Write("f/intri.yml", first), Write("f/extri.yml", second), 1.0);
            } else if (target == "colmap") {
                Write("c/cameras.txt", first);
                read = ReadAsBuilt(Write("c/images.txt", second), std::nullopt, 1.0);
            } else {
                const char* name = target == "caliscope" ? "f/camera_array.toml" : "f/calibration.toml";
                read = ReadAsBuilt(Write(name, text), std::nullopt, 1.0);
            }
            EXPECT_FALSE(read.rig) << entry.path();
            EXPECT_FALSE(read.error.empty()) << entry.path();
            if (const auto cause = causes.find(target + "/" + entry.path().filename().string());
                cause != causes.end()) {
                ++known;
                EXPECT_NE(read.error.find(cause->second), std::string::npos) << entry.path() << ": " << read.error;
            }
        }
    }
    EXPECT_GE(found, 5u + causes.size());
    EXPECT_EQ(known, causes.size());
}

// The pose is finite after every conversion; a quaternion is normalised
// without squaring its components, so any finite one is a rotation.
TEST_F(AsBuiltReaderTest, RotationsAreFiniteOrRefused)
{
    EXPECT_FALSE(RotationFromRodrigues({1.4e154, 0.2, 0.3}));
    EXPECT_FALSE(RotationFromRodrigues({0.0, std::nan(""), 0.0}));
    const auto wide = RotationFromRodrigues({1e150, 0.0, 0.0});
    ASSERT_TRUE(wide);
    EXPECT_DOUBLE_EQ((*wide)[0], 1.0);
    const auto big = RotationFromQuaternion(1e300, 0.0, 0.0, 1e300);
    ASSERT_TRUE(big);
    const std::array<double, 9> quarter{0, -1, 0, 1, 0, 0, 0, 0, 1};
    for (size_t k = 0; k < 9; ++k)
        EXPECT_NEAR((*big)[k], quarter[k], 1e-15) << k;
    EXPECT_FALSE(RotationFromQuaternion(0.0, 0.0, 0.0, 0.0));
    EXPECT_FALSE(RotationFromQuaternion(std::numeric_limits<double>::infinity(), 0.0, 0.0, 0.0));
}

// The scan counts never too few: at its bounds a file passes, one past them it is refused.
TEST_F(AsBuiltReaderTest, TheScanRefusesJustPastItsBounds)
{
    const auto list = [](size_t items) {
        std::string text = "x = [";
        for (size_t k = 0; k < items; ++k)
            text += "1,";
        return text + "]\n";
    };
    EXPECT_FALSE(ScanToml(list(kMaxCalibrationListItems)).error);
    EXPECT_TRUE(ScanToml(list(kMaxCalibrationListItems + 1)).error);
    // A camera's table and an inline table in it, to the bound of tables.
    std::string tables;
    for (size_t k = 0; k < (kMaxCameras + 64) / 2; ++k)
        tables += "[c" + std::to_string(k) + "]\ny = { z = 1 }\n";
    const TomlShape full = ScanToml(tables);
    EXPECT_FALSE(full.error);
    EXPECT_EQ(full.tables, kMaxCameras + 64);
    EXPECT_TRUE(ScanToml(tables + "[x]\n").error);
    // Dots in keys and headers open tables; in numbers and strings they do not.
    const TomlShape dotted = ScanToml("[a.b]\nc.d.e = 1.5\nf = \"g.h\"\n'i.j' = [2.5, {k.l = 3.5}]\n");
    EXPECT_FALSE(dotted.error);
    EXPECT_EQ(dotted.tables, 2u + 2u + 1u + 1u);
    EXPECT_TRUE(ScanToml("[" + std::string(64, 'a') + std::string(64, '.') + "]\n").error);

    const OpenCvShape yaml = ScanOpenCv("%YAML:1.0\nnames:\n  - \"a, b\"\n  - c\n# d, e\nK: [1, 2, 3]\n", false);
    EXPECT_EQ(yaml.names, 2u);
    EXPECT_EQ(yaml.values, 7u);
    EXPECT_EQ(ScanOpenCv("names: [ \"a\", b, 'c d' ]\n", false).names, 3u);
    EXPECT_EQ(ScanOpenCv("<opencv_storage><names>a \"b c\" d</names></opencv_storage>", true).names, 3u);
    EXPECT_FALSE(ScanOpenCv("%YAML:1.0\nK: 1\n", false).names);
}

TEST_F(AsBuiltReaderTest, FoldersAndFilesThatHoldNoCalibration)
{
    std::filesystem::create_directory(m_dir.File("empty"));
    const AsBuiltReadResult empty = ReadAsBuilt(m_dir.File("empty"), std::nullopt, 1.0);
    EXPECT_NE(empty.error.find("holds no calibration"), std::string::npos) << empty.error;
    const AsBuiltReadResult missing = ReadAsBuilt(m_dir.File("none.toml"), std::nullopt, 1.0);
    EXPECT_NE(missing.error.find("none.toml: the file is not there"), std::string::npos) << missing.error;
    const AsBuiltReadResult unknown = ReadAsBuilt(Write("plain.txt", "hello\n"), std::nullopt, 1.0);
    EXPECT_NE(unknown.error.find("--as-built-format"), std::string::npos) << unknown.error;
    const AsBuiltReadResult lonely = ReadAsBuilt(Write("calib.yml", "%YAML:1.0\n"), std::nullopt, 1.0);
    EXPECT_NE(lonely.error.find("intri.yml and extri.yml"), std::string::npos) << lonely.error;
}

} // namespace
