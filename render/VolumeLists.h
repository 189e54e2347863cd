#pragma once

#include "coverage/CoverageVolume.h"

#include <GL/gl.h>

// The display lists of the three volume displays, compiled once from the
// coverage volume's paint data and replayed every frame: the iso list (the
// selective-cameras volume), one resolution-map list per layer and one
// camera-count list per layer. The lists belong to the GL context that was
// current when they were built; DeleteLists must run in that context (or
// with none current, when it is a no-op), never in another one.
class CVolumeLists {
public:
    CVolumeLists() = default;
    CVolumeLists(const CVolumeLists&) = delete;
    CVolumeLists& operator=(const CVolumeLists&) = delete;

    void BuildIsoList(const CCoverageVolume& volume);
    void BuildMapLists(const CCoverageVolume& volume);
    void BuildCountLists(const CCoverageVolume& volume);
    // The same a layer at a time, for a caller that spreads the compiling
    // over several frames: Reserve names every layer list of both layered
    // displays (a list not yet compiled draws nothing), then each layer is
    // compiled on its own, with the lists the whole builds make.
    void ReserveLayerLists(const CCoverageVolume& volume);
    void BuildMapLayer(const CCoverageVolume& volume, uint32_t j);
    void BuildCountLayer(const CCoverageVolume& volume, uint32_t j);
    // Deletes every list and forgets the names; harmless when none exist.
    void DeleteLists();

    void DrawIsoList() const;
    // The lowest GetShownLayers() layers of the volume.
    void DrawMapLists(const CCoverageVolume& volume) const;
    void DrawCountLists(const CCoverageVolume& volume) const;

    bool IsBuilt() const { return m_nIsoList != 0 || m_nMapListBase != 0 || m_nCountListBase != 0; }
    GLuint GetIsoList() const { return m_nIsoList; }
    GLuint GetMapListBase() const { return m_nMapListBase; }
    GLuint GetCountListBase() const { return m_nCountListBase; }

private:
    void DrawLayers(const CCoverageVolume& volume, GLuint base, GLsizei layers) const;

    GLuint m_nIsoList = 0;
    GLuint m_nMapListBase = 0;
    GLuint m_nCountListBase = 0;
    GLsizei m_nMapLayers = 0;
    GLsizei m_nCountLayers = 0;
};
