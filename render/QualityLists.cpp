#include "render/QualityLists.h"

#include "classic/ClassicParameters.h"
#include "coverage/CoverageVolume.h"
#include "render/SolidBox.h"
#include "scene/DrawColor.h"

#include <algorithm>
#include <vector>

void CQualityLists::Build(const CCoverageVolume& volume, const CPlanningMeasures& planning, PlanningMeasure measure,
                          const std::optional<QualityThreshold>& threshold)
{
    DeleteLists();
    m_scale = ComputeQualityScale(planning, measure);
    const uint32_t layers = volume.GetCountY();
    if (!volume.HasResults() || !planning.HasResults() || layers == 0)
        return;
    m_nListBase = glGenLists(static_cast<GLsizei>(layers));
    if (m_nListBase == 0)
        return;
    m_nLayers = static_cast<GLsizei>(layers);
    const float h = volume.GetHalfEdge();
    for (uint32_t j = 0; j < layers; ++j) {
        glNewList(m_nListBase + j, GL_COMPILE);
        // Neighbours often share a colour: it is issued only when it changes.
        std::optional<QualityRgb> current;
        for (const QualityVoxelPaint& voxel : QualityLayerPaint(volume, planning, measure, m_scale, threshold, j)) {
            if (current != voxel.color) {
                glColor3fv(voxel.color.data());
                current = voxel.color;
            }
            const auto c = volume.Centre(voxel.voxel);
            DrawSolidBox(c[0], c[1], c[2], h, h, h, true, true);
        }
        glEndList();
    }
}

void CQualityLists::DeleteLists()
{
    if (m_nListBase != 0)
        glDeleteLists(m_nListBase, m_nLayers);
    m_nListBase = 0;
    m_nLayers = 0;
}

void CQualityLists::Draw(const CCoverageVolume& volume) const
{
    glPointSize(g_fVoxelPointSize);
    const std::vector<int>& ids = volume.LayerIds();
    const GLsizei shown =
        std::clamp<GLsizei>(volume.GetShownLayers(), 0, std::min<GLsizei>(m_nLayers, static_cast<GLsizei>(ids.size())));
    if (m_nListBase != 0 && shown > 0) {
        glPushAttrib(GL_LIST_BIT);
        glListBase(m_nListBase);
        glCallLists(shown, GL_INT, ids.data());
        glPopAttrib();
    }
    glPointSize(1.0f);
    if (DrawColor* colors = GetDrawColor())
        glColor3dv(colors->White());
}
