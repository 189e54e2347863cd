#pragma once

#include "render/FrameImage.h"
#include "render/OffscreenContext.h"
#include "scene/Vec3d.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A colour as the frame stores it, one byte per channel.
struct CRgb8 {
    int r = 0;
    int g = 0;
    int b = 0;
};

// The byte colour OpenGL stores for three doubles in 0..1 (as handed to glColor3dv).
CRgb8 ToRgb8(const double* rgb);
// The background grey 0.2 of the view, as stored in the frame.
inline constexpr CRgb8 kBackgroundRgb8{51, 51, 51};

// Pixel (x, y) in GL window coordinates is within `tolerance` of `expected` in every channel.
::testing::AssertionResult PixelNear(const CFrameImage& image, int x, int y, CRgb8 expected, int tolerance = 2);
::testing::AssertionResult IsBackground(const CFrameImage& image, int x, int y);
// How many pixels of the rectangle [x0, x1] x [y0, y1] (inclusive, clipped to the image) are near `color`.
int CountPixelsNear(const CFrameImage& image, int x0, int y0, int x1, int y1, CRgb8 color, int tolerance = 2);
::testing::AssertionResult RegionContains(const CFrameImage& image, int x0, int y0, int x1, int y1, CRgb8 color,
                                          int tolerance = 2);

// Reads a PNG back into a frame (rows bottom-up, alpha 255); empty on failure.
CFrameImage ReadPngFrame(const std::string& path);

// What a drawing issued, read back from OpenGL's feedback mode in scene
// coordinates: its lines and the raster position of every glyph, each with
// its colour. LoadFeedbackProjection sets the orthographic box this maps
// back from (10 x 7.25 x 20 scene units over the 1000 x 725 frame, z from
// +10 to -10); the model-view matrix is the caller's.
struct CFeedbackVertex {
    Vec3d p;
    std::array<float, 4> color{};
};
struct CFeedbackLine {
    CFeedbackVertex from, to;
};
struct CFeedback {
    std::vector<CFeedbackLine> lines;
    std::vector<CFeedbackVertex> glyphs;
};
void LoadFeedbackProjection();
CFeedback CaptureFeedback(const std::function<void()>& draw);

// Base of the pixel tests: one offscreen 1000 x 725 context per test suite,
// made current before every test with a fresh frame: viewport over the whole
// frame, identity projection and model-view matrices, colour and depth
// cleared to the background grey. Other GL state carries over between the
// tests of a suite. When a test fails, the frame it left is written as
// "<suite>.<test>.actual.png" into the test's working folder.
class CGlPixelTest : public ::testing::Test
{
  public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

  protected:
    void SetUp() override;
    void TearDown() override;

    static COffscreenContext& Context() { return *s_pContext; }
    // The frame as drawn so far.
    static CFrameImage Frame() { return s_pContext->ReadPixels(); }

  private:
    static std::unique_ptr<COffscreenContext> s_pContext;
};

// Runs `volume-planner-cli render` with the arguments (shell words) and
// returns its exit status, -1 when it did not exit; its standard error goes
// through `errFile` into `err`.
int RunRenderCommand(const std::string& arguments, const std::string& errFile, std::string& err);
