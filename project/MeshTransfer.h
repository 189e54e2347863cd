#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// How volume-planner-mesh hands its answer back on standard output: a
// header line, then either 'T', a 64-bit triangle count and nine floats per
// triangle, or 'R', a 32-bit length and the refusal's text. Both ends run
// on the same machine, so numbers travel in its own byte order.
inline constexpr char kMeshAnswerMagic[8] = {'V', 'P', 'M', 'E', 'S', 'H', '1', '\n'};
inline constexpr size_t kMaxRefusalBytes = 4096;

// Exit status of the partner: done, refused (the answer says why), a usage
// error, or an allocation the memory limit refused.
inline constexpr int kMeshExitDone = 0;
inline constexpr int kMeshExitRefused = 1;
inline constexpr int kMeshExitUsage = 2;
inline constexpr int kMeshExitMemory = 3;

// Writes the whole answer to `fd`; false when the reading end went away.
bool WriteMeshTriangles(int fd, const std::vector<float>& coordinates);
bool WriteMeshRefusal(int fd, const std::string& reason);

// The answer taken in as it arrives, in pieces of any size. A stream that
// breaks the form, or claims more than `maxTriangles`, is broken: nothing
// in it is trusted.
class CMeshAnswer
{
  public:
    explicit CMeshAnswer(uint64_t maxTriangles) : m_nMaxTriangles(maxTriangles) {}

    void Feed(const char* bytes, size_t size);
    bool IsBroken() const { return m_bBroken; }
    // Complete: the triangles' coordinates or the refusal.
    bool IsComplete() const;
    const std::vector<float>& Coordinates() const { return m_aCoordinates; }
    std::vector<float> TakeCoordinates() { return std::move(m_aCoordinates); }
    bool IsRefusal() const { return m_cKind == 'R'; }
    const std::string& Refusal() const { return m_strRefusal; }

  private:
    uint64_t m_nMaxTriangles;
    std::string m_strHead;
    char m_cKind = 0;
    uint64_t m_nExpected = 0; // bytes of the body
    uint64_t m_nReceived = 0;
    std::vector<float> m_aCoordinates;
    std::string m_strRefusal;
    bool m_bBroken = false;
};
