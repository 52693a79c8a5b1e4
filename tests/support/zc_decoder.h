#pragma once
// Reads zero-crossing files of file type 132 back for the tests: the header
// with its text block and data information block, and the interval stream
// in all its forms (one-byte differences, two-, three- and four-byte
// absolute values, and status bytes that switch dots off).
#include <cstdint>
#include <string>
#include <vector>

namespace quilve::test {

struct ZcHeader {
  unsigned dataInfoOffset = 0;  // bytes 0-1
  unsigned fileType = 0;        // byte 3
  std::string text;             // from byte 6 to the data information block
  unsigned dataOffset = 0;      // where the intervals start
  unsigned res1 = 0;
  unsigned divideRatio = 0;
  unsigned vres = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, hundredths = 0;
  unsigned microseconds = 0;
  std::string id;         // 6 bytes
  std::string datum;      // 10 bytes
  std::string latitude;   // 9 bytes
  std::string longitude;  // 9 bytes
  std::string altitude;   // 4 bytes

  // `length` bytes of the text block from `offset`, trailing blanks and
  // zero bytes removed.
  std::string textField(std::size_t offset, std::size_t length) const;
  std::string device() const { return textField(0, 8); }
  std::string date() const { return textField(8, 8); }
  std::string comment() const { return textField(122, 153); }
};

struct ZcInterval {
  std::uint32_t micros = 0;     // the interval
  std::uint64_t timeMicros = 0; // running sum of the intervals up to this one
  bool off = false;             // switched off by a status byte
  int encodedBytes = 0;         // 1 for a difference, else 2, 3 or 4
};

struct ZcFile {
  ZcHeader header;
  std::vector<ZcInterval> intervals;
};

// Decodes a whole file image. False with `error` set when the header is
// short or the interval stream ends inside a value.
bool decodeZc(const std::vector<std::uint8_t>& bytes, ZcFile* out, std::string* error);
bool readZcFile(const std::string& path, ZcFile* out, std::string* error);

// The raw bytes of a file, empty when it cannot be read.
std::vector<std::uint8_t> readBytes(const std::string& path);

}  // namespace quilve::test
