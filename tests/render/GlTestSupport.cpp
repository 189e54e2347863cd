#include "GlTestSupport.h"

#include "render/PngWriter.h"

#include <GL/gl.h>
#include <sys/wait.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

std::unique_ptr<COffscreenContext> CGlPixelTest::s_pContext;

namespace
{

int ToByte(double v)
{
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

std::string Describe(CRgb8 c)
{
    std::ostringstream out;
    out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
    return out.str();
}

bool Near(const std::array<std::uint8_t, 4>& p, CRgb8 c, int tolerance)
{
    return std::abs(p[0] - c.r) <= tolerance && std::abs(p[1] - c.g) <= tolerance && std::abs(p[2] - c.b) <= tolerance;
}

} // namespace

CRgb8 ToRgb8(const double* rgb)
{
    return {ToByte(rgb[0]), ToByte(rgb[1]), ToByte(rgb[2])};
}

::testing::AssertionResult PixelNear(const CFrameImage& image, int x, int y, CRgb8 expected, int tolerance)
{
    if (!image.Contains(x, y))
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") lies outside the " << image.m_nWidth
                                             << " x " << image.m_nHeight << " frame";
    const auto p = image.Pixel(x, y);
    if (Near(p, expected, tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << Describe({p[0], p[1], p[2]})
                                         << ", expected " << Describe(expected) << " +- " << tolerance;
}

::testing::AssertionResult IsBackground(const CFrameImage& image, int x, int y)
{
    return PixelNear(image, x, y, kBackgroundRgb8, 1);
}

int CountPixelsNear(const CFrameImage& image, int x0, int y0, int x1, int y1, CRgb8 color, int tolerance)
{
    int count = 0;
    for (int y = std::max(y0, 0); y <= std::min(y1, image.m_nHeight - 1); ++y)
        for (int x = std::max(x0, 0); x <= std::min(x1, image.m_nWidth - 1); ++x)
            if (Near(image.Pixel(x, y), color, tolerance))
                ++count;
    return count;
}

::testing::AssertionResult RegionContains(const CFrameImage& image, int x0, int y0, int x1, int y1, CRgb8 color,
                                          int tolerance)
{
    if (CountPixelsNear(image, x0, y0, x1, y1, color, tolerance) > 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no pixel near " << Describe(color) << " +- " << tolerance << " in [" << x0
                                         << ", " << x1 << "] x [" << y0 << ", " << y1 << "]";
}

CFrameImage ReadPngFrame(const std::string& path)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    CFrameImage frame;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return frame;
    png.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(png));
    // A negative row stride stores the last PNG row first, as GL does.
    const auto stride = -static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), stride, nullptr))
        return frame;
    frame.m_nWidth = static_cast<int>(png.width);
    frame.m_nHeight = static_cast<int>(png.height);
    frame.m_pixels = std::move(pixels);
    return frame;
}

void LoadFeedbackProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-5.0, 5.0, -3.625, 3.625, -10.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
}

CFeedback CaptureFeedback(const std::function<void()>& draw)
{
    // Room for the quadrics of the axes triad, 7 floats a vertex.
    std::vector<GLfloat> buffer(1 << 21);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint size = glRenderMode(GL_RENDER);
    EXPECT_GE(size, 0) << "feedback buffer overflow";
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const double pixelsPerUnit = viewport[2] / 10.0;
    const auto vertex = [&](GLint i) {
        CFeedbackVertex v;
        v.p = {buffer[i] / pixelsPerUnit - 5.0, buffer[i + 1] / pixelsPerUnit - 3.625,
               10.0 * (1.0 - 2.0 * buffer[i + 2])};
        std::copy(&buffer[i + 3], &buffer[i + 7], v.color.begin());
        return v;
    };
    CFeedback feedback;
    for (GLint i = 0; i < size;) {
        const auto token = static_cast<GLint>(buffer[i]);
        if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            feedback.lines.push_back({vertex(i + 1), vertex(i + 8)});
            i += 15;
        } else if (token == GL_BITMAP_TOKEN) {
            feedback.glyphs.push_back(vertex(i + 1));
            i += 8;
        } else if (token == GL_POLYGON_TOKEN) {
            i += 2 + 7 * static_cast<GLint>(buffer[i + 1]);
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
    }
    return feedback;
}

void CGlPixelTest::SetUpTestSuite()
{
    s_pContext = std::make_unique<COffscreenContext>();
    s_pContext->Create();
}

void CGlPixelTest::TearDownTestSuite()
{
    s_pContext.reset();
}

void CGlPixelTest::SetUp()
{
    ASSERT_TRUE(s_pContext && s_pContext->IsValid()) << (s_pContext ? s_pContext->GetError() : "no context");
    ASSERT_TRUE(s_pContext->MakeCurrent());
    glViewport(0, 0, s_pContext->GetWidth(), s_pContext->GetHeight());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void CGlPixelTest::TearDown()
{
    if (!HasFailure() || !s_pContext || !s_pContext->IsValid())
        return;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name() + ".actual.png";
    std::replace(name.begin(), name.end(), '/', '_');
    const std::string path = std::filesystem::absolute(name).string();
    if (WritePng(path, Frame()))
        std::cout << "The frame of the failed test is in " << path << "\n";
    else
        std::cout << "Could not write the frame of the failed test to " << path << "\n";
}

int RunRenderCommand(const std::string& arguments, const std::string& errFile, std::string& err)
{
    const std::string command =
        std::string("'") + VP_CLI_PATH + "' render " + arguments + " 2>'" + errFile + "' >/dev/null";
    const int raw = std::system(command.c_str());
    std::ifstream in(errFile);
    std::ostringstream text;
    text << in.rdbuf();
    err = text.str();
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
