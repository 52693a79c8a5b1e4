#include "support/zc_decoder.h"

#include <fstream>
#include <iterator>

namespace quilve::test {

namespace {

unsigned little16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<unsigned>(b[at]) | static_cast<unsigned>(b[at + 1]) << 8;
}

std::string bytesText(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t length) {
  return std::string(b.begin() + static_cast<std::ptrdiff_t>(at),
                     b.begin() + static_cast<std::ptrdiff_t>(at + length));
}

// Data information block, from its start: data pointer (2), res1 (2),
// divide ratio, vres, year (2), month, day, hour, minute, second,
// hundredths, microseconds (2), id (6), datum (10), latitude (9),
// longitude (9), altitude (4).
constexpr std::size_t kInfoSize = 54;

}  // namespace

std::string ZcHeader::textField(std::size_t offset, std::size_t length) const {
  if (offset >= text.size()) return {};
  std::string field = text.substr(offset, length);
  while (!field.empty() && (field.back() == ' ' || field.back() == '\0')) field.pop_back();
  return field;
}

bool decodeZc(const std::vector<std::uint8_t>& b, ZcFile* out, std::string* error) {
  *out = ZcFile{};
  ZcHeader& h = out->header;
  if (b.size() < 6) {
    *error = "shorter than the file head";
    return false;
  }
  h.dataInfoOffset = little16(b, 0);
  h.fileType = b[3];
  if (h.dataInfoOffset < 6 || h.dataInfoOffset + kInfoSize > b.size()) {
    *error = "data information block outside the file";
    return false;
  }
  h.text = bytesText(b, 6, h.dataInfoOffset - 6);
  const std::size_t d = h.dataInfoOffset;
  h.dataOffset = little16(b, d);
  h.res1 = little16(b, d + 2);
  h.divideRatio = b[d + 4];
  h.vres = b[d + 5];
  h.year = static_cast<int>(little16(b, d + 6));
  h.month = b[d + 8];
  h.day = b[d + 9];
  h.hour = b[d + 10];
  h.minute = b[d + 11];
  h.second = b[d + 12];
  h.hundredths = b[d + 13];
  h.microseconds = little16(b, d + 14);
  h.id = bytesText(b, d + 16, 6);
  h.datum = bytesText(b, d + 22, 10);
  h.latitude = bytesText(b, d + 32, 9);
  h.longitude = bytesText(b, d + 41, 9);
  h.altitude = bytesText(b, d + 50, 4);
  if (h.dataOffset > b.size()) {
    *error = "interval data start beyond the end of the file";
    return false;
  }

  std::uint32_t previous = 0;
  std::uint64_t time = 0;
  unsigned offLeft = 0;
  std::size_t i = h.dataOffset;
  while (i < b.size()) {
    const std::uint8_t lead = b[i];
    int length;
    std::uint32_t value;
    if (lead < 0x80) {
      // Seven-bit two's-complement difference to the previous interval.
      const int delta = (lead & 0x40) ? static_cast<int>(lead) - 0x80 : lead;
      value = static_cast<std::uint32_t>(static_cast<std::int64_t>(previous) + delta);
      length = 1;
    } else if (lead >= 0xE0) {
      // Status byte and the number of following intervals it covers.
      if (i + 2 > b.size()) {
        *error = "status byte without its count at offset " + std::to_string(i);
        return false;
      }
      offLeft = (lead & 0x01) ? b[i + 1] : 0;
      i += 2;
      continue;
    } else {
      length = lead < 0xA0 ? 2 : lead < 0xC0 ? 3 : 4;
      if (i + static_cast<std::size_t>(length) > b.size()) {
        *error = "interval cut short at offset " + std::to_string(i);
        return false;
      }
      value = lead & 0x1Fu;
      for (int k = 1; k < length; ++k) value = value << 8 | b[i + static_cast<std::size_t>(k)];
    }
    i += static_cast<std::size_t>(length);
    previous = value;
    time += value;
    ZcInterval interval;
    interval.micros = value;
    interval.timeMicros = time;
    interval.off = offLeft > 0;
    interval.encodedBytes = length;
    if (offLeft > 0) --offLeft;
    out->intervals.push_back(interval);
  }
  return true;
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

bool readZcFile(const std::string& path, ZcFile* out, std::string* error) {
  std::ifstream probe(path, std::ios::binary);
  if (!probe) {
    *error = "cannot open " + path;
    return false;
  }
  probe.close();
  return decodeZc(readBytes(path), out, error);
}

}  // namespace quilve::test
