#pragma once

// The raster font of the view: one display list per printable ASCII
// character, drawn with glBitmap at the current raster position.

// First of the 128 consecutive list names reserved for the font (list
// g_nFontListBase + c draws character c); 0 while no font is built.
extern unsigned int g_nFontListBase;

// Needs a current context. Sets GL_UNPACK_ALIGNMENT to 1 for good.
void BuildBitmapFont();
// Draws `text` from the current raster position in the colour latched with
// it; each glyph advances the raster position by 10 pixels. Needs a current
// context. Only codes 32 to 126 are drawn; other bytes are skipped.
void DrawBitmapText(const char* text);
// Needs the context the font was built in, current. Does nothing when no
// font is built.
void DeleteBitmapFont();
