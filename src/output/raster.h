#pragma once
// A picture in memory: rows top to bottom, three bytes (red, green, blue)
// per pixel, no padding, with the few drawing operations the pictures need.
// Everything outside the picture is clipped.
#include <cstdint>
#include <vector>

#include "output/rgb.h"

namespace quilve {

class Raster {
 public:
  Raster(int width, int height, Rgb fill);

  int width() const { return width_; }
  int height() const { return height_; }
  const std::uint8_t* row(int y) const { return &pixels_[rowOffset(y)]; }
  std::uint8_t* row(int y) { return &pixels_[rowOffset(y)]; }

  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  Rgb pixel(int x, int y) const;
  void setPixel(int x, int y, Rgb c);
  void fill(int x, int y, int w, int h, Rgb c);
  // Every pixel of the straight line between the two points, ends included.
  void line(int x0, int y0, int x1, int y1, Rgb c);

 private:
  std::size_t rowOffset(int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) * 3;
  }

  int width_;
  int height_;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace quilve
