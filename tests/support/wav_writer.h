#pragma once
// Writers of test recordings: a RIFF builder that lays out arbitrary chunks
// (also malformed ones) and shortcuts for ordinary PCM files.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quilve::test {

using Bytes = std::vector<std::uint8_t>;

void putU16(Bytes& b, std::uint16_t v);
void putU32(Bytes& b, std::uint32_t v);
void putText(Bytes& b, const std::string& s);

// The 16 bytes of a "fmt " chunk up to bitsPerSample.
Bytes fmtFields(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                std::uint16_t bits);

class RiffBuilder {
 public:
  explicit RiffBuilder(const std::string& formType = "WAVE") : form_(formType) {}
  // Appends a chunk; `pad` adds the pad byte after an odd-sized body.
  RiffBuilder& chunk(const std::string& id, const Bytes& body, bool pad = true);
  // Appends a chunk whose size field says `claimedSize` whatever the body.
  RiffBuilder& chunkWithSize(const std::string& id, std::uint32_t claimedSize, const Bytes& body);
  // Appends raw bytes inside the RIFF chunk.
  RiffBuilder& raw(const Bytes& bytes);
  // The whole file; riffSize overrides the RIFF chunk's size field.
  Bytes build() const;
  Bytes build(std::uint32_t riffSize) const;

 private:
  std::string form_;
  Bytes body_;
};

// A complete PCM file: "fmt " (16 bytes, or 18 + extra when extra is given)
// then "data" with the given sample bytes.
Bytes pcmWav(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits, const Bytes& data,
             const std::string* extra = nullptr);

// The body of a GUANO chunk: the version line, then one "Key: value" line per
// field in the given order (a field with an empty key is written as the raw
// line, for broken input).
Bytes guanoBody(const std::vector<std::pair<std::string, std::string>>& fields);

// 16-bit little-endian bytes of the given samples.
Bytes pcm16(const std::vector<std::int16_t>& samples);

void writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);

}  // namespace quilve::test
