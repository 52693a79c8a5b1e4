#include "output/raster.h"

#include "output/line_points.h"

#include <algorithm>
#include <cstdlib>

namespace quilve {

Raster::Raster(int width, int height, Rgb fill)
    : width_(std::max(0, width)), height_(std::max(0, height)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3) {
  for (std::size_t i = 0; i < pixels_.size(); i += 3) {
    pixels_[i] = fill.r;
    pixels_[i + 1] = fill.g;
    pixels_[i + 2] = fill.b;
  }
}

Rgb Raster::pixel(int x, int y) const {
  if (!inside(x, y)) return Rgb{};
  const std::uint8_t* p = row(y) + 3 * x;
  return Rgb{p[0], p[1], p[2]};
}

void Raster::setPixel(int x, int y, Rgb c) {
  if (!inside(x, y)) return;
  std::uint8_t* p = row(y) + 3 * x;
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
}

void Raster::fill(int x, int y, int w, int h, Rgb c) {
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(width_, x + w), y1 = std::min(height_, y + h);
  for (int yy = y0; yy < y1; ++yy) {
    for (int xx = x0; xx < x1; ++xx) setPixel(xx, yy, c);
  }
}

void Raster::line(int x0, int y0, int x1, int y1, Rgb c) {
  // Points outside are skipped one by one, which is cheap for short segments.
  forEachLinePoint(x0, y0, x1, y1, [&](int x, int y) { setPixel(x, y, c); });
}

}  // namespace quilve
