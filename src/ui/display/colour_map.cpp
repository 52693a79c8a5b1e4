#include "ui/display/colour_map.h"

#include <algorithm>
#include <cmath>

#include "settings/scan_settings.h"

namespace quilve::ui {

namespace {
// trunc(x) limited to 0..255; x may be huge or infinite.
int channel(double x) {
  if (!(x > 0.0)) return 0;
  if (x >= 255.0) return 255;
  return static_cast<int>(x);
}
}  // namespace

LevelRange levelRangeFrom(float brightness, float contrast) {
  const ColourScale edges = colourScaleEdges(brightness, contrast);
  return LevelRange{edges.lower, edges.upper};
}

Rgb levelColour(float level, const LevelRange& range) {
  if (std::isnan(level)) return kBlack;
  const double low = range.low;
  const double mid = (static_cast<double>(range.low) + range.high) / 2.0;
  const double half = std::max(mid - low, 1e-3);
  const double s = 255.0 / half;
  const double v = level;
  Rgb c;
  if (v > mid) {
    const int red = channel((v - mid) * s);
    c.r = static_cast<std::uint8_t>(red);
    c.g = static_cast<std::uint8_t>(255 - red);
  } else if (v >= low) {
    const int blue = channel((mid - v) * s);
    c.b = static_cast<std::uint8_t>(blue);
    c.g = static_cast<std::uint8_t>(255 - blue);
  } else {
    // 255 - s x trunc(low - v), never below 0.
    c.b = static_cast<std::uint8_t>(channel(255.0 - s * std::trunc(low - v)));
  }
  return c;
}

}  // namespace quilve::ui
