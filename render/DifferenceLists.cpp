#include "render/DifferenceLists.h"

#include "classic/ClassicParameters.h"
#include "coverage/CoverageVolume.h"
#include "coverage/asbuilt/CoverageDifference.h"
#include "render/SolidBox.h"
#include "scene/DrawColor.h"

#include <algorithm>
#include <vector>

void CDifferenceLists::Build(const CCoverageVolume& volume, const CCoverageDifference& difference)
{
    DeleteLists();
    const uint32_t layers = volume.GetCountY();
    if (!volume.HasResults() || difference.GetVoxelCount() != volume.GetVoxelCount() || layers == 0)
        return;
    m_nListBase = glGenLists(static_cast<GLsizei>(layers));
    if (m_nListBase == 0)
        return;
    m_nLayers = static_cast<GLsizei>(layers);
    const float h = volume.GetHalfEdge();
    for (uint32_t j = 0; j < layers; ++j) {
        glNewList(m_nListBase + j, GL_COMPILE);
        const std::vector<DifferenceVoxelPaint> paint = DifferenceLayerPaint(volume, difference, j);
        m_aLayerCounts.push_back(paint.size());
        for (const DifferenceVoxelPaint& voxel : paint) {
            glColor3fv(voxel.change == CCoverageDifference::Change::Lost ? kLostColor.data() : kGainedColor.data());
            const auto c = volume.Centre(voxel.voxel);
            DrawSolidBox(c[0], c[1], c[2], h, h, h, true, true);
        }
        glEndList();
    }
}

void CDifferenceLists::DeleteLists()
{
    if (m_nListBase != 0)
        glDeleteLists(m_nListBase, m_nLayers);
    m_nListBase = 0;
    m_nLayers = 0;
    m_aLayerCounts.clear();
}

std::vector<int> CDifferenceLists::ShownLayers(const CCoverageVolume& volume) const
{
    const std::vector<int>& ids = volume.LayerIds();
    const GLsizei shown =
        std::clamp<GLsizei>(volume.GetShownLayers(), 0, std::min<GLsizei>(m_nLayers, static_cast<GLsizei>(ids.size())));
    return std::vector<int>(ids.begin(), ids.begin() + shown);
}

uint64_t CDifferenceLists::CountDrawn(const CCoverageVolume& volume) const
{
    uint64_t count = 0;
    for (const int layer : ShownLayers(volume))
        if (layer >= 0 && static_cast<size_t>(layer) < m_aLayerCounts.size())
            count += m_aLayerCounts[static_cast<size_t>(layer)];
    return count;
}

void CDifferenceLists::Draw(const CCoverageVolume& volume) const
{
    glPointSize(g_fVoxelPointSize);
    const std::vector<int> shown = ShownLayers(volume);
    if (m_nListBase != 0 && !shown.empty()) {
        glPushAttrib(GL_LIST_BIT);
        glListBase(m_nListBase);
        glCallLists(static_cast<GLsizei>(shown.size()), GL_INT, shown.data());
        glPopAttrib();
    }
    glPointSize(1.0f);
    if (DrawColor* colors = GetDrawColor())
        glColor3dv(colors->White());
}
