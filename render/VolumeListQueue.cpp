#include "render/VolumeListQueue.h"

#include <chrono>
#include <utility>

CVolumeListQueue::CVolumeListQueue(CVolumeLists& lists, std::function<void()> drained)
    : m_lists(lists), m_drained(std::move(drained))
{
}

void CVolumeListQueue::Queue(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces)
{
    Clear();
    m_eDisplay = display;
    m_eFaces = faces;
    const uint32_t lists = CVolumeLists::ListCount(volume, display);
    for (uint32_t n = 0; n < lists; ++n)
        m_aQueue.push_back(n);
}

void CVolumeListQueue::Clear()
{
    m_aQueue.clear();
    m_nNext = 0;
}

void CVolumeListQueue::CompileSome(const CCoverageVolume& volume)
{
    // About a frame's worth of compiling per call, so the event loop
    // turns in between; at least one list, however long it takes.
    constexpr auto kBudget = std::chrono::milliseconds(40);
    const auto start = std::chrono::steady_clock::now();
    while (IsCompiling()) {
        m_lists.CompileList(volume, m_eDisplay, m_eFaces, m_aQueue[m_nNext++]);
        if (std::chrono::steady_clock::now() - start >= kBudget)
            break;
    }
    if (IsCompiling())
        return;
    Clear();
    if (m_drained)
        m_drained();
}

double CVolumeListQueue::GetProgress() const
{
    return m_aQueue.empty() ? 0.0 : static_cast<double>(m_nNext) / static_cast<double>(m_aQueue.size());
}

void CVolumeListQueue::Draw(const CCoverageVolume& volume, VolumeDisplay display, VoxelFaces faces, bool queued)
{
    // While the queue compiles a list a turn, the frame shows those in so far.
    if (volume.HasResults() && !IsCompiling() && !m_lists.IsCompiled(volume, display, faces)) {
        if (queued) {
            // A display first shown, or its other faces: a small one is in at once.
            Queue(volume, display, faces);
            CompileSome(volume);
        } else {
            m_lists.Compile(volume, display, faces);
        }
    }
    m_lists.Draw(volume, display, faces);
}
