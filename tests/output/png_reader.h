#pragma once
// Reads back the 8-bit RGB PNG files the pictures are written as.
#include <cstdint>
#include <string>
#include <vector>

#include "output/rgb.h"

namespace quilve::test {

struct PngPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // rows top to bottom, no padding
  Rgb at(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

// False when the file is not an 8-bit RGB PNG.
bool readPng(const std::string& path, PngPicture& picture);

}  // namespace quilve::test
