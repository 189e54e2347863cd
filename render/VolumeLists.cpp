#include "render/VolumeLists.h"

#include "classic/ClassicParameters.h"
#include "classic/ClassicState.h"
#include "render/SolidBox.h"
#include "scene/DrawColor.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

namespace
{

// The faces of a display's boxes that no ray from outside the volume can
// reach before an outer face nearer by a voxel edge or more: a face between
// two drawn boxes whose 18 boxes around it (the two, and their neighbours
// along the face's two axes, diagonals included) are all drawn. Such a face
// never wins the depth test, not even a tie, so leaving it out draws the same
// picture. A face nearer the outside can tie with an outer face along their
// common edge (depth test less-or-equal) and stays. Only the boxes of the
// layers [first, first + count) are known; those beyond count as not drawn.
class CHiddenFaces
{
  public:
    CHiddenFaces(const CCoverageVolume& volume, uint32_t firstLayer, uint32_t layerCount,
                 std::initializer_list<const std::vector<VoxelPaint>*> paints)
        : m_nCount{volume.GetCountX(), volume.GetCountY(), volume.GetCountZ()}, m_nFirstLayer(firstLayer),
          m_nLayers(layerCount)
    {
        // The index grows along +x, +y or +z or against it, by axis.
        for (int axis = 0; axis < 3; ++axis) {
            if (m_nCount[axis] < 2)
                continue;
            uint32_t second[3] = {0, 0, 0};
            second[axis] = 1;
            const float from = volume.Centre(volume.VoxelIndex(0, 0, 0))[axis];
            const float to = volume.Centre(volume.VoxelIndex(second[0], second[1], second[2]))[axis];
            m_nStep[axis] = to > from ? 1 : -1;
        }
        m_abDrawn.assign(static_cast<size_t>(m_nCount[0]) * m_nLayers * m_nCount[2], false);
        for (const std::vector<VoxelPaint>* paint : paints)
            for (const VoxelPaint& voxel : *paint) {
                const uint32_t row = voxel.voxel / m_nCount[1];
                m_abDrawn[Bit(row % m_nCount[0], voxel.voxel % m_nCount[1], row / m_nCount[0])] = true;
            }
    }

    // Bit f set for each hidden face f of the box (in kSolidBoxIndices'
    // order: +z, -z, -x, +x, -y, +y).
    unsigned Faces(uint32_t t) const
    {
        const uint32_t row = t / m_nCount[1];
        const int64_t cell[3] = {row % m_nCount[0], t % m_nCount[1], row / m_nCount[0]};
        constexpr int kFaceAxis[6] = {2, 2, 0, 0, 1, 1};
        constexpr int kFaceSide[6] = {1, -1, -1, 1, -1, 1};
        unsigned hidden = 0;
        for (int f = 0; f < 6; ++f) {
            const int axis = kFaceAxis[f];
            const int64_t across = kFaceSide[f] * m_nStep[axis];
            const int u = (axis + 1) % 3, v = (axis + 2) % 3;
            bool all = true;
            for (int64_t a = 0; a <= 1 && all; ++a)
                for (int64_t du = -1; du <= 1 && all; ++du)
                    for (int64_t dv = -1; dv <= 1 && all; ++dv) {
                        int64_t next[3] = {cell[0], cell[1], cell[2]};
                        next[axis] += a * across;
                        next[u] += du;
                        next[v] += dv;
                        all = IsDrawn(next);
                    }
            if (all)
                hidden |= 1u << f;
        }
        return hidden;
    }

  private:
    size_t Bit(int64_t i, int64_t j, int64_t k) const
    {
        return static_cast<size_t>(j - m_nFirstLayer + m_nLayers * (i + m_nCount[0] * k));
    }

    bool IsDrawn(const int64_t (&cell)[3]) const
    {
        for (int axis = 0; axis < 3; ++axis)
            if (cell[axis] < 0 || cell[axis] >= m_nCount[axis])
                return false;
        if (cell[1] < m_nFirstLayer || cell[1] >= m_nFirstLayer + m_nLayers)
            return false;
        return m_abDrawn[Bit(cell[0], cell[1], cell[2])];
    }

    int64_t m_nCount[3];
    int64_t m_nFirstLayer;
    int64_t m_nLayers;
    int m_nStep[3] = {1, 1, 1};
    std::vector<bool> m_abDrawn;
};

// Boxes gathered into one element draw: the same vertices, normals and
// quads, in the same order, as drawing them one by one.
class CBoxBatch
{
  public:
    // Small enough for the arrays to come from the heap rather than fresh
    // pages for every list.
    static constexpr size_t kBoxes = 512;

    CBoxBatch()
    {
        m_aCorners.reserve(24 * kBoxes);
        m_aNormals.reserve(24 * kBoxes);
        m_aIndices.reserve(24 * kBoxes);
    }

    void Add(const CSolidBoxArrays& box, unsigned skippedFaces)
    {
        const auto first = static_cast<GLuint>(m_aCorners.size() / 3);
        m_aCorners.insert(m_aCorners.end(), std::begin(box.m_corners), std::end(box.m_corners));
        m_aNormals.insert(m_aNormals.end(), std::begin(box.m_normals), std::end(box.m_normals));
        for (int f = 0; f < 6; ++f)
            if ((skippedFaces & (1u << f)) == 0)
                for (int v = 0; v < 4; ++v)
                    m_aIndices.push_back(first + kSolidBoxIndices[4 * f + v]);
        if (m_aCorners.size() >= 24 * kBoxes)
            Flush();
    }

    void Flush()
    {
        if (!m_aIndices.empty()) {
            glVertexPointer(3, GL_DOUBLE, 0, m_aCorners.data());
            glNormalPointer(GL_DOUBLE, 0, m_aNormals.data());
            glDrawElements(GL_QUADS, static_cast<GLsizei>(m_aIndices.size()), GL_UNSIGNED_INT, m_aIndices.data());
        }
        m_aCorners.clear();
        m_aNormals.clear();
        m_aIndices.clear();
    }

  private:
    std::vector<double> m_aCorners;
    std::vector<double> m_aNormals;
    std::vector<GLuint> m_aIndices;
};

// Each voxel becomes one box filling it exactly, in its band or count colour.
// The colour is only re-issued when it changes, as for every voxel.
void CompileVoxels(const CCoverageVolume& volume, const std::vector<VoxelPaint>& paint, const CHiddenFaces* hidden,
                   DrawColor& colors)
{
    const float h = volume.GetHalfEdge();
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    CBoxBatch batch;
    std::optional<ColorName> current;
    for (const VoxelPaint& voxel : paint) {
        if (current != voxel.color) {
            batch.Flush();
            glColor3dv(ApplyColor(colors, voxel.color));
            current = voxel.color;
        }
        const unsigned skipped = hidden ? hidden->Faces(voxel.voxel) : 0u;
        if (skipped == 0x3fu)
            continue;
        const auto c = volume.Centre(voxel.voxel);
        batch.Add(ComputeSolidBoxArrays(c[0], c[1], c[2], h, h, h, true), skipped);
    }
    batch.Flush();
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

std::vector<VoxelPaint> ListPaint(const CCoverageVolume& volume, VolumeDisplay display, uint32_t n,
                                  const CoverageFilters& filters)
{
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

VolumeDisplay VolumeDisplayOf(WindowDisplay display)
{
    switch (display) {
    case WindowDisplay::SelectiveCameras:
        return VolumeDisplay::Selective;
    case WindowDisplay::CameraCount2D:
        return VolumeDisplay::CountLayers;
    case WindowDisplay::ResolutionMap:
    case WindowDisplay::Quality:
        break;
    }
    return VolumeDisplay::Map;
}

int CVolumeLists::SlotIndex(VolumeDisplay display, VoxelFaces faces)
{
    return 2 * static_cast<int>(display) + (faces == VoxelFaces::Outer ? 1 : 0);
}

void CVolumeLists::Start(const CCoverageVolume& volume)
{
    Start(volume, ClassicFilters());
}

void CVolumeLists::Start(const CCoverageVolume& volume, const CoverageFilters& filters)
{
    DeleteLists();
    m_filters = filters;
    if (!GetDrawColor())
        return;
    // The count layers' lists last, so that theirs are the highest names.
    for (VolumeDisplay display : {VolumeDisplay::Selective, VolumeDisplay::Map, VolumeDisplay::CountLayers})
        for (VoxelFaces faces : {VoxelFaces::Every, VoxelFaces::Outer}) {
            const uint32_t count = ListCount(volume, display);
            if (count == 0)
                continue;
            ListSlot& slot = Slot(display, faces);
            if (HasTopLists(display, faces)) {
                slot.m_nTopBase = glGenLists(static_cast<GLsizei>(count));
                if (slot.m_nTopBase == 0)
                    continue;
                slot.m_abTopCompiled.assign(count, false);
            }
            slot.m_nBase = glGenLists(static_cast<GLsizei>(count));
            if (slot.m_nBase != 0) {
                slot.m_nCount = static_cast<GLsizei>(count);
                slot.m_abCompiled.assign(count, false);
            }
        }
}

void CVolumeLists::DeleteLists()
{
    for (ListSlot& slot : m_aSlots) {
        if (slot.m_nBase != 0)
            glDeleteLists(slot.m_nBase, slot.m_nCount);
        if (slot.m_nTopBase != 0)
            glDeleteLists(slot.m_nTopBase, static_cast<GLsizei>(slot.m_abTopCompiled.size()));
        slot = ListSlot{};
    }
    m_aPaintCache.clear();
}

uint32_t CVolumeLists::ListCount(const CCoverageVolume& volume, VolumeDisplay display)
{
    if (!volume.HasResults())
        return 0;
    return display == VolumeDisplay::Selective ? 1u : volume.GetCountY();
}

bool CVolumeLists::HasTopLists(VolumeDisplay display, VoxelFaces faces)
{
    return display != VolumeDisplay::Selective && faces == VoxelFaces::Outer;
}

std::optional<uint32_t> CVolumeLists::ExposedTopLayer(const CCoverageVolume& volume, uint32_t count)
{
    const std::vector<int>& ids = volume.LayerIds();
    const int shown = ShownLayerCount(volume, static_cast<GLsizei>(count));
    if (shown <= 0 || static_cast<uint32_t>(shown) >= count)
        return std::nullopt;
    return static_cast<uint32_t>(ids[shown - 1]);
}

GLsizei CVolumeLists::ShownLayerCount(const CCoverageVolume& volume, GLsizei count)
{
    // A shown-layer count beyond the compiled layers draws all of them.
    return std::clamp<GLsizei>(volume.GetShownLayers(), 0,
                               std::min<GLsizei>(count, static_cast<GLsizei>(volume.LayerIds().size())));
}

std::shared_ptr<const std::vector<VoxelPaint>> CVolumeLists::Paint(const CCoverageVolume& volume, VolumeDisplay display,
                                                                   uint32_t n)
{
    for (const CachedPaint& cached : m_aPaintCache)
        if (cached.m_eDisplay == display && cached.m_nList == n)
            return cached.m_pPaint;
    auto paint = std::make_shared<const std::vector<VoxelPaint>>(ListPaint(volume, display, n, m_filters));
    // The layers are compiled in order and each needs its neighbours' paint:
    // keeping the last few computes each layer's once. The selective
    // volume's is needed once and may be large.
    if (display == VolumeDisplay::Selective)
        return paint;
    constexpr size_t kCachedLayers = 4;
    if (m_aPaintCache.size() == kCachedLayers)
        m_aPaintCache.erase(m_aPaintCache.begin());
    m_aPaintCache.push_back({display, n, paint});
    return paint;
}

void CVolumeLists::CompileOne(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces, uint32_t n,
                              bool top, GLuint name)
{
    DrawColor* colors = GetDrawColor();
    const auto paint = Paint(volume, display, n);
    std::optional<CHiddenFaces> hidden;
    if (faces == VoxelFaces::Outer) {
        if (display == VolumeDisplay::Selective) {
            hidden.emplace(volume, 0u, volume.GetCountY(),
                           std::initializer_list<const std::vector<VoxelPaint>*>{paint.get()});
        } else {
            // A layer's neighbours are drawn with it: the one below always,
            // the one above unless this is the top layer shown.
            const uint32_t count = ListCount(volume, display);
            const auto below = n > 0 ? Paint(volume, display, n - 1) : nullptr;
            const auto above = !top && n + 1 < count ? Paint(volume, display, n + 1) : nullptr;
            const std::vector<VoxelPaint> none;
            hidden.emplace(volume, n > 0 ? n - 1 : 0u, (n > 0 ? 2u : 1u) + (above ? 1u : 0u),
                           std::initializer_list<const std::vector<VoxelPaint>*>{
                               below ? below.get() : &none, paint.get(), above ? above.get() : &none});
        }
    }
    glNewList(name, GL_COMPILE);
    CompileVoxels(volume, *paint, hidden ? &*hidden : nullptr, *colors);
    glEndList();
}

bool CVolumeLists::CompileList(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces, uint32_t n)
{
    const uint32_t count = ListCount(volume, display);
    if (!GetDrawColor() || n >= count)
        return false;
    ListSlot& slot = Slot(display, faces);
    if (slot.m_nBase == 0 || slot.m_abCompiled.size() != count)
        return false;
    if (!slot.m_abCompiled[n]) {
        CompileOne(volume, display, faces, n, false, slot.m_nBase + n);
        slot.m_abCompiled[n] = true;
    }
    if (HasTopLists(display, faces) && ExposedTopLayer(volume, count) == n && !slot.m_abTopCompiled[n]) {
        CompileOne(volume, display, faces, n, true, slot.m_nTopBase + n);
        slot.m_abTopCompiled[n] = true;
    }
    return true;
}

bool CVolumeLists::Compile(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces)
{
    const uint32_t count = ListCount(volume, display);
    for (uint32_t n = 0; n < count; ++n)
        if (!CompileList(volume, display, faces, n))
            return false;
    return count > 0;
}

bool CVolumeLists::IsCompiled(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces) const
{
    const ListSlot& slot = Slot(display, faces);
    const uint32_t count = ListCount(volume, display);
    if (count == 0 || slot.m_nBase == 0 || slot.m_abCompiled.size() != count ||
        !std::all_of(slot.m_abCompiled.begin(), slot.m_abCompiled.end(), [](bool b) { return b; }))
        return false;
    if (!HasTopLists(display, faces))
        return true;
    const std::optional<uint32_t> top = ExposedTopLayer(volume, count);
    return !top || slot.m_abTopCompiled[*top];
}

VoxelFaces CVolumeLists::FacesToDraw(const CCoverageVolume& volume, bool seeThrough, double nearDistance)
{
    if (seeThrough || !volume.HasResults())
        return seeThrough ? VoxelFaces::Every : VoxelFaces::Outer;
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    const double h = volume.GetHalfEdge();
    const auto first = volume.Centre(0);
    const auto last = volume.Centre(volume.GetVoxelCount() - 1);
    // The grid's corners all beyond the near plane: the eye is outside the
    // volume and nothing cuts it open.
    for (int corner = 0; corner < 8; ++corner) {
        double p[3];
        for (int axis = 0; axis < 3; ++axis) {
            const double lo = std::min(first[axis], last[axis]) - h;
            const double hi = std::max(first[axis], last[axis]) + h;
            p[axis] = (corner >> axis) & 1 ? hi : lo;
        }
        const double eyeZ = m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14];
        if (!(eyeZ < -nearDistance))
            return VoxelFaces::Every;
    }
    return VoxelFaces::Outer;
}

bool CVolumeLists::IsBuilt() const
{
    return std::any_of(std::begin(m_aSlots), std::end(m_aSlots), [](const ListSlot& s) { return s.m_nBase != 0; });
}

void CVolumeLists::Draw(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces) const
{
    const ListSlot& slot = Slot(display, faces);
    switch (display) {
    case VolumeDisplay::Selective:
        glPointSize(g_fVoxelPointSize);
        if (slot.m_nBase != 0)
            glCallList(slot.m_nBase);
        glPointSize(1.0f);
        if (DrawColor* colors = GetDrawColor())
            glColor3dv(colors->White());
        break;
    case VolumeDisplay::Map:
        if (DrawColor* colors = GetDrawColor())
            glColor3dv(colors->White());
        DrawLayers(volume, slot);
        break;
    case VolumeDisplay::CountLayers:
        DrawLayers(volume, slot);
        break;
    }
}

void CVolumeLists::DrawLayers(const CCoverageVolume& volume, const ListSlot& slot) const
{
    glPointSize(g_fVoxelPointSize);
    const std::vector<int>& ids = volume.LayerIds();
    const GLsizei shown = ShownLayerCount(volume, slot.m_nCount);
    if (slot.m_nBase != 0 && shown > 0) {
        // The top layer shown has a list of its own where nothing is drawn above it.
        const bool ownTop = slot.m_nTopBase != 0 && shown < slot.m_nCount;
        glPushAttrib(GL_LIST_BIT);
        glListBase(slot.m_nBase);
        glCallLists(ownTop ? shown - 1 : shown, GL_INT, ids.data());
        glPopAttrib();
        if (ownTop)
            glCallList(slot.m_nTopBase + static_cast<GLuint>(ids[shown - 1]));
    }
    glPointSize(1.0f);
}
