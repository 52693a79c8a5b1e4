#include "png_reader.h"

#include <png.h>

#include <cstdio>

namespace quilve::test {

bool readPng(const std::string& path, PngPicture& picture) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  const bool rgb8 = image.format == PNG_FORMAT_RGB;
  image.format = PNG_FORMAT_RGB;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.rgb.assign(PNG_IMAGE_SIZE(image), 0);
  if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  return rgb8;
}

}  // namespace quilve::test
