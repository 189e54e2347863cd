// `coverage --vtk` and `--ply`: the files other tools open, read back as
// their readers would.
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// A 32-bit value at `offset`, stored big- or little-endian.
template <typename T> T ValueAt(const std::string& bytes, size_t offset, bool bigEndian)
{
    uint32_t bits = 0;
    for (int b = 0; b < 4; ++b) {
        const auto byte = static_cast<uint8_t>(bytes.at(offset + static_cast<size_t>(b)));
        bits |= static_cast<uint32_t>(byte) << (bigEndian ? 8 * (3 - b) : 8 * b);
    }
    return std::bit_cast<T>(bits);
}

class CliExportTest : public ::testing::Test
{
  protected:
    std::string Path(const std::string& name) const { return (m_dir.Path() / name).string(); }

    // Runs coverage with the exports and the CSV the values are checked against.
    nlohmann::json Export(const std::string& options)
    {
        const CliRun run = RunCli(VP_CLI_PATH,
                                  "coverage " + options + " --vtk " + Path("c.vtk") + " --ply " + Path("c.ply") +
                                      " --voxels " + Path("c.csv"),
                                  m_dir.Path());
        EXPECT_EQ(run.status, 0) << run.err;
        std::istringstream csv(ReadText(Path("c.csv")));
        std::string line;
        std::getline(csv, line);
        while (std::getline(csv, line)) {
            std::vector<std::string> fields;
            std::stringstream row(line);
            for (std::string field; std::getline(row, field, ',');)
                fields.push_back(field);
            m_rows.push_back(fields);
        }
        return nlohmann::json::parse(run.out);
    }

    TempDir m_dir;
    std::vector<std::vector<std::string>> m_rows; // CSV rows by voxel index
};

TEST_F(CliExportTest, VtkHoldsTheGridInTheUserFrame)
{
    const auto report = Export("--voxel 50 --disable 3");
    const std::string vtk = ReadText(Path("c.vtk"));
    std::istringstream header(vtk);
    std::string line;
    std::vector<std::string> lines;
    for (int n = 0; n < 10 && std::getline(header, line); ++n)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "# vtk DataFile Version 3.0");
    EXPECT_EQ(lines[2], "BINARY");
    EXPECT_EQ(lines[3], "DATASET STRUCTURED_POINTS");
    EXPECT_EQ(lines[4], "DIMENSIONS 10 10 10");
    EXPECT_EQ(lines[5], "ORIGIN 0.25 0.25 0.25");
    EXPECT_EQ(lines[6], "SPACING 0.5 0.5 0.5");
    EXPECT_EQ(lines[7], "POINT_DATA 1000");
    EXPECT_EQ(lines[8], "SCALARS seen int 1");
    EXPECT_EQ(lines[9], "LOOKUP_TABLE default");

    // Each array: its two header lines, 1000 big-endian values, a newline.
    const size_t seen = vtk.find("LOOKUP_TABLE default\n") + 21;
    const size_t band = vtk.find("SCALARS map_band int 1\nLOOKUP_TABLE default\n");
    const size_t resolution = vtk.find("SCALARS resolution float 1\nLOOKUP_TABLE default\n");
    ASSERT_EQ(band, seen + 4000 + 1);
    ASSERT_NE(resolution, std::string::npos);
    const size_t resolutionData = resolution + std::strlen("SCALARS resolution float 1\nLOOKUP_TABLE default\n");
    EXPECT_EQ(vtk.size(), resolutionData + 4000 + 1);
    EXPECT_EQ(vtk.find("cameras_marker"), std::string::npos); // no planning options, no planning arrays

    // x fastest over the length, then the height, then the width.
    long long total = 0;
    for (uint32_t k = 0; k < 10; ++k) {
        for (uint32_t j = 0; j < 10; ++j) {
            for (uint32_t i = 0; i < 10; ++i) {
                const size_t p = i + 10 * (j + 10 * k), t = j + 10 * (i + 10 * k);
                const auto& row = m_rows.at(t);
                ASSERT_EQ(ValueAt<int32_t>(vtk, seen + 4 * p, true), std::stoi(row[7])) << t;
                ASSERT_EQ(ValueAt<int32_t>(vtk, band + 44 + 4 * p, true), std::stoi(row[10])) << t;
                const float r = ValueAt<float>(vtk, resolutionData + 4 * p, true);
                ASSERT_EQ(r, std::stof(row[11])) << t;
                total += std::stoi(row[7]);
            }
        }
    }
    EXPECT_GT(total, 0);
    EXPECT_EQ(report["grid"]["voxels"], 1000);
}

TEST_F(CliExportTest, PlyListsTheSeenVoxelsWithTheirMeasures)
{
    const auto report = Export("--voxel 50 --planning");
    const std::string ply = ReadText(Path("c.ply"));
    const size_t end = ply.find("end_header\n");
    ASSERT_NE(end, std::string::npos);
    const std::string header = ply.substr(0, end);
    const long long seen = 1000 - report["seen_histogram"][0].get<long long>();
    EXPECT_EQ(header.rfind("ply\nformat binary_little_endian 1.0\n", 0), 0u);
    EXPECT_NE(header.find("element vertex " + std::to_string(seen) + "\n"), std::string::npos);
    const char* properties[] = {"float x",
                                "float y",
                                "float z",
                                "int seen",
                                "int map_band",
                                "float resolution",
                                "int cameras_marker",
                                "float marker_px_best",
                                "float best_angle_deg",
                                "float sigma3d_mm",
                                "int triangulable"};
    size_t at = 0;
    for (const char* property : properties) {
        at = header.find(std::string("property ") + property + "\n", at);
        ASSERT_NE(at, std::string::npos) << property;
    }
    const size_t record = 4 * std::size(properties), data = end + 11;
    ASSERT_EQ(ply.size(), data + record * static_cast<size_t>(seen));

    // The vertices in voxel order, each at its centre in the user frame.
    size_t v = 0;
    for (size_t t = 0; t < m_rows.size(); ++t) {
        const auto& row = m_rows[t];
        if (row[7] == "0")
            continue;
        const size_t base = data + record * v++;
        const int i = std::stoi(row[1]), j = std::stoi(row[2]), k = std::stoi(row[3]);
        EXPECT_NEAR(ValueAt<float>(ply, base, false), 0.25 + 0.5 * i, 1e-6);
        EXPECT_NEAR(ValueAt<float>(ply, base + 4, false), 0.25 + 0.5 * j, 1e-6);
        EXPECT_NEAR(ValueAt<float>(ply, base + 8, false), 0.25 + 0.5 * k, 1e-6);
        ASSERT_EQ(ValueAt<int32_t>(ply, base + 12, false), std::stoi(row[7]));
        ASSERT_EQ(ValueAt<int32_t>(ply, base + 24, false), std::stoi(row[12]));
        const float sigma = ValueAt<float>(ply, base + 36, false);
        EXPECT_EQ(std::isnan(sigma), row[14].empty());
        ASSERT_EQ(ValueAt<int32_t>(ply, base + 40, false), std::stoi(row[15]));
    }
    EXPECT_EQ(static_cast<long long>(v), seen);
}

} // namespace

TEST_F(CliExportTest, VtkGainsTheInsideObstacleArrayAfterTheOthers)
{
    Export("--voxel 50");
    const std::string plain = ReadText(Path("c.vtk"));
    EXPECT_EQ(plain.find("inside_obstacle"), std::string::npos);

    m_rows.clear();
    Export("--voxel 50 --obstacle-box 1,0,1,2,1.5,2.5");
    const std::string vtk = ReadText(Path("c.vtk"));
    const std::string head = "SCALARS inside_obstacle int 1\nLOOKUP_TABLE default\n";
    const size_t array = vtk.find(head);
    ASSERT_NE(array, std::string::npos);
    const size_t data = array + head.size();
    EXPECT_EQ(vtk.size(), data + 4000 + 1);
    // The arrays before it are those of a file without the new one, in their places.
    EXPECT_EQ(vtk.find("SCALARS resolution float 1\n"), plain.find("SCALARS resolution float 1\n"));

    int inside = 0;
    for (uint32_t k = 0; k < 10; ++k)
        for (uint32_t j = 0; j < 10; ++j)
            for (uint32_t i = 0; i < 10; ++i) {
                const size_t p = i + 10 * (j + 10 * k), t = j + 10 * (i + 10 * k);
                const int32_t value = ValueAt<int32_t>(vtk, data + 4 * p, true);
                ASSERT_EQ(std::to_string(value), m_rows.at(t).at(11)) << t; // the CSV's inside_obstacle
                inside += value;
            }
    // Centres at 1.25 and 1.75 along X and Y at 0.25 .. 1.25, Z 1.25 .. 2.25: 2 x 3 x 3.
    EXPECT_EQ(inside, 18);
}
