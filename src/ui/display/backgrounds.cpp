#include "ui/display/backgrounds.h"

namespace quilve::ui {

namespace {

constexpr Rgb kWell{24, 24, 32};
constexpr Rgb kShadow{128, 128, 128};
constexpr Rgb kLight{250, 250, 250};
constexpr Rgb kPanel{236, 236, 236};

void fill(PixelImage& img, const Rect& r, Rgb c) {
  for (int y = r.y; y < r.y + r.h; ++y)
    for (int x = r.x; x < r.x + r.w; ++x) img.set(x, y, c);
}

// A dark well with a one-pixel sunken edge just outside it.
void well(PixelImage& img, const Rect& r) {
  fill(img, Rect{r.x - 1, r.y - 1, r.w + 2, 1}, kShadow);
  fill(img, Rect{r.x - 1, r.y - 1, 1, r.h + 2}, kShadow);
  fill(img, Rect{r.x - 1, r.y + r.h, r.w + 2, 1}, kLight);
  fill(img, Rect{r.x + r.w, r.y - 1, 1, r.h + 2}, kLight);
  fill(img, r, kWell);
}

}  // namespace

PixelImage makeMainBackground() {
  PixelImage img(kMainBackgroundWidth, kMainCanvasHeight, Rgb{255, 255, 255});
  well(img, Rect{254, 30, 522, 522});     // behind the 4 x 4 gallery
  fill(img, Rect{256, 552, 512, 48}, kPanel);  // cursor read-out
  return img;
}

PixelImage makeTraceBackground() {
  PixelImage img(kTraceCanvasWidth, kTraceCanvasHeight, Rgb{255, 255, 255});
  well(img, Rect{32, 32, 768, 196});  // plot area
  fill(img, Rect{32, 228, 768, 48}, kPanel);  // cursor read-out
  return img;
}

}  // namespace quilve::ui

namespace quilve::ui {
void mapWhiteToFace(PixelImage& picture, Rgb face) {
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      if (picture.get(x, y) == Rgb{255, 255, 255}) picture.set(x, y, face);
}
}  // namespace quilve::ui
