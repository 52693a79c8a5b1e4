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

// The colour rule of one level range, prepared once so that a tile column
// costs no division per pixel. A range of zero width (contrast 0) becomes a
// hard step at its middle instead of a division by zero; NaN levels are
// black.
class LevelColours {
 public:
  explicit LevelColours(const LevelRange& range = LevelRange{});
  Rgb operator()(float level) const {
    // Built from whole values at the end: byte-wise stores into the result
    // stall the reads that follow on the column path.
    int r = 0, g = 0, b = 0;
    const double v = level;
    if (v > mid_) {
      r = channel((v - mid_) * s_);
      g = 255 - r;
    } else if (v >= low_) {
      b = channel((mid_ - v) * s_);
      g = 255 - b;
    } else if (v < low_) {
      // 255 - s x trunc(low - v), never below 0.
      b = channel(255.0 - s_ * static_cast<double>(static_cast<long long>(
                                 low_ - v < 1e15 ? low_ - v : 1e15)));
    }  // NaN: black
    return Rgb{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
               static_cast<std::uint8_t>(b)};
  }

 private:
  // trunc(x) limited to 0..255; x may be huge or infinite.
  static int channel(double x) { return x > 0.0 ? (x >= 255.0 ? 255 : static_cast<int>(x)) : 0; }

  double low_, mid_, s_;
};

// Colour of a level in dB.
inline Rgb levelColour(float level, const LevelRange& range) { return LevelColours(range)(level); }

// Fixed colours of the displays.
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

}  // namespace quilve::ui
