#include "input/wamd.h"

#include <charconv>
#include <string>
#include <string_view>
#include <vector>

namespace quilve {

namespace {

constexpr std::uint16_t kTimestamp = 0x0005;
constexpr std::uint16_t kPosition = 0x0006;

// Text of an entry up to its first NUL.
std::string entryText(const std::uint8_t* p, std::size_t n) {
  std::size_t len = 0;
  while (len < n && p[len] != 0) ++len;
  return std::string(reinterpret_cast<const char*>(p), len);
}

bool readDegrees(std::string_view s, double* v) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (s.empty()) return false;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), *v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// "WGS84,47.59183,N,122.33333,W[,20.0]"
bool readPosition(const std::string& text, GuanoFields& g) {
  double* lat = &g.latitude;
  double* lon = &g.longitude;
  std::vector<std::string_view> parts;
  std::string_view rest(text);
  for (;;) {
    const std::size_t comma = rest.find(',');
    parts.push_back(rest.substr(0, comma));
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  if (parts.size() < 5 || parts[0] != "WGS84") return false;
  if (!readDegrees(parts[1], lat) || !readDegrees(parts[3], lon)) return false;
  if (parts[2] == "S") *lat = -*lat; else if (parts[2] != "N") return false;
  if (parts[4] == "W") *lon = -*lon; else if (parts[4] != "E") return false;
  if (!(*lat >= -90.0 && *lat <= 90.0 && *lon >= -180.0 && *lon <= 180.0)) return false;
  double alt = 0.0;
  if (parts.size() >= 6 && readDegrees(parts[5], &alt) && alt >= -12000.0 && alt <= 12000.0) {
    g.elevation = alt;
    g.hasElevation = true;
  }
  return true;
}

std::string shown(const std::string& s) {
  std::string out = s.substr(0, 60);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
  }
  return out;
}

}  // namespace

GuanoFields parseWamd(const std::uint8_t* data, std::size_t size) {
  GuanoFields g;
  if (data == nullptr) return g;
  std::size_t pos = 0;
  while (pos + 6 <= size) {
    const std::uint16_t id = static_cast<std::uint16_t>(data[pos] | (data[pos + 1] << 8));
    const std::uint32_t length = std::uint32_t(data[pos + 2]) | (std::uint32_t(data[pos + 3]) << 8) |
                                 (std::uint32_t(data[pos + 4]) << 16) |
                                 (std::uint32_t(data[pos + 5]) << 24);
    pos += 6;
    if (length > size - pos) {
      g.problems.push_back("wamd: an entry runs past the chunk");
      break;
    }
    const std::string text = entryText(data + pos, length);
    if (id == kTimestamp) {
      if (parseIsoTime(text, &g.timestamp)) {
        g.hasTimestamp = true;
      } else {
        g.problems.push_back("wamd time stamp: not a time (" + shown(text) + ")");
      }
    } else if (id == kPosition) {
      if (readPosition(text, g)) {
        g.hasPosition = true;
      } else {
        g.problems.push_back("wamd position: not read (" + shown(text) + ")");
      }
    }
    pos += length;
  }
  return g;
}

}  // namespace quilve
