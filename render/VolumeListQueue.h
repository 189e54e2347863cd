#pragma once

#include "render/VolumeLists.h"

#include <cstdint>
#include <functional>
#include <vector>

// The volume lists a display is drawn with, compiled at once or queued and
// compiled a frame's worth at a time, so that a large volume does not hold
// up the window while the event loop turns in between.
class CVolumeListQueue
{
  public:
    // `drained` runs each time the queue has compiled its last list.
    CVolumeListQueue(CVolumeLists& lists, std::function<void()> drained);

    // Every list of `display` with `faces`, in their order, to compile.
    void Queue(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces);
    void Clear();
    bool IsCompiling() const { return m_nNext < m_aQueue.size(); }
    // Compiles some more, about a frame's worth and at least one list.
    void CompileSome(const CCoverageVolume& volume);
    // Share of the queue compiled, 0..1; 0 with nothing queued.
    double GetProgress() const;
    // Replays a display, its missing lists first: compiled at once, or
    // queued and some compiled (the frame shows those in so far).
    void Draw(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces, bool queued);

  private:
    CVolumeLists& m_lists;
    std::function<void()> m_drained;
    // Lists of the display left to compile, by their number in it.
    std::vector<uint32_t> m_aQueue;
    VolumeDisplay m_eDisplay{};
    VoxelFaces m_eFaces{};
    size_t m_nNext = 0;
};
