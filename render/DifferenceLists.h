#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <vector>

class CCoverageDifference;
class CCoverageVolume;

// The display lists of the Difference display, one per layer: voxels the rig
// as built lost red, those it gained green. Like the other volume lists they
// belong to the context current when they were built.
class CDifferenceLists
{
  public:
    CDifferenceLists() = default;
    CDifferenceLists(const CDifferenceLists&) = delete;
    CDifferenceLists& operator=(const CDifferenceLists&) = delete;

    void Build(const CCoverageVolume& volume, const CCoverageDifference& difference);
    void DeleteLists();
    // The lowest GetShownLayers() layers, as the resolution map.
    void Draw(const CCoverageVolume& volume) const;
    bool IsBuilt() const { return m_nListBase != 0; }
    // The voxels Draw draws.
    uint64_t CountDrawn(const CCoverageVolume& volume) const;

  private:
    // The layers Draw draws: the lowest GetShownLayers(), by their list ids.
    std::vector<int> ShownLayers(const CCoverageVolume& volume) const;

    GLuint m_nListBase = 0;
    GLsizei m_nLayers = 0;
    std::vector<uint64_t> m_aLayerCounts;
};
