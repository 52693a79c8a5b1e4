#include "output/recording_signature.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace quilve {

namespace {

// The bytes of a file looked at: the WAVE form begins within them.
constexpr std::size_t kHeadBytes = 64 * 1024;

std::uint32_t le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

bool startsLikeRecording(const unsigned char* bytes, std::size_t size) {
  if (size >= 4 && std::memcmp(bytes, "wvpk", 4) == 0) return true;
  // The top-level RIFF chunks as the WAV reader walks them to the WAVE form.
  std::uint64_t at = 0;
  while (at + 12 <= size) {
    const unsigned char* chunk = bytes + at;
    if (std::memcmp(chunk, "RIFF", 4) != 0) return false;
    if (std::memcmp(chunk + 8, "WAVE", 4) == 0 || std::memcmp(chunk + 8, "BSn0", 4) == 0) return true;
    const std::uint64_t length = le32(chunk + 4);
    at += 8 + length + (length & 1);
  }
  return false;
}

bool holdsRecording(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  // Most files tell from their first 12 bytes; only RIFF forms ahead of
  // the WAVE form need more.
  std::vector<unsigned char> head(12);
  in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  std::size_t got = static_cast<std::size_t>(in.gcount());
  if (startsLikeRecording(head.data(), got)) return true;
  if (got < head.size() || std::memcmp(head.data(), "RIFF", 4) != 0) return false;
  head.resize(kHeadBytes);
  in.read(reinterpret_cast<char*>(head.data() + got), static_cast<std::streamsize>(head.size() - got));
  got += static_cast<std::size_t>(in.gcount());
  return startsLikeRecording(head.data(), got);
}

}  // namespace quilve
