#pragma once
// What the windows draw on: a window's canvas, the bitmaps copied onto it,
// and how large its texts come out. Nothing here knows of a backend.
#include <cstdint>
#include <string>
#include <vector>

#include "output/rgb.h"

namespace quilve::ui {

using quilve::Rgb;

// A top-down bitmap as the drawing operation takes it: rows padded to four
// bytes, 24 and 32 bits stored blue, green, red; 16 bits with 5-6-5 masks,
// 15 bits with 5-5-5; 1, 4 and 8 bits index `palette`.
struct Image {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;
  const std::uint8_t* pixels = nullptr;
  const Rgb* palette = nullptr;
  int paletteSize = 0;
  static int rowBytes(int width, int bits) { return ((width * bits + 31) / 32) * 4; }
};

// How large a text drawn on a canvas comes out on the screen: its width
// and the height of a line, in pixels. Each toolkit answers for the font it
// draws canvas texts in; any thread may ask (drawing runs on workers).
class TextMeasure {
 public:
  virtual int textWidth(const std::string& text) const = 0;
  virtual int lineHeight() const = 0;

 protected:
  ~TextMeasure() = default;
};

// The plain drawing surface of a window: client-sized RGB pixels and the
// texts drawn on it. Workers draw into it under the program's drawing mutex;
// the backend shows it behind the controls when the window is painted.
class Canvas {
 public:
  struct Text {
    int x, y;
    Rgb colour;
    std::string text;
  };

  void resize(int width, int height, Rgb fill);
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb pixel(int x, int y) const;
  const std::vector<std::uint8_t>& rgb() const { return rgb_; }
  // The pixels for bulk copies: rows top to bottom, three bytes (red, green,
  // blue) per pixel, no padding. The caller stays inside width x height.
  std::uint8_t* pixelData() { return rgb_.data(); }
  const std::vector<Text>& texts() const { return texts_; }

  void setPixel(int x, int y, Rgb c);
  void line(int x0, int y0, int x1, int y1, Rgb c);
  void fill(int x, int y, int w, int h, Rgb c);
  // Removes the texts anchored inside the rectangle, as a fill of it does.
  void removeTexts(int x, int y, int w, int h);
  void text(int x, int y, const std::string& s, Rgb c);
  // Copies the source rectangle of the image into the destination
  // rectangle, stretching when the sizes differ. Both are clipped.
  bool image(const Image& img, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> rgb_;
  std::vector<Text> texts_;
};

}  // namespace quilve::ui
