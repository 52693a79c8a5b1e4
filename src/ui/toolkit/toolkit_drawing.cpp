// The drawing operations on a window's canvas, at the window's colour and
// scroll position.
#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

bool Toolkit::setColour(Window* w, Rgb c) {
  if (!owns(w)) return false;
  w->colour = c;
  return true;
}

bool Toolkit::colour(Window* w, Rgb* c) {
  if (!owns(w) || !c) return false;
  *c = w->colour;
  return true;
}

bool Toolkit::setWindowColour(Window* w) { return setColour(w, systemWindowColour()); }

bool Toolkit::drawPixel(Window* w, int x, int y) {
  if (!owns(w)) return false;
  w->canvas.setPixel(x - w->scrollX, y - w->scrollY, w->colour);
  return true;
}

bool Toolkit::drawLine(Window* w, int x0, int y0, int x1, int y1) {
  if (!owns(w)) return false;
  w->canvas.line(x0 - w->scrollX, y0 - w->scrollY, x1 - w->scrollX, y1 - w->scrollY, w->colour);
  return true;
}

bool Toolkit::drawSegments(Window* w, const std::vector<std::array<int, 4>>& segments) {
  if (!owns(w)) return false;
  for (const auto& s : segments) drawLine(w, s[0], s[1], s[2], s[3]);
  return true;
}

bool Toolkit::fillRect(Window* w, int x, int y, int width, int height) {
  if (!owns(w)) return false;
  w->canvas.fill(x - w->scrollX, y - w->scrollY, width, height, w->colour);
  return true;
}

bool Toolkit::drawText(Window* w, int x, int y, const std::string& text) {
  if (!owns(w)) return false;
  w->canvas.text(x - w->scrollX, y - w->scrollY, text, w->colour);
  return true;
}

bool Toolkit::drawImage(Window* w, const Image& img, int dx, int dy, int dw, int dh, int sx, int sy,
                        int sw, int sh) {
  if (!owns(w) || displayBitsPerPixel() <= 8) return false;
  return w->canvas.image(img, dx - w->scrollX, dy - w->scrollY, dw, dh, sx, sy, sw, sh);
}

void Toolkit::invalidate(Window* w) {
  if (!owns(w)) return;
  post([this, w] { canvasChanged(*w); });
}

}  // namespace quilve::ui
