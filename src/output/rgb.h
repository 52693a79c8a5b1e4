#pragma once
// A colour of 8 bits per channel, as the displays and the pictures draw.
#include <cstdint>

namespace quilve {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

}  // namespace quilve
