#include "output/png_file.h"

#include <png.h>

#include <csetjmp>
#include <new>
#include <string>
#include <vector>

#include "output/whole_file.h"

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

// The encoded bytes collect in a string of the caller's.
void onPngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  try {
    out->append(reinterpret_cast<const char*>(data), length);
  } catch (const std::bad_alloc&) {
    png_error(png, "out of memory");
  }
}

void onPngFlush(png_structp) {}

// Encodes the picture into `out`. Nothing here may own resources
// across the longjmp of an error, so the rows are prepared by the caller.
// The error text lives with the caller: locals of this function changed
// after setjmp are not to be read after the jump.
bool encode(std::string* out, const std::vector<png_bytep>& rows, int width, int height,
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
  png_set_write_fn(png, out, onPngWrite, onPngFlush);
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
  std::string bytes;
  PngError failure;
  if (!encode(&bytes, rows, raster.width(), raster.height(), &failure, error)) return false;
  // A picture is made again from its recording, so it need not wait for
  // the disk; it appears whole or not at all all the same.
  return writeFileReplacing(path, bytes, error, Durability::Cached);
}

}  // namespace quilve
