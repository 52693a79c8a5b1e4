#include "output/level_colours.h"

#include <algorithm>
#include <cmath>

#include "settings/scan_settings.h"

namespace quilve {

LevelRange levelRangeFrom(float brightness, float contrast) {
  const ColourScale edges = colourScaleEdges(brightness, contrast);
  return LevelRange{edges.lower, edges.upper};
}

LevelColours::LevelColours(const LevelRange& range)
    : low_(range.low), mid_((static_cast<double>(range.low) + range.high) / 2.0) {
  s_ = 255.0 / std::max(mid_ - low_, 1e-3);
}

LevelColourTable::LevelColourTable(const LevelRange& range) : range_(range), exact_(range) {
  const double low = range.low, high = range.high;
  const double mid = (low + high) / 2.0;
  const double s = 255.0 / std::max(mid - low, 1e-3);
  // Below low - 255 / s - 1 blue has faded to black; from high on red is
  // full. One whole dB of margin on each side keeps both ends settled.
  // (A range given upside down still has black below and red above.)
  const double first = std::floor(std::min(low, mid) - 255.0 / s) - 2.0;
  const double end = std::ceil(std::max(high, mid + 255.0 / s)) + 1.0;
  const double width = end - first;
  constexpr int kMaxEntries = 2048;
  if (!std::isfinite(width) || !(width > 0.0) || width > kMaxEntries || std::fabs(first) > 1e6)
    return;  // exact rule per level
  int k = 8;
  while (k > 0 && width * std::ldexp(1.0, k) > kMaxEntries - 1) --k;
  const double step = std::ldexp(1.0, -k);
  const int n = static_cast<int>(width / step) + 1;
  entries_.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    entries_[static_cast<std::size_t>(i)] = pack(exact_(static_cast<float>(first + i * step)));
  base_ = static_cast<float>(first);
  perLevel_ = static_cast<float>(1.0 / step);
  last_ = n - 1;
  top_ = static_cast<float>(last_ - 1);
}

}  // namespace quilve
