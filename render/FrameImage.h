#pragma once

#include <array>
#include <cstdint>
#include <vector>

// An RGBA frame as OpenGL reads it back: rows bottom-up, so (x, y) are GL
// window coordinates with (0, 0) the lower-left pixel.
struct CFrameImage {
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<std::uint8_t> m_pixels; // 4 bytes per pixel, row 0 = bottom

    bool IsEmpty() const { return m_nWidth <= 0 || m_nHeight <= 0; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_nWidth && y < m_nHeight; }

    // Red, green, blue, alpha of pixel (x, y); the caller keeps (x, y) inside.
    std::array<std::uint8_t, 4> Pixel(int x, int y) const
    {
        const auto i =
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(m_nWidth) + static_cast<std::size_t>(x)) * 4;
        return {m_pixels[i], m_pixels[i + 1], m_pixels[i + 2], m_pixels[i + 3]};
    }
};
