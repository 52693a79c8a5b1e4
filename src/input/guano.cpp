#include "input/guano.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "input/calendar.h"

namespace quilve {

namespace {

constexpr std::size_t kMaxLineShown = 60;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not valid
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t utf8Length(const std::uint8_t* s, std::size_t n, std::size_t i) {
  const std::uint8_t c = s[i];
  if (c < 0x80) return 1;
  std::size_t len;
  std::uint32_t cp;
  if ((c & 0xE0) == 0xC0) {
    len = 2;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + len > n) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (s[i + k] & 0x3F);
  }
  static const std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

// The text up to the first NUL (padding), with every invalid UTF-8 byte
// replaced by "?".
std::string validUtf8(const std::uint8_t* data, std::size_t size) {
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < size;) {
    if (data[i] == 0) break;
    const std::size_t len = utf8Length(data, size, i);
    if (len == 0) {
      out += '?';
      ++i;
    } else {
      out.append(reinterpret_cast<const char*>(data + i), len);
      i += len;
    }
  }
  return out;
}

bool digits(std::string_view s, std::size_t pos, std::size_t count, int* value) {
  if (pos + count > s.size()) return false;
  int v = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  *value = v;
  return true;
}

bool readNumber(std::string_view s, double* value) {
  s = trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  double v = 0.0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  if (!(v == v) || v > 1e300 || v < -1e300) return false;  // NaN, infinity
  *value = v;
  return true;
}

std::string shown(std::string_view s) {
  std::string out(s.substr(0, kMaxLineShown));
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  if (s.size() > kMaxLineShown) out += "...";
  return out;
}

void readField(std::string_view key, std::string_view value, GuanoFields& g) {
  auto bad = [&](const char* what) {
    g.problems.push_back("GUANO " + std::string(key) + ": " + what + " (" + shown(value) + ")");
  };
  if (key == "TE") {
    int v = 0;
    if (value.empty() || value.size() > 4 || !digits(value, 0, value.size(), &v) || v < 1) {
      bad("not a time-expansion factor");
      return;
    }
    g.expansion = v;
    g.hasExpansion = true;
  } else if (key == "Timestamp") {
    if (!parseIsoTime(value, &g.timestamp)) {
      g.hasTimestamp = false;
      bad("not an ISO 8601 time");
      return;
    }
    g.hasTimestamp = true;
  } else if (key == "Loc Position") {
    // Two decimal degrees, separated by blanks or a comma.
    const std::size_t split = value.find_first_of(" \t,");
    double lat = 0.0, lon = 0.0;
    std::string_view rest = split == std::string_view::npos ? std::string_view() : value.substr(split);
    while (!rest.empty() && (isBlank(rest.front()) || rest.front() == ',')) rest.remove_prefix(1);
    if (split == std::string_view::npos || !readNumber(value.substr(0, split), &lat) ||
        !readNumber(rest, &lon) || lat < -90.0 || lat > 90.0 || lon < -180.0 || lon > 180.0) {
      bad("not a latitude and longitude");
      return;
    }
    g.latitude = lat;
    g.longitude = lon;
    g.hasPosition = true;
  } else if (key == "Loc Elevation") {
    double v = 0.0;
    if (!readNumber(value, &v) || v < -12000.0 || v > 12000.0) {
      bad("not an elevation in metres");
      return;
    }
    g.elevation = v;
    g.hasElevation = true;
  } else if (key == "Make") {
    g.make = value;
  } else if (key == "Model") {
    g.model = value;
  } else if (key == "Serial") {
    g.serial = value;
  } else if (key == "Note") {
    // Line breaks are written as the two characters "\n".
    std::string note(value);
    for (std::size_t p = note.find("\\n"); p != std::string::npos; p = note.find("\\n", p + 1)) {
      note.replace(p, 2, " ");
    }
    g.note = note;
  }
}

}  // namespace

bool parseIsoTime(std::string_view s, StatedTime* out) {
  s = trim(s);
  StatedTime t;
  DateTime& d = t.time;
  if (!digits(s, 0, 4, &d.year) || s.size() < 19 || s[4] != '-' || !digits(s, 5, 2, &d.month) ||
      s[7] != '-' || !digits(s, 8, 2, &d.day) || (s[10] != 'T' && s[10] != ' ') ||
      !digits(s, 11, 2, &d.hour) || s[13] != ':' || !digits(s, 14, 2, &d.minute) ||
      s[16] != ':' || !digits(s, 17, 2, &d.second)) {
    return false;
  }
  if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1 ||
      d.day > daysInMonth(d.year, d.month) || d.hour > 23 || d.minute > 59 || d.second > 59) {
    return false;
  }
  std::size_t p = 19;
  if (p < s.size() && (s[p] == '.' || s[p] == ',')) {
    ++p;
    const std::size_t begin = p;
    int ms = 0;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') {
      if (p - begin < 3) ms = ms * 10 + (s[p] - '0');
      ++p;
    }
    if (p == begin) return false;
    for (std::size_t n = p - begin; n < 3; ++n) ms *= 10;
    d.millisecond = ms;
  }
  if (p < s.size()) {
    if (s[p] == 'Z' && p + 1 == s.size()) {
      t.hasOffset = true;
      t.offsetMinutes = 0;
    } else if (s[p] == '+' || s[p] == '-') {
      const int sign = s[p] == '-' ? -1 : 1;
      int hh = 0, mm = 0;
      std::size_t q = p + 1;
      if (!digits(s, q, 2, &hh)) return false;
      q += 2;
      if (q < s.size() && s[q] == ':') ++q;
      if (q < s.size()) {
        if (!digits(s, q, 2, &mm)) return false;
        q += 2;
      }
      if (q != s.size() || hh > 23 || mm > 59) return false;
      t.hasOffset = true;
      t.offsetMinutes = sign * (hh * 60 + mm);
    } else {
      return false;
    }
  }
  *out = t;
  return true;
}

std::string formatIsoTime(const DateTime& t, bool hasOffset, int offsetMinutes) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", t.year, t.month, t.day,
                t.hour, t.minute, t.second, t.millisecond);
  std::string out = text;
  if (hasOffset) {
    const int a = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    std::snprintf(text, sizeof text, "%c%02d:%02d", offsetMinutes < 0 ? '-' : '+', a / 60 % 100,
                  a % 60);
    out += text;
  }
  return out;
}

GuanoFields parseGuano(const std::uint8_t* data, std::size_t size) {
  GuanoFields g;
  if (data == nullptr) return g;
  const std::string text = validUtf8(data, size);
  const std::string_view all(text);
  std::size_t lineNumber = 0;
  for (std::size_t begin = 0; begin < all.size();) {
    std::size_t end = all.find('\n', begin);
    if (end == std::string_view::npos) end = all.size();
    const std::string_view line = trim(all.substr(begin, end - begin));
    begin = end + 1;
    ++lineNumber;
    if (line.empty()) continue;
    const std::size_t colon = line.find(':');
    const std::string_view key = colon == std::string_view::npos ? std::string_view()
                                                                 : trim(line.substr(0, colon));
    if (key.empty()) {
      char where[48];
      std::snprintf(where, sizeof where, "GUANO line %zu: no \"Key:\" (", lineNumber);
      g.problems.push_back(where + shown(line) + ")");
      continue;
    }
    readField(key, trim(line.substr(colon + 1)), g);
  }
  return g;
}

}  // namespace quilve
