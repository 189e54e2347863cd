#pragma once

#include "render/FrameImage.h"

#include <string>

// An OpenGL compatibility-profile context that needs no window system: EGL
// on Mesa's surfaceless platform, drawing into a pbuffer, or into a
// framebuffer object when the driver offers no pbuffer configuration. Used by
// the command line and the pixel tests; nothing here needs an X server.
class COffscreenContext
{
  public:
    // The frame size of the view.
    static constexpr int kDefaultWidth = 1000;
    static constexpr int kDefaultHeight = 725;

    enum class ESurface { Pbuffer, Framebuffer };

    COffscreenContext() = default;
    ~COffscreenContext();
    COffscreenContext(const COffscreenContext&) = delete;
    COffscreenContext& operator=(const COffscreenContext&) = delete;

    // Creates the context and its colour and depth buffers and makes it
    // current. On failure returns false, GetError tells why, and nothing is
    // left behind. A pbuffer is tried first unless forceFramebuffer is set.
    bool Create(int width = kDefaultWidth, int height = kDefaultHeight, bool forceFramebuffer = false);
    bool IsValid() const { return m_context != nullptr; }
    const std::string& GetError() const { return m_strError; }
    ESurface GetSurface() const { return m_surface; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }

    bool MakeCurrent();
    void ReleaseCurrent();
    // The whole frame as drawn so far (waits for drawing to finish).
    CFrameImage ReadPixels() const;

  private:
    bool Fail(std::string reason);
    bool CreateFramebuffer();
    void Destroy();

    void* m_display = nullptr;
    void* m_context = nullptr;
    void* m_pbuffer = nullptr;
    unsigned m_nFramebuffer = 0;
    unsigned m_nColorBuffer = 0;
    unsigned m_nDepthBuffer = 0;
    ESurface m_surface = ESurface::Pbuffer;
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::string m_strError;
};
