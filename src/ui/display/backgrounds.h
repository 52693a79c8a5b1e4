#pragma once
// The windows' background pictures, drawn in code: white (shown in the
// button-face colour) with a dark well behind the chirp gallery of the main
// window and behind the plot area of the Trace window, each in a thin
// sunken frame, and a light panel behind the read-out boxes.
#include "ui/display/pixel_image.h"

namespace quilve::ui {

constexpr int kMainCanvasWidth = 832;
constexpr int kMainCanvasHeight = 624;
constexpr int kMainBackgroundWidth = 800;
constexpr int kTraceCanvasWidth = 832;
constexpr int kTraceCanvasHeight = 276;

PixelImage makeMainBackground();   // 800 x 624
PixelImage makeTraceBackground();  // 832 x 276

}  // namespace quilve::ui

namespace quilve::ui {
// Pure white pixels of the picture become `face` (how backgrounds are shown).
void mapWhiteToFace(PixelImage& picture, Rgb face);
}  // namespace quilve::ui
