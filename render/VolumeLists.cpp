#include "render/VolumeLists.h"

#include "render/SolidBox.h"
#include "scene/DrawColor.h"

#include <algorithm>
#include <optional>

namespace {

// Each voxel becomes one box filling it exactly, in its band or count colour.
// The colour is only re-issued when it changes: that keeps the lists smaller
// without changing what they draw.
void CompileVoxels(const CCoverageVolume& volume, const std::vector<VoxelPaint>& paint, DrawColor& colors)
{
    const float h = volume.GetHalfEdge();
    std::optional<ColorName> current;
    for (const VoxelPaint& voxel : paint) {
        if (current != voxel.color) {
            glColor3dv(ApplyColor(colors, voxel.color));
            current = voxel.color;
        }
        const auto c = volume.Centre(voxel.voxel);
        DrawSolidBox(c[0], c[1], c[2], h, h, h, true, true);
    }
}

// Compiles one list per layer from `base`; returns the base (0 when there is nothing to compile).
template <typename LayerPaint>
GLuint CompileLayers(const CCoverageVolume& volume, LayerPaint layerPaint)
{
    DrawColor* colors = GetDrawColor();
    const uint32_t layers = volume.GetCountY();
    if (!colors || !volume.HasResults() || layers == 0)
        return 0;
    const GLuint base = glGenLists(static_cast<GLsizei>(layers));
    if (base == 0)
        return 0;
    for (uint32_t j = 0; j < layers; ++j) {
        glNewList(base + j, GL_COMPILE);
        CompileVoxels(volume, layerPaint(j), *colors);
        glEndList();
    }
    return base;
}

} // namespace

void CVolumeLists::BuildIsoList(const CCoverageVolume& volume)
{
    DrawColor* colors = GetDrawColor();
    if (!colors || !volume.HasResults())
        return;
    m_nIsoList = glGenLists(1);
    if (m_nIsoList == 0)
        return;
    glNewList(m_nIsoList, GL_COMPILE);
    CompileVoxels(volume, volume.IsoListPaint(), *colors);
    glEndList();
}

void CVolumeLists::BuildMapLists(const CCoverageVolume& volume)
{
    m_nMapListBase = CompileLayers(volume, [&](uint32_t j) { return volume.MapLayerPaint(j); });
    m_nMapLayers = m_nMapListBase != 0 ? static_cast<GLsizei>(volume.GetCountY()) : 0;
}

void CVolumeLists::BuildCountLists(const CCoverageVolume& volume)
{
    m_nCountListBase = CompileLayers(volume, [&](uint32_t j) { return volume.CountLayerPaint(j); });
    m_nCountLayers = m_nCountListBase != 0 ? static_cast<GLsizei>(volume.GetCountY()) : 0;
}

void CVolumeLists::ReserveLayerLists(const CCoverageVolume& volume)
{
    const uint32_t layers = volume.GetCountY();
    if (!GetDrawColor() || !volume.HasResults() || layers == 0)
        return;
    m_nMapListBase = glGenLists(static_cast<GLsizei>(layers));
    m_nMapLayers = m_nMapListBase != 0 ? static_cast<GLsizei>(layers) : 0;
    m_nCountListBase = glGenLists(static_cast<GLsizei>(layers));
    m_nCountLayers = m_nCountListBase != 0 ? static_cast<GLsizei>(layers) : 0;
}

void CVolumeLists::BuildMapLayer(const CCoverageVolume& volume, uint32_t j)
{
    DrawColor* colors = GetDrawColor();
    if (!colors || m_nMapListBase == 0 || j >= static_cast<uint32_t>(m_nMapLayers))
        return;
    glNewList(m_nMapListBase + j, GL_COMPILE);
    CompileVoxels(volume, volume.MapLayerPaint(j), *colors);
    glEndList();
}

void CVolumeLists::BuildCountLayer(const CCoverageVolume& volume, uint32_t j)
{
    DrawColor* colors = GetDrawColor();
    if (!colors || m_nCountListBase == 0 || j >= static_cast<uint32_t>(m_nCountLayers))
        return;
    glNewList(m_nCountListBase + j, GL_COMPILE);
    CompileVoxels(volume, volume.CountLayerPaint(j), *colors);
    glEndList();
}

void CVolumeLists::DeleteLists()
{
    if (m_nIsoList != 0)
        glDeleteLists(m_nIsoList, 1);
    if (m_nMapListBase != 0)
        glDeleteLists(m_nMapListBase, m_nMapLayers);
    if (m_nCountListBase != 0)
        glDeleteLists(m_nCountListBase, m_nCountLayers);
    m_nIsoList = 0;
    m_nMapListBase = 0;
    m_nCountListBase = 0;
    m_nMapLayers = 0;
    m_nCountLayers = 0;
}

void CVolumeLists::DrawIsoList() const
{
    glPointSize(g_fVoxelPointSize);
    if (m_nIsoList != 0)
        glCallList(m_nIsoList);
    glPointSize(1.0f);
    if (DrawColor* colors = GetDrawColor())
        glColor3dv(colors->White());
}

void CVolumeLists::DrawLayers(const CCoverageVolume& volume, GLuint base, GLsizei layers) const
{
    glPointSize(g_fVoxelPointSize);
    const std::vector<int>& ids = volume.LayerIds();
    // A shown-layer count beyond the compiled layers draws all of them.
    const GLsizei shown = std::clamp<GLsizei>(volume.GetShownLayers(), 0,
                                              std::min<GLsizei>(layers, static_cast<GLsizei>(ids.size())));
    if (base != 0 && shown > 0) {
        glPushAttrib(GL_LIST_BIT);
        glListBase(base);
        glCallLists(shown, GL_INT, ids.data());
        glPopAttrib();
    }
    glPointSize(1.0f);
}

void CVolumeLists::DrawMapLists(const CCoverageVolume& volume) const
{
    if (DrawColor* colors = GetDrawColor())
        glColor3dv(colors->White());
    DrawLayers(volume, m_nMapListBase, m_nMapLayers);
}

void CVolumeLists::DrawCountLists(const CCoverageVolume& volume) const
{
    DrawLayers(volume, m_nCountListBase, m_nCountLayers);
}
