// Pictures of shown windows and message boxes as 24-bit BMP files.
#include "ui/toolkit/fltk_native.h"
#include "ui/toolkit/fltk_window_pixels.h"

#include <FL/fl_draw.H>

#include <fstream>

namespace quilve::ui {

namespace {

bool writeScreenshot(Fl_Window* win, const std::string& bmpPath) {
  if (!win || !win->shown()) return false;
  const int width = win->w();
  const int height = win->h();
  std::unique_ptr<uchar[]> rgb(readWindowPixels(win));
  if (!rgb) return false;
  const int row = Image::rowBytes(width, 24);
  std::vector<std::uint8_t> file(54 + static_cast<std::size_t>(row) * height, 0);
  auto put32 = [&file](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<std::uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  file[26] = 1;
  file[28] = 24;
  put32(34, static_cast<std::uint32_t>(row) * height);
  // Rows bottom-up, pixels blue, green, red.
  for (int y = 0; y < height; ++y) {
    const uchar* src = rgb.get() + static_cast<std::size_t>(y) * width * 3;
    std::uint8_t* dst = file.data() + 54 + static_cast<std::size_t>(height - 1 - y) * row;
    for (int x = 0; x < width; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  std::ofstream out(bmpPath, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

}  // namespace

bool FltkToolkit::screenshot(Window* w, const std::string& bmpPath) {
  NativeWindow* nat = owns(w) ? impl_->native(*w) : nullptr;
  return nat && writeScreenshot(nat->win, bmpPath);
}

bool FltkToolkit::screenshotBox(const std::string& bmpPath) {
  return writeScreenshot(impl_->box.get(), bmpPath);
}

}  // namespace quilve::ui
