// Drawing into a canvas: pixels, lines, fills, texts and bitmaps, all
// clipped to the canvas.
#include "ui/toolkit/canvas.h"

#include <algorithm>
#include <cstring>

#include "output/line_points.h"

namespace quilve::ui {

void Canvas::resize(int width, int height, Rgb fillColour) {
  width = std::max(0, width);
  height = std::max(0, height);
  std::vector<std::uint8_t> next(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i + 2 < next.size(); i += 3) {
    next[i] = fillColour.r;
    next[i + 1] = fillColour.g;
    next[i + 2] = fillColour.b;
  }
  // Keep what was drawn where the old and the new size overlap.
  const int cw = std::min(width, width_);
  const int ch = std::min(height, height_);
  for (int y = 0; y < ch; ++y) {
    std::memcpy(&next[(static_cast<std::size_t>(y) * width) * 3],
                &rgb_[(static_cast<std::size_t>(y) * width_) * 3], static_cast<std::size_t>(cw) * 3);
  }
  rgb_ = std::move(next);
  width_ = width;
  height_ = height;
}

Rgb Canvas::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return Rgb{};
  const std::size_t i = (static_cast<std::size_t>(y) * width_ + x) * 3;
  return Rgb{rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

void Canvas::setPixel(int x, int y, Rgb c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  const std::size_t i = (static_cast<std::size_t>(y) * width_ + x) * 3;
  rgb_[i] = c.r;
  rgb_[i + 1] = c.g;
  rgb_[i + 2] = c.b;
}

void Canvas::line(int x0, int y0, int x1, int y1, Rgb c) {
  // Points outside are skipped one by one, which is cheap for short segments.
  forEachLinePoint(x0, y0, x1, y1, [&](int x, int y) { setPixel(x, y, c); });
}

void Canvas::fill(int x, int y, int w, int h, Rgb c) {
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(width_, x + std::max(0, w)), y1 = std::min(height_, y + std::max(0, h));
  if (x0 < x1 && y0 < y1) {
    // The first row pixel by pixel, the others copied from it.
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * 3;
    std::uint8_t* first = &rgb_[(static_cast<std::size_t>(y0) * width_ + x0) * 3];
    for (std::size_t i = 0; i < bytes; i += 3) {
      first[i] = c.r;
      first[i + 1] = c.g;
      first[i + 2] = c.b;
    }
    for (int yy = y0 + 1; yy < y1; ++yy)
      std::memcpy(&rgb_[(static_cast<std::size_t>(yy) * width_ + x0) * 3], first, bytes);
  }
  // A fill paints over the texts anchored inside it.
  removeTexts(x, y, w, h);
}

void Canvas::removeTexts(int x, int y, int w, int h) {
  texts_.erase(std::remove_if(texts_.begin(), texts_.end(),
                              [&](const Text& t) {
                                return t.x >= x && t.x < x + w && t.y >= y && t.y < y + h;
                              }),
               texts_.end());
}

void Canvas::text(int x, int y, const std::string& s, Rgb c) {
  // A text drawn again at the same place replaces the old one, so that a
  // read-out rewritten for every call does not pile up.
  for (Text& t : texts_) {
    if (t.x == x && t.y == y) {
      t.text = s;
      t.colour = c;
      return;
    }
  }
  texts_.push_back(Text{x, y, c, s});
}

namespace {

bool imagePixel(const Image& img, int x, int y, Rgb* out) {
  const int stride = Image::rowBytes(img.width, img.bitsPerPixel);
  const std::uint8_t* row = img.pixels + static_cast<std::size_t>(y) * stride;
  auto fromPalette = [&](int index) {
    if (index >= img.paletteSize) return false;
    *out = img.palette[index];
    return true;
  };
  switch (img.bitsPerPixel) {
    case 1:
      return fromPalette((row[x / 8] >> (7 - x % 8)) & 1);
    case 4:
      return fromPalette((row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0f);
    case 8:
      return fromPalette(row[x]);
    case 15:
    case 16: {
      const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
      if (img.bitsPerPixel == 16) {
        *out = Rgb{static_cast<std::uint8_t>(((v >> 11) & 31) * 255 / 31),
                   static_cast<std::uint8_t>(((v >> 5) & 63) * 255 / 63),
                   static_cast<std::uint8_t>((v & 31) * 255 / 31)};
      } else {
        *out = Rgb{static_cast<std::uint8_t>(((v >> 10) & 31) * 255 / 31),
                   static_cast<std::uint8_t>(((v >> 5) & 31) * 255 / 31),
                   static_cast<std::uint8_t>((v & 31) * 255 / 31)};
      }
      return true;
    }
    case 24:
      *out = Rgb{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
      return true;
    case 32:
      *out = Rgb{row[4 * x + 2], row[4 * x + 1], row[4 * x]};
      return true;
    default:
      return false;
  }
}

}  // namespace

bool Canvas::image(const Image& img, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                   int sh) {
  static const int kBits[] = {1, 4, 8, 15, 16, 24, 32};
  if (!img.pixels || img.width <= 0 || img.height <= 0) return false;
  if (std::find(std::begin(kBits), std::end(kBits), img.bitsPerPixel) == std::end(kBits)) return false;
  if (img.bitsPerPixel <= 8 && (!img.palette || img.paletteSize <= 0)) return false;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
  for (int y = std::max(0, dy); y < std::min(height_, dy + dh); ++y) {
    const long long srcY = sy + static_cast<long long>(y - dy) * sh / dh;
    if (srcY < 0 || srcY >= img.height) continue;
    for (int x = std::max(0, dx); x < std::min(width_, dx + dw); ++x) {
      const long long srcX = sx + static_cast<long long>(x - dx) * sw / dw;
      if (srcX < 0 || srcX >= img.width) continue;
      Rgb c;
      if (imagePixel(img, static_cast<int>(srcX), static_cast<int>(srcY), &c)) setPixel(x, y, c);
    }
  }
  return true;
}

}  // namespace quilve::ui
