#include "render/BitmapText.h"

#include "render/BitmapFontTable.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

unsigned int g_nFontListBase = 0;

namespace
{

constexpr GLsizei kReservedLists = 128;
constexpr int kLastCode = kBitmapFontFirstCode + kBitmapFontGlyphCount - 1;

bool HasGlyph(unsigned char c)
{
    return c >= kBitmapFontFirstCode && c <= kLastCode;
}

} // namespace

void BuildBitmapFont()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    g_nFontListBase = glGenLists(kReservedLists);
    // No names (no context, or none left): compiling at base 0 would
    // overwrite lists 32 to 126 that belong to someone else.
    if (g_nFontListBase == 0)
        return;
    for (int c = kBitmapFontFirstCode; c <= kLastCode; ++c) {
        glNewList(g_nFontListBase + static_cast<GLuint>(c), GL_COMPILE);
        glBitmap(8, kBitmapFontRows, 0.0f, 2.0f, 10.0f, 0.0f, kBitmapFontGlyphs[c - kBitmapFontFirstCode]);
        glEndList();
    }
}

void DrawBitmapText(const char* text)
{
    // Without a font, list base 0 would replay whatever lists 32 to 126 hold.
    if (!text || g_nFontListBase == 0)
        return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t count = std::strlen(text);
    // A byte of 128 or more would call a list beyond the font's 128 names,
    // one that may belong to another drawing, so such bytes are dropped with
    // the control characters, which have no glyph either.
    std::string printable;
    if (!std::all_of(bytes, bytes + count, HasGlyph)) {
        std::copy_if(bytes, bytes + count, std::back_inserter(printable), HasGlyph);
        bytes = reinterpret_cast<const unsigned char*>(printable.data());
        count = printable.size();
    }
    if (count == 0)
        return;
    glPushAttrib(GL_LIST_BIT);
    glListBase(g_nFontListBase);
    glCallLists(static_cast<GLsizei>(count), GL_UNSIGNED_BYTE, bytes);
    glPopAttrib();
}

void DeleteBitmapFont()
{
    if (g_nFontListBase == 0)
        return;
    // All 128 reserved names go back, not only the 95 defined lists, so a
    // rebuilt font does not leave names behind.
    glDeleteLists(g_nFontListBase, kReservedLists);
    g_nFontListBase = 0;
}
