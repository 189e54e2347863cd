#include "GlTestSupport.h"

#include "render/BitmapFontTable.h"
#include "render/BitmapText.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace
{

using Rows = std::array<unsigned char, kBitmapFontRows>;

Rows GlyphOf(char c)
{
    Rows rows{};
    const auto* glyph = kBitmapFontGlyphs[c - kBitmapFontFirstCode];
    std::copy(glyph, glyph + kBitmapFontRows, rows.begin());
    return rows;
}

TEST(BitmapFontTable, FixedGlyphsAreExactAndEveryOtherGlyphHasInk)
{
    EXPECT_EQ(GlyphOf(' '), Rows{});
    EXPECT_EQ(GlyphOf('!'), (Rows{0x00, 0x00, 0x18, 0x18, 0x00, 0x00, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18}));
    EXPECT_EQ(GlyphOf('A'), (Rows{0x00, 0x00, 0xc3, 0xc3, 0xc3, 0xc3, 0xff, 0xc3, 0xc3, 0xc3, 0x66, 0x3c, 0x18}));
    EXPECT_EQ(GlyphOf('~'), (Rows{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x8f, 0xf1, 0x60, 0x00}));
    for (char c = '!'; c <= '~'; ++c)
        EXPECT_NE(GlyphOf(c), Rows{}) << "glyph '" << c << "' is blank";
    // Letters and digits stand on the baseline: nothing but descenders below it.
    for (const char c : std::string("0123456789ABCDEFGHIJKLMNOPRSTUVWXYZabcdefhiklmnorstuvwxz.:>"))
        EXPECT_EQ(GlyphOf(c)[0] | GlyphOf(c)[1], 0) << "glyph '" << c << "' reaches below the baseline";
}

// Pixel-exact frame: one window pixel per unit, raster positions on whole pixels.
class BitmapText : public CGlPixelTest
{
  protected:
    void SetUp() override
    {
        CGlPixelTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glOrtho(0.0, Context().GetWidth(), 0.0, Context().GetHeight(), -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        BuildBitmapFont();
        ASSERT_NE(g_nFontListBase, 0u);
    }
    void TearDown() override
    {
        DeleteBitmapFont();
        CGlPixelTest::TearDown();
    }

    static void StartText(int x, int y, const double* rgb)
    {
        glColor3dv(rgb);
        glRasterPos2i(x, y);
    }
    static float RasterX()
    {
        GLfloat position[4] = {};
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
        return position[0];
    }
    static int CountNotBackground(const CFrameImage& frame)
    {
        return frame.m_nWidth * frame.m_nHeight -
               CountPixelsNear(frame, 0, 0, frame.m_nWidth - 1, frame.m_nHeight - 1, kBackgroundRgb8, 1);
    }
};

const double kWhite[3] = {1.0, 1.0, 1.0};

TEST_F(BitmapText, GlyphBitsLandTwoRowsBelowTheRasterPositionAndAdvanceTenPixels)
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    StartText(100, 200, kWhite);
    DrawBitmapText("A!~g");
    EXPECT_FLOAT_EQ(RasterX(), 140.0f);

    const CFrameImage frame = Frame();
    const std::string text = "A!~g";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Rows glyph = GlyphOf(text[i]);
        const int left = 100 + 10 * static_cast<int>(i);
        for (int row = 0; row < kBitmapFontRows; ++row)
            for (int col = 0; col < 10; ++col) {
                const bool ink = col < 8 && (glyph[static_cast<std::size_t>(row)] & (0x80 >> col)) != 0;
                const CRgb8 expected = ink ? CRgb8{255, 255, 255} : CRgb8{0, 0, 0};
                ASSERT_TRUE(PixelNear(frame, left + col, 198 + row, expected, 0))
                    << "'" << text[i] << "' row " << row << " column " << col;
            }
    }
    // Nothing above or below the glyph cells.
    EXPECT_EQ(CountPixelsNear(frame, 95, 190, 150, 197, {0, 0, 0}, 0), 56 * 8);
    EXPECT_EQ(CountPixelsNear(frame, 95, 211, 150, 220, {0, 0, 0}, 0), 56 * 10);
}

TEST_F(BitmapText, EmptyAndUnprintableTextDrawNothingAndStayPut)
{
    StartText(50, 50, kWhite);
    DrawBitmapText("");
    DrawBitmapText(nullptr);
    EXPECT_FLOAT_EQ(RasterX(), 50.0f);
    // Control characters and bytes above 126 have no glyph and no advance;
    // the printable characters between them still draw.
    DrawBitmapText("\t\x7f\x80\xff");
    EXPECT_FLOAT_EQ(RasterX(), 50.0f);
    EXPECT_EQ(CountNotBackground(Frame()), 0);
    DrawBitmapText("\x01"
                   "A\xe9"
                   "A");
    EXPECT_FLOAT_EQ(RasterX(), 70.0f);
}

TEST_F(BitmapText, NeverReplaysListsOutsideTheFont)
{
    // A foreign list under a name the font does not own (base + 0xC8) and,
    // after the font is gone, under the name base 0 would give 'A'.
    const GLuint foreign[] = {g_nFontListBase + 0xC8, 'A'};
    for (const GLuint name : foreign) {
        glNewList(name, GL_COMPILE);
        glRectd(0.0, 0.0, 1000.0, 725.0);
        glEndList();
    }
    StartText(50, 50, kWhite);
    DrawBitmapText("\xc8");
    DeleteBitmapFont();
    EXPECT_EQ(g_nFontListBase, 0u);
    DrawBitmapText("A");
    DeleteBitmapFont(); // a second deletion is harmless
    EXPECT_EQ(CountNotBackground(Frame()), 0);
    for (const GLuint name : foreign)
        glDeleteLists(name, 1);
}

TEST_F(BitmapText, KeepsTheCallersListBaseAndDeletesEveryGlyphList)
{
    glListBase(77);
    StartText(10, 10, kWhite);
    DrawBitmapText("12:34");
    GLint base = 0;
    glGetIntegerv(GL_LIST_BASE, &base);
    EXPECT_EQ(base, 77);
    glListBase(0);

    const GLuint first = g_nFontListBase;
    DeleteBitmapFont();
    for (GLuint c = 32; c <= 126; ++c)
        ASSERT_FALSE(glIsList(first + c)) << "list of code " << c << " survived";
}

} // namespace
