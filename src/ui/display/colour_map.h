#pragma once
// The sonogram colour scale: blue at the low edge of the level range, green
// in the middle, red at the high edge, fading from blue to black below the
// low edge.
#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

struct LevelRange {
  float low = 30.0f;   // dB
  float high = 70.0f;  // dB
};

// low = brightness - contrast / 2, high = low + contrast.
LevelRange levelRangeFrom(float brightness, float contrast);

// Colour of a level in dB. A range of zero width (contrast 0) becomes a
// hard step at its middle instead of a division by zero; NaN levels are
// black.
Rgb levelColour(float level, const LevelRange& range);

// Fixed colours of the displays.
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

}  // namespace quilve::ui
