#include "ui/display/colour_map.h"

#include <algorithm>
#include <cmath>

#include "settings/scan_settings.h"

namespace quilve::ui {

LevelRange levelRangeFrom(float brightness, float contrast) {
  const ColourScale edges = colourScaleEdges(brightness, contrast);
  return LevelRange{edges.lower, edges.upper};
}

LevelColours::LevelColours(const LevelRange& range)
    : low_(range.low), mid_((static_cast<double>(range.low) + range.high) / 2.0) {
  s_ = 255.0 / std::max(mid_ - low_, 1e-3);
}

}  // namespace quilve::ui
