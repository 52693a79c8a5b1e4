#pragma once
// Background pictures: a reader of uncompressed 24-bit Windows bitmaps
// (BITMAPINFOHEADER or later, bottom-up or top-down) that checks every size
// against the bytes it was given, and the copy of a background onto a
// window canvas.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/display/pixel_image.h"

namespace quilve::ui {

struct BmpResult {
  bool ok = false;
  PixelImage image;
  // Why the bitmap was refused, one line ending in "\n": a depth other than
  // 24 bits gives "Unsupported BMP format BPP: <depth>\n".
  std::string error;
};

// Pictures larger than this on either side are refused.
constexpr int kMaxBmpSide = 8192;

BmpResult decodeBmp(const std::uint8_t* data, std::size_t size);
BmpResult decodeBmp(const std::vector<std::uint8_t>& bytes);
BmpResult loadBmpFile(const std::string& path);

// Fills the canvas with `face`, then copies the picture row by row into its
// top left corner, at most the canvas's width and height; pure white pixels
// take the button-face colour, all others are copied. A null or empty
// picture leaves the canvas in the face colour. Texts on the canvas are
// removed.
void applyBackground(Canvas& canvas, const PixelImage* picture, Rgb face);

}  // namespace quilve::ui
