#pragma once

#include <limits>

// What the displays of a computed volume show of it: the iso condition on
// the camera count, the resolution filter of the map and the display
// ceiling. Plain data, so that a display drawn later, or on another thread,
// shows what its filters say whatever the window's state is meanwhile.
struct CoverageFilters {
    unsigned isoThreshold = 1;
    unsigned isoOperator = 2;  // index into kComparisonOps: "=="
    unsigned resOperator1 = 3; // ">="
    float resBound1 = 0.7f;
    unsigned resOperator2 = 1; // "<="
    float resBound2 = 0.8f;
    // Iso-list voxels with a centre above it are not drawn.
    float displayCeiling = std::numeric_limits<float>::infinity();

    // Whether a voxel seen by `count` cameras satisfies the iso condition.
    // Inline: the whole-grid passes ask it once per voxel.
    bool IsoHolds(unsigned count) const
    {
        // An index outside the operator table falls to "==".
        const unsigned t = isoThreshold;
        switch (isoOperator) {
        case 0: // "<"
            return count < t;
        case 1: // "<="
            return count <= t && count != 0;
        case 3: // ">="
            return count >= t;
        case 4: // ">"
            return count > t;
        case 5: // "!="
            return count != t;
        default:
            return count == t;
        }
    }

    friend bool operator==(const CoverageFilters&, const CoverageFilters&) = default;
};

// The resolution filter of a CoverageFilters, decoded once rather than once
// per voxel. It is a range between a lower and an upper bound, the first
// operator naming which bound comes first ("<", "<=" the upper, ">", ">="
// the lower); the bounds must be in that order and the second operator must
// name the other side, else nothing passes.
class CResolutionFilter
{
  public:
    explicit CResolutionFilter(const CoverageFilters& filters);
    // The upper bound compares with the rounded value, the lower bound with
    // the value itself.
    bool Passes(float r) const;

  private:
    enum class Kind { Nothing, Equal, Range };
    Kind m_kind = Kind::Nothing;
    bool m_lowerStrict = false;
    bool m_upperStrict = false;
    float m_lower = 0.0f;
    float m_upper = 0.0f;
};
