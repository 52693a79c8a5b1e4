#include "ui/display/bmp_reader.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace quilve::ui {

namespace {

std::uint32_t u16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

BmpResult refuse(const std::string& why) {
  BmpResult r;
  r.error = why;
  return r;
}

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;

}  // namespace

BmpResult decodeBmp(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < kFileHeader + kInfoHeader || data[0] != 'B' || data[1] != 'M')
    return refuse("Not a BMP file\n");
  const std::uint32_t pixelOffset = u32(data + 10);
  const std::uint32_t headerSize = u32(data + 14);
  if (headerSize < kInfoHeader || headerSize > size - kFileHeader)
    return refuse("Unsupported BMP header\n");
  const std::int32_t width = static_cast<std::int32_t>(u32(data + 18));
  const std::int32_t rawHeight = static_cast<std::int32_t>(u32(data + 22));
  const std::uint32_t bits = u16(data + 28);
  const std::uint32_t compression = u32(data + 30);
  if (bits != 24) return refuse("Unsupported BMP format BPP: " + std::to_string(bits) + "\n");
  if (compression != 0) return refuse("Unsupported BMP compression\n");
  // The height's sign gives the row order; INT32_MIN has no positive twin.
  if (width <= 0 || width > kMaxBmpSide || rawHeight == 0 || rawHeight < -kMaxBmpSide ||
      rawHeight > kMaxBmpSide)
    return refuse("Invalid BMP size\n");
  const bool topDown = rawHeight < 0;
  const int height = topDown ? -rawHeight : rawHeight;
  const std::size_t stride = static_cast<std::size_t>(Image::rowBytes(width, 24));
  const std::size_t need = stride * static_cast<std::size_t>(height);
  if (pixelOffset < kFileHeader + headerSize || pixelOffset > size || size - pixelOffset < need)
    return refuse("Truncated BMP file\n");

  BmpResult r;
  r.image.resize(width, height);
  for (int y = 0; y < height; ++y) {
    const int fileRow = topDown ? y : height - 1 - y;
    const std::uint8_t* src = data + pixelOffset + stride * static_cast<std::size_t>(fileRow);
    std::uint8_t* dst = r.image.row(y);
    std::copy(src, src + 3 * static_cast<std::size_t>(width), dst);
  }
  r.ok = true;
  return r;
}

BmpResult decodeBmp(const std::vector<std::uint8_t>& bytes) {
  return decodeBmp(bytes.data(), bytes.size());
}

BmpResult loadBmpFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return refuse("Cannot open bitmap " + path + "\n");
  // Larger than any picture of kMaxBmpSide squared: not read at all.
  in.seekg(0, std::ios::end);
  const std::streamoff length = in.tellg();
  const std::streamoff limit = 64 + 3LL * kMaxBmpSide * (kMaxBmpSide + 4) + (1 << 16);
  if (length < 0 || length > limit) return refuse("Invalid BMP size\n");
  in.seekg(0, std::ios::beg);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  if (length > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), length))
    return refuse("Cannot read bitmap " + path + "\n");
  return decodeBmp(bytes);
}

}  // namespace quilve::ui
