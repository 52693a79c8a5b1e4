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
  if (x0 >= x1 || y0 >= y1) return;
  std::uint8_t* out = canvas.pixelData();
  for (int y = y0; y < y1; ++y)
    bgrToRgb(img.row(y) + 3 * x0, out + (static_cast<std::size_t>(y) * canvas.width() + x0) * 3,
             x1 - x0);
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
  if (xBegin >= xEnd || yBegin >= yEnd) return;
  std::uint8_t* out = canvas.pixelData();
  const int firstSource = src.x + (xBegin - dst.x);
  if (src.w == dst.w && src.h == dst.h && firstSource >= 0 &&
      firstSource + (xEnd - xBegin) <= img.width()) {
    // The same size and the source columns inside the image: each row is
    // one run of pixels.
    for (int y = yBegin; y < yEnd; ++y) {
      const int sy = src.y + (y - dst.y);
      if (sy < 0 || sy >= img.height()) continue;
      bgrToRgb(img.row(sy) + 3 * firstSource,
               out + (static_cast<std::size_t>(y) * canvas.width() + xBegin) * 3, xEnd - xBegin);
    }
    return;
  }
  // Source byte offsets of the destination columns, worked out once per
  // chunk of columns (no allocation: tiles are refreshed per scan column).
  constexpr int kChunk = 512;
  int sourceX[kChunk];
  for (int chunk = xBegin; chunk < xEnd; chunk += kChunk) {
    const int n = std::min(kChunk, xEnd - chunk);
    for (int i = 0; i < n; ++i) {
      const int dx = chunk + i - dst.x;
      const int sx = src.x + (src.w == dst.w ? dx
                                            : static_cast<int>(static_cast<long long>(dx) * src.w / dst.w));
      sourceX[i] = sx >= 0 && sx < img.width() ? 3 * sx : -1;
    }
    for (int y = yBegin; y < yEnd; ++y) {
      // Same heights (a gallery cell) need no division per row.
      const int dy = y - dst.y;
      const int sy = src.y + (src.h == dst.h ? dy
                                            : static_cast<int>(static_cast<long long>(dy) * src.h / dst.h));
      if (sy < 0 || sy >= img.height()) continue;
      const std::uint8_t* s = img.row(sy);
      std::uint8_t* d = out + (static_cast<std::size_t>(y) * canvas.width() + chunk) * 3;
      for (int i = 0; i < n; ++i, d += 3) {
        const int sx = sourceX[i];
        if (sx < 0) continue;
        d[0] = s[sx + 2];
        d[1] = s[sx + 1];
        d[2] = s[sx];
      }
    }
  }
}

}  // namespace quilve::ui
