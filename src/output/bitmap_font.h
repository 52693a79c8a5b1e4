#pragma once
// A small bitmap font for the labels of the pictures: the printable ASCII
// characters in cells of 5 x 8 pixels (7 rows above the base line, one for
// descenders), 6 pixels apart. Any other character, and each multi-byte
// UTF-8 sequence, is drawn as "?".
#include <string>

#include "output/raster.h"

namespace quilve {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 8;
constexpr int kGlyphAdvance = 6;

// Characters the text is drawn as, after the substitution above.
int textLength(const std::string& text);
inline int textWidth(const std::string& text) {
  const int n = textLength(text);
  return n > 0 ? n * kGlyphAdvance - 1 : 0;
}

// Draws `text` with its top left corner at (x, y); only the set pixels of
// each glyph are painted.
void drawText(Raster& raster, int x, int y, const std::string& text, Rgb colour);

}  // namespace quilve
