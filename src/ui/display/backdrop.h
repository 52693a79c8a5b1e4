#pragma once
// The background pictures of the main and Trace windows on their canvases.
#include "ui/display/pixel_image.h"

namespace quilve::ui {

// Fills the canvas with `face`, then copies the picture row by row into its
// top left corner, at most the canvas's width and height; pure white pixels
// take the button-face colour, all others are copied. A null or empty
// picture leaves the canvas in the face colour. Texts on the canvas are
// removed.
void applyBackground(Canvas& canvas, const PixelImage* picture, Rgb face);

// A background kept ready in the canvas's own pixel format, so that it is
// drawn with one copy: the pixels and the removed texts of
// applyBackground. The ready pixels are made again when the canvas size or
// the face colour differ from the last draw, or after forget().
class Backdrop {
 public:
  void draw(Canvas& canvas, const PixelImage* picture, Rgb face);
  // The picture drawn from now on is another one, or has changed.
  void forget() { valid_ = false; }

 private:
  Canvas ready_;
  Rgb face_{};
  bool valid_ = false;
};

}  // namespace quilve::ui
