#pragma once
// The sonogram colour scale: blue at the low edge of the level range, green
// in the middle, red at the high edge, fading from blue to black below the
// low edge. Shared by the desktop's displays and the sonogram pictures.
#include <cstdint>
#include <vector>

#include "output/rgb.h"

namespace quilve {


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

// The colour rule of one level range as a lookup table for painting many
// pixels, giving exactly LevelColours' colour for every level. The levels
// are cut into cells of 2^-k dB (k up to 8, the finest grid that keeps the
// table within 2048 cells) spanning the levels whose colours differ; below
// them every level is black, above them red. A cell holds the colours on
// either side of the one level inside it where the colour changes, and
// that level; the few cells in which the colour changes more than once
// (a narrow range, the low edge) take the rule itself. NaN is black. A
// range too wide or not finite for a table takes the rule for every level.
class LevelColourTable {
 public:
  explicit LevelColourTable(const LevelRange& range = LevelRange{});
  const LevelRange& range() const { return range_; }

  // The colour packed as blue | green << 8 | red << 16.
  std::uint32_t packed(float level) const {
    return cells_.empty() ? pack(exact_(level)) : lookup(level, cells_.data(), base_, last_);
  }
  // Packed colours of n levels; the table's fields are read once, not per
  // level, so the loop runs from registers.
  void packedRun(const float* levels, int n, std::uint32_t* out) const {
    if (cells_.empty()) {
      for (int i = 0; i < n; ++i) out[i] = pack(exact_(levels[i]));
      return;
    }
    const Cell* cells = cells_.data();
    const float base = base_;
    const int last = last_;
    for (int i = 0; i < n; ++i) out[i] = lookup(levels[i], cells, base, last);
  }
  Rgb operator()(float level) const { return unpack(packed(level)); }

  static std::uint32_t pack(Rgb c) {
    return static_cast<std::uint32_t>(c.b) | static_cast<std::uint32_t>(c.g) << 8 |
           static_cast<std::uint32_t>(c.r) << 16;
  }
  static Rgb unpack(std::uint32_t v) {
    return Rgb{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
               static_cast<std::uint8_t>(v)};
  }

 private:
  static constexpr std::uint32_t kUseRule = 1u << 31;  // in Cell::below
  struct Cell {
    std::uint32_t below;  // colour of the cell's levels under `change`
    std::uint32_t above;  // from `change` on
    float change;
  };
  // The cell of a level: (level - base) x 2^k truncated, which only grows
  // with the level. Below the table, -inf and NaN: cell 0 (black); above
  // it: the last cell (red).
  static int cellOf(float level, float base, float perLevel, int last) {
    const float t = (level - base) * perLevel;
    if (!(t > 0.0f)) return 0;
    if (!(t < static_cast<float>(last))) return last;
    return static_cast<int>(t);
  }
  std::uint32_t lookup(float level, const Cell* cells, float base, int last) const {
    const Cell& c = cells[cellOf(level, base, perLevel_, last)];
    const std::uint32_t colour = level >= c.change ? c.above : c.below;
    return (c.below & kUseRule) ? pack(exact_(level)) : colour;
  }

  LevelRange range_;
  LevelColours exact_;
  float base_ = 0.0f;      // first level of cell 0
  float perLevel_ = 1.0f;  // cells per dB
  int last_ = 0;
  std::vector<Cell> cells_;
};

// Colour of a level in dB.
inline Rgb levelColour(float level, const LevelRange& range) { return LevelColours(range)(level); }

}  // namespace quilve
