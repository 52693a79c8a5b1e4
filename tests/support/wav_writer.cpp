#include "support/wav_writer.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/platform.h"

namespace quilve::test {

void putU16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

void putText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

Bytes fmtFields(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                std::uint16_t bits) {
  Bytes b;
  const std::uint16_t align = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
  putU16(b, tag);
  putU16(b, channels);
  putU32(b, rate);
  putU32(b, rate * align);
  putU16(b, align);
  putU16(b, bits);
  return b;
}

Bytes guanoBody(const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string text = "GUANO|Version: 1.0\n";
  for (const auto& [key, value] : fields) text += key.empty() ? value + "\n" : key + ": " + value + "\n";
  return Bytes(text.begin(), text.end());
}

RiffBuilder& RiffBuilder::chunk(const std::string& id, const Bytes& body, bool pad) {
  putText(body_, id);
  putU32(body_, static_cast<std::uint32_t>(body.size()));
  body_.insert(body_.end(), body.begin(), body.end());
  if (pad && (body.size() & 1)) body_.push_back(0);
  return *this;
}

RiffBuilder& RiffBuilder::chunkWithSize(const std::string& id, std::uint32_t claimedSize,
                                        const Bytes& body) {
  putText(body_, id);
  putU32(body_, claimedSize);
  body_.insert(body_.end(), body.begin(), body.end());
  return *this;
}

RiffBuilder& RiffBuilder::raw(const Bytes& bytes) {
  body_.insert(body_.end(), bytes.begin(), bytes.end());
  return *this;
}

Bytes RiffBuilder::build() const { return build(static_cast<std::uint32_t>(4 + body_.size())); }

Bytes RiffBuilder::build(std::uint32_t riffSize) const {
  Bytes out;
  putText(out, "RIFF");
  putU32(out, riffSize);
  putText(out, form_);
  out.insert(out.end(), body_.begin(), body_.end());
  return out;
}

Bytes pcmWav(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits, const Bytes& data,
             const std::string* extra) {
  Bytes fmt = fmtFields(1, channels, rate, bits);
  if (extra) {
    putU16(fmt, static_cast<std::uint16_t>(extra->size()));
    putText(fmt, *extra);
  }
  return RiffBuilder().chunk("fmt ", fmt).chunk("data", data).build();
}

Bytes pcm16(const std::vector<std::int16_t>& samples) {
  Bytes b;
  b.reserve(samples.size() * 2);
  for (std::int16_t s : samples) putU16(b, static_cast<std::uint16_t>(s));
  return b;
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(filePath(path), std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readFile(const std::string& path) {
  std::ifstream in(filePath(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quilve::test
