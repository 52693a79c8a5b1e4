#include "ui/display/backdrop.h"

#include <algorithm>

namespace quilve::ui {

void applyBackground(Canvas& canvas, const PixelImage* picture, Rgb face) {
  canvas.fill(0, 0, canvas.width(), canvas.height(), face);
  if (picture == nullptr || picture->empty()) return;
  const int w = std::min(canvas.width(), picture->width());
  const int h = std::min(canvas.height(), picture->height());
  const std::size_t canvasRow = static_cast<std::size_t>(canvas.width()) * 3;
  for (int y = 0; y < h; ++y) {
    // Blue, green, red in the picture; red, green, blue on the canvas.
    const std::uint8_t* s = picture->row(y);
    std::uint8_t* d = canvas.pixelData() + static_cast<std::size_t>(y) * canvasRow;
    for (int x = 0; x < w; ++x, s += 3, d += 3) {
      const bool white = s[0] == 255 && s[1] == 255 && s[2] == 255;
      d[0] = white ? face.r : s[2];
      d[1] = white ? face.g : s[1];
      d[2] = white ? face.b : s[0];
    }
  }
}

void Backdrop::draw(Canvas& canvas, const PixelImage* picture, Rgb face) {
  if (!valid_ || face_ != face || ready_.width() != canvas.width() ||
      ready_.height() != canvas.height()) {
    ready_.resize(canvas.width(), canvas.height(), face);
    applyBackground(ready_, picture, face);
    face_ = face;
    valid_ = true;
  }
  canvas.removeTexts(0, 0, canvas.width(), canvas.height());
  if (!ready_.rgb().empty())
    std::copy(ready_.rgb().begin(), ready_.rgb().end(), canvas.pixelData());
}

}  // namespace quilve::ui
