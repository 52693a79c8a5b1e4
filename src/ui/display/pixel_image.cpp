#include "ui/display/pixel_image.h"

#include <algorithm>

namespace quilve::ui {

PixelImage::PixelImage(int width, int height, Rgb fill) { resize(width, height, fill); }

void PixelImage::resize(int width, int height, Rgb fill) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  rowBytes_ = Image::rowBytes(width_, 24);
  bytes_.assign(static_cast<std::size_t>(rowBytes_) * height_, 0);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) set(x, y, fill);
}

Image PixelImage::view() const {
  Image img;
  img.width = width_;
  img.height = height_;
  img.bitsPerPixel = 24;
  img.pixels = bytes_.empty() ? nullptr : bytes_.data();
  return img;
}

void copyRect(Canvas& canvas, const PixelImage& img, const Rect& r) {
  const int x0 = std::max({0, r.x}), y0 = std::max({0, r.y});
  const int x1 = std::min({r.x + r.w, img.width(), canvas.width()});
  const int y1 = std::min({r.y + r.h, img.height(), canvas.height()});
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) canvas.setPixel(x, y, img.get(x, y));
}

void stretchCopy(Canvas& canvas, const PixelImage& img, const Rect& dst, const Rect& src,
                 int firstSrcColumn, int endSrcColumn) {
  if (dst.w <= 0 || dst.h <= 0 || src.w <= 0 || src.h <= 0) return;
  firstSrcColumn = std::max(0, firstSrcColumn);
  endSrcColumn = std::min(src.w, endSrcColumn);
  if (firstSrcColumn >= endSrcColumn) return;
  // Destination columns i with floor(i * src.w / dst.w) in the range.
  const long long iBegin = (static_cast<long long>(firstSrcColumn) * dst.w + src.w - 1) / src.w;
  const long long iEnd = (static_cast<long long>(endSrcColumn) * dst.w + src.w - 1) / src.w;
  const int xBegin = std::max(0, dst.x + static_cast<int>(iBegin));
  const int xEnd = std::min(canvas.width(), dst.x + static_cast<int>(std::min<long long>(iEnd, dst.w)));
  const int yBegin = std::max(0, dst.y);
  const int yEnd = std::min(canvas.height(), dst.y + dst.h);
  for (int y = yBegin; y < yEnd; ++y) {
    const int sy = src.y + static_cast<int>(static_cast<long long>(y - dst.y) * src.h / dst.h);
    for (int x = xBegin; x < xEnd; ++x) {
      const int sx = src.x + static_cast<int>(static_cast<long long>(x - dst.x) * src.w / dst.w);
      canvas.setPixel(x, y, img.get(sx, sy));
    }
  }
}

}  // namespace quilve::ui
