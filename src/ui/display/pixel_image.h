#pragma once
// An off-screen 24-bit picture (rows top to bottom, each padded to four
// bytes, pixels stored blue, green, red) and the copies from it onto a
// window canvas: plain rectangles for backgrounds and nearest-neighbour
// stretched rectangles for the chirp tiles.
#include <cstdint>
#include <vector>

#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
  bool operator==(const Rect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
  bool operator!=(const Rect& o) const { return !(*this == o); }
};

class PixelImage {
 public:
  PixelImage() = default;
  PixelImage(int width, int height, Rgb fill = Rgb{});

  void resize(int width, int height, Rgb fill = Rgb{});
  int width() const { return width_; }
  int height() const { return height_; }
  int rowBytes() const { return rowBytes_; }
  bool empty() const { return width_ <= 0 || height_ <= 0; }

  // Outside the picture: set does nothing, get gives black.
  void set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint8_t* p = bytes_.data() + static_cast<std::size_t>(y) * rowBytes_ + 3 * x;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
  }
  Rgb get(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return Rgb{};
    const std::uint8_t* p = bytes_.data() + static_cast<std::size_t>(y) * rowBytes_ + 3 * x;
    return Rgb{p[2], p[1], p[0]};
  }
  std::uint8_t* row(int y) { return bytes_.data() + static_cast<std::size_t>(y) * rowBytes_; }
  const std::uint8_t* row(int y) const {
    return bytes_.data() + static_cast<std::size_t>(y) * rowBytes_;
  }
  // The picture as the toolkit's drawing operation takes it.
  Image view() const;

 private:
  int width_ = 0;
  int height_ = 0;
  int rowBytes_ = 0;
  std::vector<std::uint8_t> bytes_;
};

// n pixels from an image row (blue, green, red) to a canvas row (red, green,
// blue); the runs may not overlap.
void bgrToRgb(const std::uint8_t* s, std::uint8_t* d, int n);

// Copies rectangle `r` of `img` to the same place on the canvas (both clipped).
void copyRect(Canvas& canvas, const PixelImage& img, const Rect& r);

// Copies `src` of `img` into `dst` on the canvas, stretched: destination
// pixel (x, y) takes source pixel (src.x + (x - dst.x) * src.w / dst.w,
// src.y + (y - dst.y) * src.h / dst.h). Only the destination columns whose
// source column lies in [firstSrcColumn, endSrcColumn) (counted from src.x)
// are drawn, so a single new tile column can be refreshed on its own with
// exactly the pixels a full copy would give.
void stretchCopy(Canvas& canvas, const PixelImage& img, const Rect& dst, const Rect& src,
                 int firstSrcColumn, int endSrcColumn);
inline void stretchCopy(Canvas& canvas, const PixelImage& img, const Rect& dst, const Rect& src) {
  stretchCopy(canvas, img, dst, src, 0, src.w);
}

}  // namespace quilve::ui
