#pragma once

#include "coverage/CoverageVolume.h"
#include "scene/ShownDisplay.h"

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The three volume displays: the iso list (the selective-cameras volume, one
// list), the resolution map and the camera-count layers (one list per layer).
enum class VolumeDisplay { Selective, Map, CountLayers };
// The lists a display draws; the Quality display draws none of these and
// takes the map's place.
VolumeDisplay VolumeDisplayOf(WindowDisplay display);

// Filled boxes leave out the faces deep inside what a display draws, which
// never show; points (see-through) show every corner of every face, so they
// keep them all.
enum class VoxelFaces { Outer, Every };

// The display lists of the volume displays, compiled from the coverage
// volume's paint data and replayed every frame. A display is compiled the
// first time it is drawn (or when Compile asks for it), a list at a time if
// the caller wishes. The lists belong to the GL context that was current when
// they were built; DeleteLists must run in that context (or with none
// current, when it is a no-op), never in another one.
class CVolumeLists
{
  public:
    CVolumeLists() = default;
    CVolumeLists(const CVolumeLists&) = delete;
    CVolumeLists& operator=(const CVolumeLists&) = delete;
    ~CVolumeLists() = default;

    // Forgets every list, keeps the filters for those compiled next (so that
    // a display compiled later shows what it would have shown now) and
    // reserves the names of every display's lists, none compiled yet.
    void Start(const CCoverageVolume& volume, const CoverageFilters& filters);
    // With the window's filters as they are now.
    void Start(const CCoverageVolume& volume);
    // Deletes every list and forgets the names; harmless when none exist.
    void DeleteLists();

    // Lists of a display: 1 for the selective volume, the layers otherwise;
    // 0 when the volume has no results.
    static uint32_t ListCount(const CCoverageVolume& volume, VolumeDisplay display);
    // Compiles list n of a display unless it is compiled (and, filled, the
    // list of layer n as the top layer shown when it is); false when it has no name.
    bool CompileList(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces, uint32_t n);
    // Every list of a display still missing.
    bool Compile(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces);
    bool IsCompiled(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces) const;

    // The faces to draw with under the current model-view matrix: the deep
    // faces show once the near plane (at `nearDistance` before the eye) cuts
    // into the grid, and then every face is drawn.
    static VoxelFaces FacesToDraw(const CCoverageVolume& volume, bool seeThrough, double nearDistance);

    // Replays a display: the selective volume whole, the layered displays'
    // lowest GetShownLayers() layers. Lists not compiled draw nothing.
    void Draw(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces) const;

    bool IsBuilt() const;
    // Base name of a display's lists; 0 while none are reserved.
    GLuint GetListBase(VolumeDisplay display, VoxelFaces faces) const { return Slot(display, faces).m_nBase; }
    // Base name of a layered display's lists of each layer as the top one shown; 0 for none.
    GLuint GetTopListBase(VolumeDisplay display, VoxelFaces faces) const { return Slot(display, faces).m_nTopBase; }
    // The count layers are reserved last: their names are the highest.
    GLuint GetCountListBase() const { return GetListBase(VolumeDisplay::CountLayers, VoxelFaces::Outer); }

  private:
    // A filled layer's deep faces depend on the layer above: the lists of a
    // layered display count it as drawn, and the top layer shown, when
    // layers above it are not, draws a list of its own (m_nTopBase + layer).
    struct ListSlot {
        GLuint m_nBase = 0;
        GLsizei m_nCount = 0;
        std::vector<bool> m_abCompiled;
        GLuint m_nTopBase = 0;
        std::vector<bool> m_abTopCompiled;
    };
    struct CachedPaint {
        VolumeDisplay m_eDisplay;
        uint32_t m_nList;
        std::shared_ptr<const std::vector<VoxelPaint>> m_pPaint;
    };
    static int SlotIndex(VolumeDisplay display, VoxelFaces faces);
    static bool HasTopLists(VolumeDisplay display, VoxelFaces faces);
    static GLsizei ShownLayerCount(const CCoverageVolume& volume, GLsizei count);
    // The top layer shown when some above it are not.
    static std::optional<uint32_t> ExposedTopLayer(const CCoverageVolume& volume, uint32_t count);
    // List n's paint data with the compilation's filters.
    std::shared_ptr<const std::vector<VoxelPaint>> Paint(const CCoverageVolume& volume, VolumeDisplay display,
                                                         uint32_t n);
    void CompileOne(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces, uint32_t n, bool top,
                    GLuint name);
    ListSlot& Slot(VolumeDisplay display, VoxelFaces faces) { return m_aSlots[SlotIndex(display, faces)]; }
    const ListSlot& Slot(VolumeDisplay display, VoxelFaces faces) const { return m_aSlots[SlotIndex(display, faces)]; }
    void DrawLayers(const CCoverageVolume& volume, const ListSlot& slot) const;

    ListSlot m_aSlots[6];
    std::vector<CachedPaint> m_aPaintCache;
    CoverageFilters m_filters;
};
