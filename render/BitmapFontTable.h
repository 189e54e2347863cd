#pragma once

// The view's raster font: one glyph per printable ASCII code 32 to 126, each
// 8 pixels wide and 13 high, stored as glBitmap takes it (one byte per row,
// bottom row first, most significant bit leftmost).
inline constexpr int kBitmapFontFirstCode = 32;
inline constexpr int kBitmapFontGlyphCount = 95;
inline constexpr int kBitmapFontRows = 13;

extern const unsigned char kBitmapFontGlyphs[kBitmapFontGlyphCount][kBitmapFontRows];
