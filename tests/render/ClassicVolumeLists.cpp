#include "ClassicVolumeLists.h"

#include "classic/ClassicState.h"
#include "render/SolidBox.h"
#include "scene/DrawColor.h"

#include <optional>
#include <vector>

namespace
{

std::vector<VoxelPaint> ClassicPaint(const CCoverageVolume& volume, VolumeDisplay display, uint32_t n)
{
    const CoverageFilters filters = ClassicFilters();
    switch (display) {
    case VolumeDisplay::Selective:
        return volume.IsoListPaint(filters);
    case VolumeDisplay::Map:
        return volume.MapLayerPaint(n, filters);
    case VolumeDisplay::CountLayers:
        return volume.CountLayerPaint(n, filters);
    }
    return {};
}

} // namespace

void CompileClassicList(const CCoverageVolume& volume, VolumeDisplay display, uint32_t n, GLuint name)
{
    DrawColor* colors = GetDrawColor();
    const float h = volume.GetHalfEdge();
    glNewList(name, GL_COMPILE);
    std::optional<ColorName> current;
    for (const VoxelPaint& voxel : ClassicPaint(volume, display, n)) {
        if (current != voxel.color) {
            glColor3dv(ApplyColor(*colors, voxel.color));
            current = voxel.color;
        }
        const auto c = volume.Centre(voxel.voxel);
        DrawSolidBox(c[0], c[1], c[2], h, h, h, true, true);
    }
    glEndList();
}

GLuint CompileClassicLists(const CCoverageVolume& volume, VolumeDisplay display)
{
    const uint32_t count = CVolumeLists::ListCount(volume, display);
    if (count == 0 || !GetDrawColor())
        return 0;
    const GLuint base = glGenLists(static_cast<GLsizei>(count));
    if (base == 0)
        return 0;
    for (uint32_t n = 0; n < count; ++n)
        CompileClassicList(volume, display, n, base + n);
    return base;
}
