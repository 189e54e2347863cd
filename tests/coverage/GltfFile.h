#pragma once

// Reads a glTF file's JSON as any reader would: the JSON chunk of a .glb,
// or the whole .gltf.
#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <string>

inline uint32_t GlbWord(const std::string& bytes, size_t offset)
{
    uint32_t word = 0;
    for (size_t b = 0; b < 4; ++b)
        word |= static_cast<uint32_t>(static_cast<uint8_t>(bytes.at(offset + b))) << (8 * b);
    return word;
}

// Null when the bytes are no glTF 2.0 binary with a JSON chunk first.
inline nlohmann::json GlbJson(const std::string& bytes)
{
    if (bytes.size() < 20 || bytes.compare(0, 4, "glTF") != 0 || GlbWord(bytes, 4) != 2 ||
        GlbWord(bytes, 8) != bytes.size() || GlbWord(bytes, 16) != 0x4E4F534A)
        return nullptr;
    return nlohmann::json::parse(bytes.substr(20, GlbWord(bytes, 12)), nullptr, false);
}

using Vec3 = std::array<double, 3>;

// v turned by the unit quaternion q = (x, y, z, w).
inline Vec3 Rotate(const nlohmann::json& q, const Vec3& v)
{
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    const Vec3 t{2 * (y * v[2] - z * v[1]), 2 * (z * v[0] - x * v[2]), 2 * (x * v[1] - y * v[0])};
    return {v[0] + w * t[0] + (y * t[2] - z * t[1]), v[1] + w * t[1] + (z * t[0] - x * t[2]),
            v[2] + w * t[2] + (x * t[1] - y * t[0])};
}

// The scene's node, camera or mesh named `name`; null when there is none.
inline const nlohmann::json* Named(const nlohmann::json& gltf, const char* list, const std::string& name)
{
    if (!gltf.contains(list))
        return nullptr;
    for (const nlohmann::json& item : gltf[list])
        if (item.value("name", "") == name)
            return &item;
    return nullptr;
}
