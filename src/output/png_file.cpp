#include "output/png_file.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace quilve {

namespace {

struct PngError {
  std::string text;
};

void onPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<PngError*>(png_get_error_ptr(png));
  if (error) error->text = message ? message : "PNG error";
  png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Encodes the picture into an open file. Nothing here may own resources
// across the longjmp of an error, so the rows are prepared by the caller.
// The error text lives with the caller: locals of this function changed
// after setjmp are not to be read after the jump.
bool encode(std::FILE* file, const std::vector<png_bytep>& rows, int width, int height,
            PngError* failure, std::string* error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, failure, onPngError, onPngWarning);
  if (!png) {
    *error = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    *error = failure->text.empty() ? "cannot encode the picture" : failure->text;
    return false;
  }
  png_init_io(png, file);
  // Fast compression with the "up" filter: the sonogram's rows come in
  // equal pairs, which this filter turns into zeros; smaller and about
  // twice as fast as the default filter search at level 6.
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool writePngFile(const std::string& path, const Raster& raster, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  if (raster.width() <= 0 || raster.height() <= 0) {
    *error = "empty picture";
    return false;
  }
  std::vector<png_bytep> rows(static_cast<std::size_t>(raster.height()));
  for (int y = 0; y < raster.height(); ++y) {
    rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(raster.row(y));
  }
  // A temporary name of its own in the same directory (created exclusively,
  // so no other writer shares it), with the mode a new file gets.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    *error = std::strerror(errno);
    return false;
  }
  std::FILE* file = fdopen(fd, "wb");
  if (!file) {
    *error = std::strerror(errno);
    close(fd);
    unlink(temp.c_str());
    return false;
  }
  PngError failure;
  bool ok = encode(file, rows, raster.width(), raster.height(), &failure, error);
  if (ok && std::fflush(file) != 0) {
    *error = std::strerror(errno);
    ok = false;
  }
  if (std::fclose(file) != 0 && ok) {
    *error = std::strerror(errno);
    ok = false;
  }
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    *error = std::strerror(errno);
    ok = false;
  }
  if (!ok) unlink(temp.c_str());
  return ok;
}

}  // namespace quilve
