#pragma once
// A reader of uncompressed 24-bit Windows bitmaps (BITMAPINFOHEADER or
// later, bottom-up or top-down) that checks every size against the bytes it
// was given: the tests read the windows' screenshots and backgrounds with it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/display/pixel_image.h"

namespace quilve::ui {

struct BmpResult {
  bool ok = false;
  PixelImage image;
  // Why the bitmap was refused, one line ending in "\n": a depth other than
  // 24 bits gives "Unsupported BMP format BPP: <depth>\n".
  std::string error;
};

// Pictures larger than this on either side are refused.
constexpr int kMaxBmpSide = 8192;

BmpResult decodeBmp(const std::uint8_t* data, std::size_t size);
BmpResult decodeBmp(const std::vector<std::uint8_t>& bytes);
BmpResult loadBmpFile(const std::string& path);

}  // namespace quilve::ui
