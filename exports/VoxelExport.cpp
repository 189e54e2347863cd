#include "exports/VoxelExport.h"

#include "cameras/CameraSet.h"
#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/PlanningMeasures.h"
#include "project/JsonText.h"
#include "scene/AtomicFile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

namespace
{

// Files are written in pieces of this size, whatever the grid's.
constexpr size_t kChunkBytes = 1u << 20;

// One per-voxel quantity of an export: its name, its type and its value.
struct Field {
    const char* name;
    bool isFloat; // float32, else int32
    std::function<float(size_t)> floatValue;
    std::function<int32_t(size_t)> intValue;
};

std::vector<Field> Fields(const CCoverageVolume& volume, const std::vector<int8_t>& bands,
                          const CPlanningMeasures* planning)
{
    const int camera = volume.GetResolutionCamera();
    std::vector<Field> fields = {
        {"seen", false, {}, [&volume](size_t t) { return static_cast<int32_t>(volume.SeenCount(t)); }},
        {"map_band", false, {}, [&bands](size_t t) { return static_cast<int32_t>(bands[t]); }},
        {"resolution", true, [&volume, camera](size_t t) { return volume.Resolution(camera, t); }, {}},
    };
    if (planning) {
        const CPlanningMeasures& p = *planning;
        fields.push_back(
            {"cameras_marker", false, {}, [&p](size_t t) { return static_cast<int32_t>(p.MarkerCount(t)); }});
        fields.push_back({"marker_px_best", true, [&p](size_t t) { return p.BestMarkerPx(t); }, {}});
        fields.push_back({"best_angle_deg", true, [&p](size_t t) { return p.BestAngleDeg(t); }, {}});
        fields.push_back({"sigma3d_mm", true, [&p](size_t t) { return p.Sigma3d(t); }, {}});
        fields.push_back({"triangulable", false, {}, [&p](size_t t) { return p.Triangulable(t) ? 1 : 0; }});
        fields.push_back({"occluded_deg", true, [&p](size_t t) { return p.OccludedDeg(t); }, {}});
    }
    return fields;
}

// Appends a 32-bit value in the byte order asked for.
template <typename T> void Append(std::string& out, T value, bool bigEndian)
{
    static_assert(sizeof(T) == 4);
    uint32_t bits = std::bit_cast<uint32_t>(value);
    if (bigEndian != (std::endian::native == std::endian::big))
        bits = ((bits & 0xffu) << 24) | ((bits & 0xff00u) << 8) | ((bits >> 8) & 0xff00u) | (bits >> 24);
    char bytes[4];
    std::memcpy(bytes, &bits, 4);
    out.append(bytes, 4);
}

// Writes whenever the buffer has grown past a chunk; false once a write failed.
bool Flush(AtomicFile& file, std::string& buffer, bool force)
{
    if (buffer.size() < kChunkBytes && !force)
        return true;
    const bool ok = file.Write(buffer);
    buffer.clear();
    return ok;
}

} // namespace

SaveResult WriteVoxelTable(const std::string& path, const CCoverageVolume& volume, const CoverageInput& input,
                           const CPlanningMeasures* planning)
{
    const uint32_t cameraCount = input.cameraCount;
    const size_t n = volume.GetVoxelCount();
    std::vector<bool> inIsoList(n, false);
    for (uint32_t e = 0; e < volume.GetIsoCount(); ++e)
        inIsoList[volume.IsoIndex(e)] = true;
    const CoverageFilters& filters = input.filters;
    const std::vector<int8_t> bands = volume.MapBands(filters);
    const auto measure = [](float value) { return std::isnan(value) ? std::string() : ShortestText(value); };

    AtomicFile file(path);
    if (!file.Open())
        return file.Result();
    std::string text = "t,i,j,k,x,y,z,seen,iso_list,iso_condition,map_band";
    const bool obstacles = volume.GetOcclusion() != nullptr;
    if (obstacles)
        text += ",inside_obstacle";
    if (planning)
        text += ",marker_px_best,cameras_marker,best_angle_deg,sigma3d_mm,triangulable,occluded_deg";
    for (uint32_t c = 1; c <= cameraCount; ++c)
        text += ",r" + std::to_string(c);
    text += '\n';
    const uint32_t nx = volume.GetCountX(), ny = volume.GetCountY();
    // Only the resolution camera's values are held: the others are computed
    // a block of voxels at a time.
    constexpr size_t kBlock = 4096;
    std::vector<float> values(static_cast<size_t>(cameraCount) * kBlock);
    bool ok = true;
    for (size_t first = 0; first < n && ok; first += kBlock) {
        const size_t count = std::min(kBlock, n - first);
        for (uint32_t c = 0; c < cameraCount; ++c)
            volume.FillResolution(static_cast<int>(c), first, count, &values[c * kBlock]);
        for (size_t t = first; t < first + count; ++t) {
            const size_t j = t % ny, i = (t / ny) % nx, k = t / ny / nx;
            const auto centre = volume.Centre(t);
            text += std::to_string(t) + ',' + std::to_string(i) + ',' + std::to_string(j) + ',' + std::to_string(k) +
                    ',' + ShortestText(centre[0]) + ',' + ShortestText(centre[1]) + ',' + ShortestText(centre[2]) +
                    ',' + std::to_string(volume.SeenCount(t)) + ',' + (inIsoList[t] ? '1' : '0') + ',' +
                    (volume.IsoHoldsAt(t, filters) ? '1' : '0') + ',' + std::to_string(bands[t]);
            if (obstacles)
                text += volume.InsideObstacle(t) ? ",1" : ",0";
            if (planning)
                text += ',' + measure(planning->BestMarkerPx(t)) + ',' + std::to_string(planning->MarkerCount(t)) +
                        ',' + measure(planning->BestAngleDeg(t)) + ',' + measure(planning->Sigma3d(t)) + ',' +
                        (planning->Triangulable(t) ? '1' : '0') + ',' + measure(planning->OccludedDeg(t));
            for (uint32_t c = 0; c < cameraCount; ++c) {
                text += ',';
                const float r = values[c * kBlock + (t - first)];
                if (!std::isnan(r))
                    text += ShortestText(r);
            }
            text += '\n';
        }
        ok = Flush(file, text, false);
    }
    if (ok && Flush(file, text, true))
        file.Commit();
    return file.Result();
}

SaveResult WriteVtk(const std::string& path, const CCoverageVolume& volume, const CoverageInput& input,
                    const CPlanningMeasures* planning)
{
    const std::vector<int8_t> bands = volume.MapBands(input.filters);
    std::vector<Field> fields = Fields(volume, bands, planning);
    // With obstacles an array of its own after the others, which stay as they were.
    if (volume.GetOcclusion())
        fields.push_back(
            {"inside_obstacle", false, {}, [&volume](size_t t) { return volume.InsideObstacle(t) ? 1 : 0; }});
    const uint32_t nx = volume.GetCountX(), ny = volume.GetCountY(), nz = volume.GetCountZ();
    if (volume.GetVoxelCount() == 0)
        return {false, "the grid has no voxels"};
    // The first voxel's centre in the user frame, and the float edge the grid steps by.
    const auto first = volume.Centre(0);
    const Vec3d origin = input.cameras.ToUser({first[0], first[1], first[2]});
    const std::string edge = ShortestText(volume.GetVoxelEdge());
    AtomicFile file(path);
    if (!file.Open())
        return file.Result();
    // x fastest: user X (the length), then Y (the height), then Z (the width).
    std::string out = "# vtk DataFile Version 3.0\nVolume Planner coverage, user frame in metres\nBINARY\n"
                      "DATASET STRUCTURED_POINTS\nDIMENSIONS " +
                      std::to_string(nx) + " " + std::to_string(ny) + " " + std::to_string(nz) + "\nORIGIN " +
                      ShortestText(static_cast<float>(origin.x)) + " " + ShortestText(static_cast<float>(origin.y)) +
                      " " + ShortestText(static_cast<float>(origin.z)) + "\nSPACING " + edge + " " + edge + " " + edge +
                      "\nPOINT_DATA " + std::to_string(volume.GetVoxelCount()) + "\n";
    bool ok = true;
    for (const Field& field : fields) {
        out +=
            std::string("SCALARS ") + field.name + (field.isFloat ? " float" : " int") + " 1\nLOOKUP_TABLE default\n";
        for (uint32_t k = 0; k < nz && ok; ++k) {
            for (uint32_t j = 0; j < ny; ++j) {
                for (uint32_t i = 0; i < nx; ++i) {
                    const size_t t = volume.VoxelIndex(i, j, k);
                    if (field.isFloat)
                        Append(out, field.floatValue(t), true);
                    else
                        Append(out, field.intValue(t), true);
                }
            }
            ok = Flush(file, out, false);
        }
        out += '\n';
    }
    if (ok && Flush(file, out, true))
        file.Commit();
    return file.Result();
}

SaveResult WritePly(const std::string& path, const CCoverageVolume& volume, const CoverageInput& input,
                    const CPlanningMeasures* planning)
{
    const std::vector<int8_t> bands = volume.MapBands(input.filters);
    const std::vector<Field> fields = Fields(volume, bands, planning);
    const double ox = input.cameras.GetUserOriginX(), oy = input.cameras.GetUserOriginY(),
                 oz = input.cameras.GetUserOriginZ();
    const size_t n = volume.GetVoxelCount();
    size_t seen = 0;
    for (size_t t = 0; t < n; ++t)
        seen += volume.SeenCount(t) > 0 ? 1 : 0;

    AtomicFile file(path);
    if (!file.Open())
        return file.Result();
    std::string out = "ply\nformat binary_little_endian 1.0\n"
                      "comment Volume Planner coverage: the voxels at least one camera sees\n"
                      "comment user frame in metres: x along the length, y above the floor, z across the width\n"
                      "element vertex " +
                      std::to_string(seen) + "\nproperty float x\nproperty float y\nproperty float z\n";
    for (const Field& field : fields)
        out += std::string("property ") + (field.isFloat ? "float " : "int ") + field.name + "\n";
    out += "end_header\n";
    bool ok = true;
    for (size_t t = 0; t < n && ok; ++t) {
        if (volume.SeenCount(t) == 0)
            continue;
        const auto c = volume.Centre(t);
        Append(out, static_cast<float>(c[0] - ox), false);
        Append(out, static_cast<float>(c[1] + oy), false);
        Append(out, static_cast<float>(oz - c[2]), false);
        for (const Field& field : fields) {
            if (field.isFloat)
                Append(out, field.floatValue(t), false);
            else
                Append(out, field.intValue(t), false);
        }
        ok = Flush(file, out, false);
    }
    if (ok && Flush(file, out, true))
        file.Commit();
    return file.Result();
}
