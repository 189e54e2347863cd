#pragma once

// Mesh files for the tests, written where a test wants them: a unit cube in
// each form the reader takes, and files of the kinds a user may be sent or
// download that the reader must refuse, each with the words its refusal
// gives.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace mesh_files
{

inline void Write(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Base64(const std::string& bytes)
{
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t v = static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size())
            v |= static_cast<uint8_t>(bytes[i + 2]);
        out += digits[(v >> 18) & 63];
        out += digits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[v & 63] : '=';
    }
    return out;
}

// The unit cube: 8 corners, 12 outward triangles.
inline const double kCorners[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                      {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
inline const int kFaces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                  {3, 7, 6}, {3, 6, 2}, {0, 4, 7}, {0, 7, 3}, {1, 2, 6}, {1, 6, 5}};

inline std::string CubeObj()
{
    std::string text = "# unit cube\n";
    for (const auto& c : kCorners)
        text += "v " + std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]) + "\n";
    for (const auto& f : kFaces)
        text +=
            "f " + std::to_string(f[0] + 1) + " " + std::to_string(f[1] + 1) + " " + std::to_string(f[2] + 1) + "\n";
    return text;
}

// The cube's 8 corners as floats, then its 36 corner numbers as 16-bit
// whole numbers: 96 + 72 bytes.
inline std::string CubeBuffer()
{
    std::string bytes;
    for (const auto& c : kCorners) {
        for (const double v : c) {
            const float f = static_cast<float>(v);
            bytes.append(reinterpret_cast<const char*>(&f), sizeof f);
        }
    }
    for (const auto& face : kFaces) {
        for (const int v : face) {
            const uint16_t i = static_cast<uint16_t>(v);
            bytes.append(reinterpret_cast<const char*>(&i), sizeof i);
        }
    }
    return bytes;
}

// glTF 2.0 JSON of the cube, its buffer named by `uri` (absent for a GLB's
// binary chunk); `nodeExtra` goes into the node.
inline std::string CubeGltf(const std::string& uri, const std::string& nodeExtra = "")
{
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
           R"("nodes":[{"mesh":0)" +
           nodeExtra +
           R"(}],"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1,"mode":4}]}],)"
           R"("accessors":[{"bufferView":0,"componentType":5126,"count":8,"type":"VEC3"},)"
           R"({"bufferView":1,"componentType":5123,"count":36,"type":"SCALAR"}],)"
           R"("bufferViews":[{"buffer":0,"byteLength":96},{"buffer":0,"byteOffset":96,"byteLength":72}],)"
           R"("buffers":[{"byteLength":168)" +
           (uri.empty() ? std::string() : R"(,"uri":")" + uri + "\"") + "}]}";
}

inline std::string CubeGltfEmbedded()
{
    return CubeGltf("data:application/octet-stream;base64," + Base64(CubeBuffer()));
}

inline std::string Glb(std::string json, std::string bin, uint32_t version = 2)
{
    while (json.size() % 4 != 0)
        json += ' ';
    while (bin.size() % 4 != 0)
        bin += '\0';
    auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    const uint32_t total = static_cast<uint32_t>(12 + 8 + json.size() + (bin.empty() ? 0 : 8 + bin.size()));
    std::string out = "glTF" + u32(version) + u32(total) + u32(static_cast<uint32_t>(json.size())) + "JSON" + json;
    if (!bin.empty())
        out += u32(static_cast<uint32_t>(bin.size())) + std::string("BIN\0", 4) + bin;
    return out;
}

// The cube in every form the reader takes, each of 12 triangles.
inline std::vector<std::string> WriteCubes(const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir / "bin");
    Write(dir / "cube.obj", CubeObj());
    Write(dir / "cube.gltf", CubeGltfEmbedded());
    Write(dir / "cube.glb", Glb(CubeGltf(""), CubeBuffer()));
    Write(dir / "bin" / "cube.bin", CubeBuffer());
    Write(dir / "beside.gltf", CubeGltf("bin/cube.bin"));
    return {"cube.obj", "cube.gltf", "cube.glb", "beside.gltf"};
}

struct Hostile {
    std::string file;
    std::string reason; // words the refusal holds
};

inline std::string NodeChain(size_t nodes)
{
    std::string list;
    for (size_t i = 0; i < nodes; ++i)
        list += (i ? "," : "") + (i + 1 < nodes ? R"({"children":[)" + std::to_string(i + 1) + "]}" : "{}");
    return R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"nodes":[)" + list + "]}";
}

// Files the reader must refuse. `large` adds those of many megabytes (a
// face list past the triangle limit, a polygon of 100,000 corners).
inline std::vector<Hostile> WriteHostile(const std::filesystem::path& dir, bool large = true)
{
    namespace fs = std::filesystem;
    fs::create_directories(dir);
    std::vector<Hostile> files;
    auto add = [&](const std::string& name, const std::string& bytes, const std::string& reason) {
        Write(dir / name, bytes);
        files.push_back({name, reason});
    };
    const std::string only2 = "only glTF 2.0 is read";
    // glTF 1.0: an accessor without a buffer view, a view without a length.
    add("gltf1_accessor.gltf",
        R"({"asset":{"version":"1.0"},"scene":"s","scenes":{"s":{"nodes":["n"]}},"nodes":{"n":{"meshes":["m"]}},)"
        R"("meshes":{"m":{"primitives":[{"attributes":{"POSITION":"a"}}]}},)"
        R"("accessors":{"a":{"componentType":5126,"count":3,"type":"VEC3"}}})",
        only2);
    add("gltf1_view.gltf",
        R"({"asset":{"version":"1.0"},"buffers":{"b":{"uri":"data:,"}},"bufferViews":{"v":{"buffer":"b"}}})", only2);
    add("gltf1.glb", Glb(R"({"asset":{"version":"1.0"}})", "", 1), only2);
    // glTF 2.0 with the same holes.
    add("no_view.gltf",
        R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
        R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
        R"("accessors":[{"componentType":5126,"count":3,"type":"VEC3"}]})",
        "accessors[0].bufferView: missing");
    add("no_length.gltf",
        R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
        R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
        R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"}],)"
        R"("bufferViews":[{"buffer":0}],"buffers":[{"byteLength":36,"uri":"data:application/octet-stream;base64,)" +
            Base64(std::string(36, '\0')) + R"("}]})",
        "bufferViews[0].byteLength: missing");
    add("deep.gltf", NodeChain(20000), "nested more than 256 deep");
    add("loop.gltf", R"({"asset":{"version":"2.0"},"nodes":[{"children":[1]},{"children":[0]}]})", "loop");
    add("nested.gltf",
        R"({"asset":{"version":"2.0"},"extras":)" + std::string(100000, '[') + std::string(100000, ']') + "}",
        "nested more than 64 levels deep");
    // Other formats under a glTF or OBJ name.
    const std::string notGltf = "neither glTF JSON nor a GLB container";
    add("ply.gltf",
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
        "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
        notGltf);
    add("stl.gltf",
        "solid cube\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n   vertex 1 0 0\n"
        "   vertex 0 1 0\n  endloop\n endfacet\nendsolid cube\n",
        notGltf);
    add("off.glb", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", notGltf);
    add("x.gltf", "xof 0303txt 0032\nMesh {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,1,2;;\n}\n", notGltf);
    add("ply.obj", "ply\nformat ascii 1.0\nelement vertex 3\nend_header\n0 0 0\n", "no OBJ statement");
    add("md2.obj", std::string("IDP2\x08\0\0\0", 8) + std::string(60, '\x01'), "no OBJ statement");
    // Buffers that are not beside the file, or not files.
    const std::string beside = "only data: URIs and files beside the glTF file are read";
    add("parent.gltf", CubeGltf("../../../../../../etc/passwd"), beside);
    add("absolute.gltf", CubeGltf("/etc/passwd"), beside);
    add("scheme.gltf", CubeGltf("file:///etc/passwd"), beside);
    add("escaped.gltf", CubeGltf("%2E%2E/%2E%2E/%2E%2E/etc/passwd"), beside);
    fs::remove(dir / "outside.bin");
    fs::create_symlink("/etc/passwd", dir / "outside.bin");
    add("link.gltf", CubeGltf("outside.bin"), beside);
    fs::remove(dir / "pipe.bin");
    ::mkfifo((dir / "pipe.bin").c_str(), 0600);
    add("fifo.gltf", CubeGltf("pipe.bin"), "not a regular file");
    fs::remove(dir / "pipe.obj");
    ::mkfifo((dir / "pipe.obj").c_str(), 0600);
    files.push_back({"pipe.obj", "not a regular file"});
    // Numbers: not finite, or placing vertices past what a float holds.
    add("infinite.gltf",
        CubeGltf("data:application/octet-stream;base64," + Base64(CubeBuffer()), R"(,"scale":[1e400,1,1])"),
        "the file's JSON cannot be read: number overflow parsing '1e400'");
    add("far.gltf",
        CubeGltf("data:application/octet-stream;base64," + Base64(CubeBuffer()), R"(,"translation":[1e39,0,0])"),
        "a vertex is not a finite number");
    // More triangles than a mesh may have: 5,000,001 from 15,000,003
    // corner numbers of a byte each, in a buffer of zeros beside the file.
    const uint64_t corners = 15'000'003;
    {
        std::ofstream(dir / "zeros.bin", std::ios::binary).close();
        fs::resize_file(dir / "zeros.bin", 12 + corners);
    }
    add("indices.gltf",
        R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
        R"("meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],)"
        R"("accessors":[{"bufferView":0,"componentType":5126,"count":1,"type":"VEC3"},)"
        R"({"bufferView":1,"componentType":5121,"count":)" +
            std::to_string(corners) +
            R"(,"type":"SCALAR"}],)"
            R"("bufferViews":[{"buffer":0,"byteLength":12},{"buffer":0,"byteOffset":12,"byteLength":)" +
            std::to_string(corners) + R"(}],"buffers":[{"byteLength":)" + std::to_string(12 + corners) +
            R"(,"uri":"zeros.bin"}]})",
        "more than 5000000 triangles");
    if (large) {
        std::string faces = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
        faces.reserve(faces.size() + 8 * 5'000'001);
        for (int i = 0; i < 5'000'001; ++i)
            faces += "f 1 2 3\n";
        add("faces.obj", faces, "more than 5000000 triangles");
        std::string polygon = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf";
        for (int i = 0; i < 100000; ++i)
            polygon += " " + std::to_string(i % 3 + 1);
        add("polygon.obj", polygon + "\n", "a face of 100000 corners, more than the 1000");
    }
    return files;
}

} // namespace mesh_files
