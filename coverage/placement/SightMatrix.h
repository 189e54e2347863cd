#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Hot loops of the scoring take the processor's population count where it
// has one (compiled twice, chosen when the program starts). Not in the
// sanitized builds: their runtimes are not up yet when the choice is made.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define VP_NO_POPCOUNT_CLONES
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VP_NO_POPCOUNT_CLONES
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(VP_NO_POPCOUNT_CLONES)
#define VP_POPCOUNT_CLONES __attribute__((target_clones("popcnt", "default")))
#else
#define VP_POPCOUNT_CLONES
#endif

// Which target samples each candidate camera sees a marker at, one packed
// bitset per candidate (a row), and which it has in view at all (the classic
// field test, not blocked), with what the scoring needs besides: where
// the camera sits, so that the ray to a sample follows (it is the same for
// every aim and lens at one position), and its axis and noise for sigma3d.
// Samples come in blocks of whole 64-bit words, one weight per word; padding
// and samples no camera can see (inside an obstacle) are never set in a row.
class CSightMatrix
{
  public:
    struct RowCamera {
        std::array<float, 3> position{}; // internal frame, metres
        std::array<float, 3> axis{};     // unit optical axis
        double sigmaPerDepthMm = 0.0;    // image noise in mm at the sample per mm of depth
    };

    // `samples` in the internal frame, a multiple of 64 of them (padding
    // anywhere); `wordWeights` one per word; `valid` marks the samples that
    // count.
    CSightMatrix(std::vector<std::array<float, 3>> samples, std::vector<int64_t> wordWeights,
                 std::vector<uint64_t> valid);

    size_t SampleCount() const { return m_aSamples.size(); }
    size_t WordCount() const { return m_aWeights.size(); }
    size_t RowCount() const { return m_aRows.size(); }
    const std::array<float, 3>& Sample(size_t s) const { return m_aSamples[s]; }
    int64_t WordWeight(size_t w) const { return m_aWeights[w]; }
    const uint64_t* Valid() const { return m_aValid.data(); }
    // The weight of every sample that counts.
    int64_t TotalWeight() const { return m_nTotalWeight; }

    // A new row of marker bits and view bits (a superset of them; without
    // any, the marker bits); bits outside `valid` are dropped. Returns its index.
    uint32_t AddRow(const uint64_t* bits, const RowCamera& camera, const uint64_t* viewBits = nullptr);
    // Replaces row r (a scratch row the refinement reuses).
    void SetRow(uint32_t r, const uint64_t* bits, const RowCamera& camera, const uint64_t* viewBits = nullptr);
    const uint64_t* Bits(uint32_t r) const { return m_aBits.data() + static_cast<size_t>(r) * WordCount(); }
    // The samples row r has in view: inside its field and not blocked.
    const uint64_t* ViewBits(uint32_t r) const { return m_aViewBits.data() + static_cast<size_t>(r) * WordCount(); }
    const RowCamera& Camera(uint32_t r) const { return m_aRows[r]; }
    // The words of row r's marker bits that hold any, in order: a camera sees
    // a part of the target, and the scoring need look nowhere else.
    const std::vector<uint32_t>& Words(uint32_t r) const { return m_aRowWords[r]; }
    // The summed weight of the samples row r sees: its share of the mean
    // number of marker cameras.
    int64_t SeenWeight(uint32_t r) const { return m_aSeenWeight[r]; }
    bool Sees(uint32_t r, size_t s) const { return (Bits(r)[s >> 6] >> (s & 63)) & 1u; }

    // Unit ray from row r's camera to sample s.
    std::array<float, 3> Ray(uint32_t r, size_t s) const
    {
        const std::array<float, 3>& p = m_aRows[r].position;
        const std::array<float, 3>& q = m_aSamples[s];
        return UnitRay(q[0] - p[0], q[1] - p[1], q[2] - p[2]);
    }
    static std::array<float, 3> UnitRay(float x, float y, float z);

  private:
    int64_t WeightOf(const uint64_t* bits) const;

    std::vector<std::array<float, 3>> m_aSamples;
    std::vector<int64_t> m_aWeights;
    std::vector<uint64_t> m_aValid;
    int64_t m_nTotalWeight = 0;
    std::vector<uint64_t> m_aBits;
    std::vector<uint64_t> m_aViewBits;
    std::vector<RowCamera> m_aRows;
    std::vector<std::vector<uint32_t>> m_aRowWords;
    std::vector<int64_t> m_aSeenWeight;
};
