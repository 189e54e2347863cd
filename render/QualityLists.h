#pragma once

#include "coverage/QualityDisplay.h"

#include <GL/gl.h>

#include <optional>

class CCoverageVolume;
class CPlanningMeasures;

// The display lists of the Quality display, one per layer, and the scale
// their colours were chosen on (the legend shows that scale). Like the other
// volume lists they belong to the context current when they were built.
class CQualityLists
{
  public:
    CQualityLists() = default;
    CQualityLists(const CQualityLists&) = delete;
    CQualityLists& operator=(const CQualityLists&) = delete;

    void Build(const CCoverageVolume& volume, const CPlanningMeasures& planning, PlanningMeasure measure,
               const std::optional<QualityThreshold>& threshold);
    void DeleteLists();
    // The lowest GetShownLayers() layers, as the resolution map.
    void Draw(const CCoverageVolume& volume) const;

    bool IsBuilt() const { return m_nListBase != 0; }
    GLuint GetListBase() const { return m_nListBase; }
    const QualityScale& GetScale() const { return m_scale; }

  private:
    GLuint m_nListBase = 0;
    GLsizei m_nLayers = 0;
    QualityScale m_scale;
};
