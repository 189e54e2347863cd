#include "render/OffscreenContext.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>

namespace
{

// Several contexts may live on the one surfaceless display (a test and the
// code it drives, say); the display is terminated with the last of them.
int g_nDisplayUsers = 0;

std::string EglErrorText(const char* step)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%04x", static_cast<unsigned>(eglGetError()));
    return std::string(step) + " failed (EGL error " + code + ")";
}

bool HasExtension(const char* list, const char* name)
{
    if (!list)
        return false;
    const std::size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p; p = std::strstr(p + length, name)) {
        const bool startsWord = p == list || p[-1] == ' ';
        const bool endsWord = p[length] == ' ' || p[length] == '\0';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

template <typename Function> Function GlFunction(const char* name)
{
    return reinterpret_cast<Function>(eglGetProcAddress(name));
}

} // namespace

COffscreenContext::~COffscreenContext()
{
    Destroy();
}

bool COffscreenContext::Fail(std::string reason)
{
    Destroy();
    m_strError = "No offscreen OpenGL context: " + std::move(reason);
    return false;
}

bool COffscreenContext::Create(int width, int height, bool forceFramebuffer)
{
    Destroy();
    m_strError.clear();
    if (width <= 0 || height <= 0)
        return Fail("the frame size must be positive");
    m_nWidth = width;
    m_nHeight = height;

    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(clientExtensions, "EGL_EXT_platform_base") ||
        !HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless"))
        return Fail("the EGL library offers no surfaceless platform");
    const auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return Fail("eglGetPlatformDisplayEXT is missing");
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        return Fail(EglErrorText("eglGetPlatformDisplayEXT"));
    EGLint major = 0;
    EGLint minor = 0;
    if (!eglInitialize(display, &major, &minor))
        return Fail(EglErrorText("eglInitialize"));
    m_display = display;
    ++g_nDisplayUsers;
    if (!eglBindAPI(EGL_OPENGL_API))
        return Fail(EglErrorText("eglBindAPI(OpenGL)"));

    const EGLint pbufferAttributes[] = {EGL_SURFACE_TYPE,
                                        EGL_PBUFFER_BIT,
                                        EGL_RENDERABLE_TYPE,
                                        EGL_OPENGL_BIT,
                                        EGL_RED_SIZE,
                                        8,
                                        EGL_GREEN_SIZE,
                                        8,
                                        EGL_BLUE_SIZE,
                                        8,
                                        EGL_ALPHA_SIZE,
                                        8,
                                        EGL_DEPTH_SIZE,
                                        24,
                                        EGL_NONE};
    const EGLint anyAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    m_surface = ESurface::Pbuffer;
    if (forceFramebuffer || !eglChooseConfig(display, pbufferAttributes, &config, 1, &count) || count < 1) {
        m_surface = ESurface::Framebuffer;
        const char* displayExtensions = eglQueryString(display, EGL_EXTENSIONS);
        if (!HasExtension(displayExtensions, "EGL_KHR_surfaceless_context"))
            return Fail("neither a pbuffer nor a surfaceless context is offered");
        // Without a surface the configuration only selects the API; a
        // display without configurations at all still works (EGL_NO_CONFIG).
        if (!eglChooseConfig(display, anyAttributes, &config, 1, &count) || count < 1)
            config = nullptr;
    }

    // No version attributes: Mesa then hands out its compatibility profile,
    // which keeps the fixed-function pipeline and display lists.
    m_context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (m_context == EGL_NO_CONTEXT) {
        m_context = nullptr;
        return Fail(EglErrorText("eglCreateContext"));
    }
    if (m_surface == ESurface::Pbuffer) {
        const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        m_pbuffer = eglCreatePbufferSurface(display, config, surfaceAttributes);
        if (m_pbuffer == EGL_NO_SURFACE) {
            m_pbuffer = nullptr;
            return Fail(EglErrorText("eglCreatePbufferSurface"));
        }
    }
    if (!MakeCurrent())
        return Fail(EglErrorText("eglMakeCurrent"));
    if (m_surface == ESurface::Framebuffer && !CreateFramebuffer())
        return false;
    glViewport(0, 0, width, height);
    return true;
}

bool COffscreenContext::CreateFramebuffer()
{
    const auto genFramebuffers = GlFunction<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    const auto bindFramebuffer = GlFunction<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    const auto genRenderbuffers = GlFunction<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
    const auto bindRenderbuffer = GlFunction<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
    const auto renderbufferStorage = GlFunction<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage");
    const auto attachRenderbuffer = GlFunction<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
    const auto checkStatus = GlFunction<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatus");
    if (!genFramebuffers || !bindFramebuffer || !genRenderbuffers || !bindRenderbuffer || !renderbufferStorage ||
        !attachRenderbuffer || !checkStatus)
        return Fail("the driver has no framebuffer objects");

    genRenderbuffers(1, &m_nColorBuffer);
    bindRenderbuffer(GL_RENDERBUFFER, m_nColorBuffer);
    renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, m_nWidth, m_nHeight);
    genRenderbuffers(1, &m_nDepthBuffer);
    bindRenderbuffer(GL_RENDERBUFFER, m_nDepthBuffer);
    renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, m_nWidth, m_nHeight);
    genFramebuffers(1, &m_nFramebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, m_nFramebuffer);
    attachRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_nColorBuffer);
    attachRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_nDepthBuffer);
    if (checkStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return Fail("the framebuffer object is incomplete");
    // The default framebuffer of a surfaceless context has no buffers.
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    return true;
}

bool COffscreenContext::MakeCurrent()
{
    if (!m_context)
        return false;
    EGLSurface surface = m_pbuffer ? static_cast<EGLSurface>(m_pbuffer) : EGL_NO_SURFACE;
    return eglMakeCurrent(m_display, surface, surface, m_context) == EGL_TRUE;
}

void COffscreenContext::ReleaseCurrent()
{
    if (m_display)
        eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

CFrameImage COffscreenContext::ReadPixels() const
{
    CFrameImage image;
    if (!m_context || eglGetCurrentContext() != m_context)
        return image;
    image.m_nWidth = m_nWidth;
    image.m_nHeight = m_nHeight;
    image.m_pixels.resize(static_cast<std::size_t>(m_nWidth) * static_cast<std::size_t>(m_nHeight) * 4);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadPixels(0, 0, m_nWidth, m_nHeight, GL_RGBA, GL_UNSIGNED_BYTE, image.m_pixels.data());
    glPopClientAttrib();
    return image;
}

void COffscreenContext::Destroy()
{
    if (m_display) {
        auto* display = static_cast<EGLDisplay>(m_display);
        if (m_context && eglGetCurrentContext() == m_context) {
            if (m_nFramebuffer) {
                const auto deleteFramebuffers = GlFunction<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffers");
                const auto deleteRenderbuffers = GlFunction<PFNGLDELETERENDERBUFFERSPROC>("glDeleteRenderbuffers");
                deleteFramebuffers(1, &m_nFramebuffer);
                deleteRenderbuffers(1, &m_nColorBuffer);
                deleteRenderbuffers(1, &m_nDepthBuffer);
            }
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        }
        if (m_pbuffer)
            eglDestroySurface(display, m_pbuffer);
        if (m_context)
            eglDestroyContext(display, m_context);
        if (--g_nDisplayUsers == 0)
            eglTerminate(display);
    }
    m_display = nullptr;
    m_context = nullptr;
    m_pbuffer = nullptr;
    m_nFramebuffer = 0;
    m_nColorBuffer = 0;
    m_nDepthBuffer = 0;
    m_nWidth = 0;
    m_nHeight = 0;
}
