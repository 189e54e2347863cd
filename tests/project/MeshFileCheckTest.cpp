// The checks a mesh file passes before the importer sees it, in this
// process: the OBJ scan's limits, and what of a glTF file is checked, kept
// and renumbered.
#include "support/MeshFiles.h"
#include "support/TempDir.h"

#include "project/MeshFileCheck.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

namespace
{

namespace fs = std::filesystem;
using nlohmann::json;

std::optional<std::string> ScanObj(const std::string& text, size_t piece)
{
    CObjScan scan;
    for (size_t at = 0; at < text.size(); at += piece)
        scan.Feed(std::string_view(text).substr(at, piece));
    return scan.Finish();
}

std::string Face(int corners)
{
    std::string face = "f";
    for (int i = 0; i < corners; ++i)
        face += " " + std::to_string(i % 3 + 1);
    return face + "\n";
}

TEST(MeshFileCheckTest, TheObjScanHoldsItsLimitsHoweverTheTextArrives)
{
    const std::string vertices = "# made by hand\n\nv 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const struct {
        std::string text;
        std::optional<std::string> refusal;
    } rows[] = {
        {vertices + Face(3), std::nullopt},
        {vertices + Face(1000), std::nullopt},
        {vertices + Face(1001), "line 6: a face of 1001 corners, more than the 1000 a face may have"},
        // The importer joins a line holding a backslash to the next.
        {vertices + Face(600).substr(0, Face(600).size() - 1) + " \\\n" + Face(600).substr(1),
         "line 7: a face of 1200 corners, more than the 1000 a face may have"},
        {vertices + "f 1 2\nl 1 2 3\n", "the file holds no triangle"},
        {"solid cube\nfacet normal 0 0 1\n", "line 1: \"solid\" is no OBJ statement (not an OBJ file)"},
        {"\n# only a comment\nOFF\n3 1 0\n", "line 3: \"OFF\" is no OBJ statement (not an OBJ file)"},
        // The first statement decides; later unknown ones are passed over.
        {vertices + "unknown 1\n" + Face(4), std::nullopt},
    };
    for (const auto& row : rows) {
        for (const size_t piece : {size_t{1}, size_t{7}, row.text.size()}) {
            SCOPED_TRACE(row.text.substr(0, 40) + " in pieces of " + std::to_string(piece));
            EXPECT_EQ(ScanObj(row.text, piece), row.refusal);
        }
    }
}

class GltfCheckTest : public ::testing::Test
{
  protected:
    void SetUp() override { mesh_files::WriteCubes(m_dir.Path()); }

    std::string Refusal(const std::string& content) const
    {
        const auto checked = CheckGltf(content, m_dir.Path().string());
        return std::holds_alternative<std::string>(checked) ? std::get<std::string>(checked) : "(passed)";
    }
    json Kept(const std::string& content) const
    {
        const auto checked = CheckGltf(content, m_dir.Path().string());
        if (const auto* refusal = std::get_if<std::string>(&checked))
            ADD_FAILURE() << *refusal;
        return std::holds_alternative<CheckedGltf>(checked) ? json::parse(std::get<CheckedGltf>(checked).content)
                                                            : json();
    }

    TempDir m_dir;
};

TEST_F(GltfCheckTest, OnlyWhatPlacesTrianglesIsKeptAndRenumbered)
{
    json document = json::parse(mesh_files::CubeGltf("bin/cube.bin"));
    // An unused node and mesh first, so that what the scene reaches moves up;
    // materials, skins and animations the importer is never handed.
    document["nodes"] = json::array({{{"name", "unused"}, {"mesh", 1}}, {{"mesh", 0}, {"camera", 0}}});
    document["scenes"][0]["nodes"] = {1};
    document["meshes"].push_back({{"primitives", json::array({{{"attributes", {{"POSITION", 7}}}}})}});
    document["meshes"][0]["primitives"][0]["material"] = 0;
    document["meshes"][0]["primitives"][0]["attributes"]["JOINTS_0"] = 9;
    document["materials"] = json::array({{{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 5}}}}}}});
    document["animations"] = json::array({{{"channels", json::array({{{"sampler", 4}}})}}});
    document["skins"] = json::array({{{"joints", {99}}}});
    document["extensionsRequired"] = {"KHR_materials_variants"};
    const json kept = Kept(document.dump());
    const json expected = json::parse(R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],
        "nodes":[{"mesh":0}],
        "meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1,"mode":4}]}],
        "accessors":[{"bufferView":0,"componentType":5126,"count":8,"type":"VEC3"},
                     {"bufferView":1,"componentType":5123,"count":36,"type":"SCALAR"}],
        "bufferViews":[{"buffer":0,"byteLength":96},{"buffer":0,"byteLength":72,"byteOffset":96}],
        "buffers":[{"byteLength":168,"uri":"bin/cube.bin"}]})");
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(std::get<CheckedGltf>(CheckGltf(document.dump(), m_dir.Path().string())).triangles, 12u);
}

TEST_F(GltfCheckTest, EveryReachedObjectIsCheckedAgainstWhatItNames)
{
    const auto edited = [](auto&& edit) {
        json document = json::parse(mesh_files::CubeGltf("bin/cube.bin"));
        edit(document);
        return document.dump();
    };
    EXPECT_EQ(Refusal(edited([](json&) {})), "(passed)");
    EXPECT_EQ(Refusal(edited([](json& d) { d["asset"]["version"] = "2.1"; })), "(passed)");
    const struct {
        std::string content;
        const char* refusal;
    } rows[] = {
        {edited([](json& d) { d["asset"]["version"] = "3.0"; }), "asset.version: \"3.0\": only glTF 2.0 is read"},
        {edited([](json& d) { d["accessors"][0]["count"] = 9; }),
         "accessors[0]: needs 108 bytes of its buffer view, which has 96"},
        {edited([](json& d) { d["bufferViews"][1]["byteLength"] = 73; }),
         "bufferViews[1]: reaches byte 169 of a buffer of 168"},
        {edited([](json& d) { d["bufferViews"][0]["byteStride"] = 8; }),
         "accessors[0]: its elements of 12 bytes overlap at the view's stride of 8"},
        {edited([](json& d) { d["buffers"][0]["byteLength"] = 169; }),
         "buffers[0]: \"bin/cube.bin\" holds 168 bytes, byteLength says 169"},
        {edited([](json& d) { d["meshes"][0]["primitives"][0]["indices"] = 2; }),
         "meshes[0].primitives[0].indices: must be the number of one of the 2 accessors"},
        {edited([](json& d) { d["meshes"][0]["primitives"][0]["attributes"]["NORMAL"] = 1; }),
         "meshes[0].primitives[0].attributes.NORMAL: has 36 elements for 8 positions"},
        {edited([](json& d) { d["accessors"][0]["componentType"] = 5123; }),
         "meshes[0].primitives[0].attributes.POSITION: must be an accessor of VEC3 floats"},
        {edited([](json& d) { d["accessors"][1]["sparse"] = json::object(); }),
         "accessors[1]: sparse accessors are not read"},
        {edited([](json& d) {
             d["nodes"].push_back({{"children", {0}}});
         }),
         "scenes[0].nodes[0]: node 0 is no root or is listed twice"},
        {edited([](json& d) { d["nodes"][0]["children"] = {0}; }), "nodes[0].children[0]: node 0 already has a parent"},
        {edited([](json& d) { d["buffers"][0]["uri"] = "bin/../bin/cube.bin"; }),
         "buffers[0].uri: \"bin/../bin/cube.bin\": only data: URIs and files beside the glTF file are read"},
        {edited([](json& d) { d["buffers"][0]["uri"] = "data:text/plain,abc"; }),
         "buffers[0].uri: only base64 data: URIs are read"},
        {edited([](json& d) { d["buffers"][0]["uri"] = "data:application/octet-stream;base64,AAA*"; }),
         "buffers[0].uri: the data: URI is not valid base64"},
        {edited([](json& d) { d["scenes"] = json::array({json::object()}); }), "the file holds no triangle"},
        {mesh_files::NodeChain(256), "the file holds no triangle"},
        {mesh_files::NodeChain(257), "nodes: nested more than 256 deep (node 256)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.refusal);
        EXPECT_EQ(Refusal(row.content), row.refusal);
    }
}

TEST_F(GltfCheckTest, AGlbKeepsItsBinaryChunkForTheFirstBuffer)
{
    const std::string glb = mesh_files::Glb(mesh_files::CubeGltf(""), mesh_files::CubeBuffer());
    const auto checked = CheckGltf(glb, m_dir.Path().string());
    ASSERT_TRUE(std::holds_alternative<CheckedGltf>(checked)) << std::get<std::string>(checked);
    const std::string& content = std::get<CheckedGltf>(checked).content;
    ASSERT_EQ(content.compare(0, 4, "glTF"), 0);
    EXPECT_EQ(content.size() % 4, 0u);
    EXPECT_NE(content.find(mesh_files::CubeBuffer()), std::string::npos);
    // The container as read back: its length, and a JSON chunk the check takes again.
    uint32_t length = 0;
    std::memcpy(&length, content.data() + 8, 4);
    EXPECT_EQ(length, content.size());
    EXPECT_TRUE(std::holds_alternative<CheckedGltf>(CheckGltf(content, m_dir.Path().string())));

    EXPECT_EQ(Refusal(glb.substr(0, 40)),
              "the GLB container says " + std::to_string(glb.size()) + " bytes, the file has 40");
    EXPECT_EQ(Refusal(mesh_files::Glb(mesh_files::CubeGltf(""), "")), "buffers[0].uri: missing");
    EXPECT_EQ(Refusal(mesh_files::Glb(mesh_files::CubeGltf(""), std::string(100, '\0'))),
              "buffers[0]: the GLB binary chunk holds 100 bytes, byteLength says 168");
}

} // namespace
