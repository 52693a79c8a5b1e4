#include "ui/display/readout_box.h"

#include <cstdio>

#include "ui/display/colour_map.h"

namespace quilve::ui {

namespace {
const char* const kAxes[3] = {"X", "Y", "Z"};
const char* const kDeltaAxes[3] = {"dX", "dY", "dZ"};
}  // namespace

std::string readoutText(const char* axis, const std::string& unit, double value) {
  char text[96];
  std::snprintf(text, sizeof text, "%s(%s): %#8.2f", axis, unit.c_str(), value);
  return text;
}

ReadoutLayout mainReadoutLayout() {
  ReadoutLayout l;
  l.box = Rect{256, 552, 512, 48};
  l.axes = 3;
  l.valueX = {320, 448, 576};
  l.valueY = {562, 562, 562};
  l.deltaX = {320, 448, 576};
  l.deltaY = {578, 578, 578};
  return l;
}

ReadoutLayout traceReadoutLayout() {
  ReadoutLayout l;
  l.box = Rect{32, 228, 768, 48};
  l.axes = 2;
  l.valueX = {96, 96, 0};
  l.valueY = {238, 254, 0};
  l.deltaX = {224, 224, 0};
  l.deltaY = {238, 254, 0};
  return l;
}

void ReadoutBox::setUnits(const std::string& x, const std::string& y, const std::string& z) {
  units_ = {x, y, z};
}

void ReadoutBox::clear(Canvas& canvas, const PixelImage& background, Rgb face) const {
  const Rect& b = layout_.box;
  canvas.fill(b.x, b.y, b.w, b.h, face);
  copyRect(canvas, background, b);
}

void ReadoutBox::show(Canvas& canvas, const PixelImage& background, Rgb face,
                      const std::array<double, 3>& values) const {
  clear(canvas, background, face);
  for (int a = 0; a < layout_.axes && a < 3; ++a) {
    const std::size_t i = static_cast<std::size_t>(a);
    canvas.text(layout_.valueX[i], layout_.valueY[i], readoutText(kAxes[a], units_[i], values[i]),
                kBlack);
  }
}

void ReadoutBox::showWithDeltas(Canvas& canvas, const PixelImage& background, Rgb face,
                                const std::array<double, 3>& values,
                                const std::array<double, 3>& deltas) const {
  show(canvas, background, face, values);
  for (int a = 0; a < layout_.axes && a < 3; ++a) {
    const std::size_t i = static_cast<std::size_t>(a);
    canvas.text(layout_.deltaX[i], layout_.deltaY[i],
                readoutText(kDeltaAxes[a], units_[i], deltas[i]), kBlack);
  }
}

}  // namespace quilve::ui
