#include "output/recording_signature.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "input/file_identity.h"
#include "settings/open_file.h"

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
  FileIdentity identity;
  FileKind kind = FileKind::Other;
  if (!identityOfPath(path, &identity, nullptr, &kind) || kind != FileKind::Regular) return false;
  std::FILE* in = openFile(path, "rb");
  if (in == nullptr) return false;
  // Most files tell from their first 12 bytes; only RIFF forms ahead of
  // the WAVE form need more.
  std::vector<unsigned char> head(12);
  std::size_t got = std::fread(head.data(), 1, head.size(), in);
  bool recording = startsLikeRecording(head.data(), got);
  if (!recording && got == head.size() && std::memcmp(head.data(), "RIFF", 4) == 0) {
    head.resize(kHeadBytes);
    got += std::fread(head.data() + got, 1, head.size() - got, in);
    recording = startsLikeRecording(head.data(), got);
  }
  std::fclose(in);
  return recording;
}

}  // namespace quilve
