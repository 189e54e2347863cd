#include "project/MeshTransfer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace
{

bool WriteAll(int fd, const void* data, size_t size)
{
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

constexpr size_t kMagicBytes = sizeof kMeshAnswerMagic;

} // namespace

bool WriteMeshTriangles(int fd, const std::vector<float>& coordinates)
{
    const uint64_t triangles = coordinates.size() / 9;
    return WriteAll(fd, kMeshAnswerMagic, kMagicBytes) && WriteAll(fd, "T", 1) &&
           WriteAll(fd, &triangles, sizeof triangles) &&
           WriteAll(fd, coordinates.data(), triangles * 9 * sizeof(float));
}

bool WriteMeshRefusal(int fd, const std::string& reason)
{
    const std::string text = reason.substr(0, kMaxRefusalBytes);
    const auto length = static_cast<uint32_t>(text.size());
    return WriteAll(fd, kMeshAnswerMagic, kMagicBytes) && WriteAll(fd, "R", 1) &&
           WriteAll(fd, &length, sizeof length) && WriteAll(fd, text.data(), text.size());
}

bool CMeshAnswer::IsComplete() const
{
    return !m_bBroken && m_cKind != 0 && m_nReceived == m_nExpected;
}

void CMeshAnswer::Feed(const char* bytes, size_t size)
{
    while (size > 0 && !m_bBroken) {
        if (m_cKind == 0) {
            // The header: magic, kind, then the count or length.
            m_strHead.push_back(*bytes++);
            --size;
            const size_t have = m_strHead.size();
            if (have <= kMagicBytes) {
                if (m_strHead.back() != kMeshAnswerMagic[have - 1])
                    m_bBroken = true;
                continue;
            }
            const char kind = m_strHead[kMagicBytes];
            if (kind != 'T' && kind != 'R') {
                m_bBroken = true;
                continue;
            }
            const size_t field = kind == 'T' ? sizeof(uint64_t) : sizeof(uint32_t);
            if (have < kMagicBytes + 1 + field)
                continue;
            if (kind == 'T') {
                uint64_t triangles = 0;
                std::memcpy(&triangles, m_strHead.data() + kMagicBytes + 1, sizeof triangles);
                if (triangles > m_nMaxTriangles) {
                    m_bBroken = true;
                    continue;
                }
                m_aCoordinates.resize(triangles * 9);
                m_nExpected = triangles * 9 * sizeof(float);
            } else {
                uint32_t length = 0;
                std::memcpy(&length, m_strHead.data() + kMagicBytes + 1, sizeof length);
                if (length > kMaxRefusalBytes) {
                    m_bBroken = true;
                    continue;
                }
                m_strRefusal.resize(length);
                m_nExpected = length;
            }
            m_cKind = kind;
            continue;
        }
        const uint64_t room = m_nExpected - m_nReceived;
        if (room == 0) {
            m_bBroken = true; // more than the answer holds
            continue;
        }
        const size_t n = static_cast<size_t>(std::min<uint64_t>(room, size));
        char* target = m_cKind == 'T' ? reinterpret_cast<char*>(m_aCoordinates.data()) : m_strRefusal.data();
        std::memcpy(target + m_nReceived, bytes, n);
        m_nReceived += n;
        bytes += n;
        size -= n;
    }
}
