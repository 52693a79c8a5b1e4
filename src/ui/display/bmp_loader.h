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

// A background kept ready in the canvas's own pixel format, so that it is
// drawn with one copy: the pixels and the removed texts of
// applyBackground. The ready pixels are made again when the canvas size or
// the face colour differ from the last draw, or after forget().
class Backdrop {
 public:
  void draw(Canvas& canvas, const PixelImage* picture, Rgb face);
  // The picture drawn from now on is another one, or has changed.
  void forget() { valid_ = false; }

 private:
  Canvas ready_;
  Rgb face_{};
  bool valid_ = false;
};

}  // namespace quilve::ui
