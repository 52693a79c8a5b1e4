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
// pixels: levels are rounded up to a grid of 2^-k dB (k up to 8, the finest
// grid that keeps the table within 2048 entries) spanning the levels whose
// colours differ; below it every level is black, above it red. Levels on
// the grid (whole dB among them) get exactly the colour LevelColours
// gives; others take the colour of the grid level just above them, which
// for the usual ranges is less than one step of a colour channel away
// (and exact below the low edge when that edge lies on the grid). NaN is black. A range
// too wide or not finite for a table falls back to the exact rule.
class LevelColourTable {
 public:
  explicit LevelColourTable(const LevelRange& range = LevelRange{});
  const LevelRange& range() const { return range_; }

  // The colour packed as blue | green << 8 | red << 16.
  std::uint32_t packed(float level) const {
    return entries_.empty() ? pack(exact_(level)) : lookup(level);
  }
  // Packed colours of n levels; the table's fields are read once, not per
  // level, so the loop runs from registers.
  void packedRun(const float* levels, int n, std::uint32_t* out) const {
    if (entries_.empty()) {
      for (int i = 0; i < n; ++i) out[i] = pack(exact_(levels[i]));
      return;
    }
    const std::uint32_t* e = entries_.data();
    const float base = base_, perLevel = perLevel_, top = top_;
    const int last = last_;
    for (int i = 0; i < n; ++i) out[i] = e[index(levels[i], base, perLevel, top, last)];
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
  static int index(float level, float base, float perLevel, float top, int last) {
    const float t = (level - base) * perLevel;
    if (!(t > 0.0f)) return 0;  // below the table, -inf and NaN: black
    if (!(t <= top)) return last;
    // Rounded up: below the low edge the rule steps at whole dB and takes
    // the upper value just above each step.
    const int i = static_cast<int>(t);
    return i + (static_cast<float>(i) < t ? 1 : 0);
  }
  std::uint32_t lookup(float level) const {
    return entries_[static_cast<std::size_t>(index(level, base_, perLevel_, top_, last_))];
  }

  LevelRange range_;
  LevelColours exact_;
  float base_ = 0.0f;      // level of entry 0
  float perLevel_ = 1.0f;  // entries per dB
  float top_ = 0.0f;       // last_ - 1: above it the last entry
  int last_ = 0;
  std::vector<std::uint32_t> entries_;
};

// Colour of a level in dB.
inline Rgb levelColour(float level, const LevelRange& range) { return LevelColours(range)(level); }

}  // namespace quilve
