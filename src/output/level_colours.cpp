#include "output/level_colours.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

namespace {

// Floats in their order as integers, so that the floats between two can be
// halved as integers.
std::int64_t orderOf(float f) {
  std::int32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  return bits >= 0 ? bits : -static_cast<std::int64_t>(bits & 0x7fffffff);
}

float floatOf(std::int64_t order) {
  const std::int32_t bits = order >= 0 ? static_cast<std::int32_t>(order)
                                       : static_cast<std::int32_t>(static_cast<std::uint32_t>(-order) | 0x80000000u);
  float f = 0.0f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

}  // namespace

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
  constexpr int kMaxCells = 2048;
  if (!std::isfinite(width) || !(width > 0.0) || width > kMaxCells || std::fabs(first) > 1e6)
    return;  // the rule for every level
  int k = 8;
  while (k > 0 && width * std::ldexp(1.0, k) > kMaxCells - 1) --k;
  const double step = std::ldexp(1.0, -k);
  const int n = static_cast<int>(width / step) + 1;
  base_ = static_cast<float>(first);
  perLevel_ = static_cast<float>(1.0 / step);
  last_ = n - 1;

  // Where the colour may change: whole channel steps on either side of the
  // middle, whole dB below the low edge, and the low edge itself.
  std::vector<double> changes;
  for (int j = 0; j <= 256; ++j) {
    changes.push_back(mid + j / s);
    changes.push_back(mid - j / s);
  }
  for (int j = 0; j <= static_cast<int>(255.0 / s) + 2; ++j) changes.push_back(low - j);
  std::sort(changes.begin(), changes.end());

  // The first level of each cell as cellOf puts it.
  std::vector<float> start(static_cast<std::size_t>(n) + 1);
  for (int i = 1; i <= n; ++i) {
    // Halving between a level surely below the cell and one surely in it.
    std::int64_t before = orderOf(static_cast<float>(first + (i - 1) * step - step));
    std::int64_t in = orderOf(static_cast<float>(first + i * step + step / 2));
    while (in - before > 1) {
      const std::int64_t half = before + (in - before) / 2;
      (cellOf(floatOf(half), base_, perLevel_, n) >= i ? in : before) = half;
    }
    start[static_cast<std::size_t>(i)] = floatOf(in);
  }
  const std::uint32_t black = pack(exact_(-HUGE_VALF)), red = pack(exact_(HUGE_VALF));
  cells_.assign(static_cast<std::size_t>(n), Cell{black, black, HUGE_VALF});
  cells_.back() = Cell{red, red, -HUGE_VALF};
  constexpr double kMargin = 1e-9;  // dB, far above the rule's rounding
  for (int i = 1; i < last_; ++i) {
    const float a = start[static_cast<std::size_t>(i)];
    const float b = std::nextafter(start[static_cast<std::size_t>(i) + 1], -HUGE_VALF);
    const auto from = std::lower_bound(changes.begin(), changes.end(), a - kMargin);
    const auto to = std::upper_bound(changes.begin(), changes.end(), b + kMargin);
    Cell& cell = cells_[static_cast<std::size_t>(i)];
    const std::uint32_t lower = pack(exact_(a)), upper = pack(exact_(b));
    if (to - from > 1) {
      cell = Cell{kUseRule, 0, 0.0f};
      continue;
    }
    if (lower == upper) {
      cell = Cell{lower, upper, a};
      continue;
    }
    // The first level of the cell with the upper colour.
    std::int64_t below = orderOf(a), above = orderOf(b);
    while (above - below > 1) {
      const std::int64_t half = below + (above - below) / 2;
      (pack(exact_(floatOf(half))) == upper ? above : below) = half;
    }
    cell = Cell{lower, upper, floatOf(above)};
  }
}

}  // namespace quilve
