#include "input/sono_attribute.h"

#include <cstdint>
#include <cstring>

namespace quilve {

namespace {

constexpr std::size_t kMarkerLength = 9;
// Numeric fields larger than this are refused: no rate or factor comes near
// it, and it keeps rate x factor inside 64 bits.
constexpr long long kMaxFieldValue = 0x7FFFFFFF;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool allMarker(const std::uint8_t* p) {
  for (std::size_t i = 0; i < kMarkerLength; ++i)
    if (p[i] != 'M') return false;
  return true;
}

// Reads the field "<open> digits <close>" at `p` when its opening pair is
// there. Returns false when the opening is there but the field is malformed;
// `present` tells whether the opening was seen. Never reads at or past `n`.
bool readNumericField(const std::uint8_t* b, std::size_t n, std::size_t* p, char open0, char open1,
                      char close0, char close1, bool* present, long long* value) {
  *present = false;
  if (*p + 1 >= n || b[*p] != open0 || b[*p + 1] != open1) return true;
  *present = true;
  std::size_t i = *p + 2;
  long long v = 0;
  while (i < n && isDigit(static_cast<char>(b[i]))) {
    v = v * 10 + (b[i] - '0');
    if (v > kMaxFieldValue) return false;
    ++i;
  }
  if (i + 1 >= n || b[i] != close0 || b[i + 1] != close1) return false;
  *value = v;
  *p = i + 2;
  return true;
}

}  // namespace

bool SonoAttribute::parseBlock(const std::uint8_t* block, std::size_t length, long defaultFactor,
                               AttributeFields* out) const {
  if (block == nullptr || length < kMarkerLength || !allMarker(block)) return false;

  // Bytes after the last "M" (a blank, a pad byte) do not belong to the block.
  std::size_t n = length;
  while (n > kMarkerLength && block[n - 1] != 'M') --n;
  std::size_t p = kMarkerLength;

  long long rate = 0;
  long long fac = defaultFactor;
  long long third = 0;
  bool present = false;

  if (p >= n) return false;
  long long v = 0;
  if (!readNumericField(block, n, &p, '(', '#', '#', ')', &present, &v)) return false;
  if (present) rate = v;

  if (p >= n) return false;
  if (!readNumericField(block, n, &p, '<', '&', '&', '>', &present, &v)) return false;
  if (present) fac = v;
  const bool stated = present;

  if (p >= n) return false;
  if (p + 1 < n && block[p] == '[' && block[p + 1] == '!') {
    static const char kFull[] = "full!]";
    if (p + 2 + 6 <= n && std::memcmp(block + p + 2, kFull, 6) == 0) {
      // "full" is rate x factor / 1000, taken before the factor correction.
      // The factor may still be the caller's default, so bound it first.
      if (fac > kMaxFieldValue || fac < -kMaxFieldValue) return false;
      third = rate * fac / 1000;
      p += 2 + 6;
    } else if (!readNumericField(block, n, &p, '[', '!', '!', ']', &present, &third)) {
      return false;
    }
  }

  if (p >= n) return false;
  // The end marker must lie wholly after the fields; a block so short that
  // it overlaps them is not a block.
  if (n - p < kMarkerLength) return false;
  const std::size_t end = n - kMarkerLength;
  if (!allMarker(block + end)) return false;

  // The text ends at its first zero byte, as a terminated text would.
  const char* t = reinterpret_cast<const char*>(block + p);
  std::size_t textLength = end - p;
  if (const void* z = std::memchr(t, '\0', textLength))
    textLength = static_cast<std::size_t>(static_cast<const char*>(z) - t);

  // Recorders that state factor 1 at a time-expanded rate, or factor 10 at a
  // real-time rate, mean the other one.
  if (fac == 1 && (rate == 25000 || rate == 37500)) {
    fac = 10;
  } else if (fac == 10 && (rate == 250000 || rate == 375000)) {
    fac = 1;
  }

  if (out == nullptr) return true;
  out->sampleRate = static_cast<long>(rate);
  out->factor = static_cast<long>(fac);
  out->statedFactor = stated ? std::optional<long>(out->factor) : std::nullopt;
  out->thirdValue = static_cast<long>(third);
  out->text.assign(t, textLength);
  return true;
}

bool SonoAttribute::getAttribute(const char* key, std::string* value, const std::string& text,
                                 std::size_t maxValueLength) const {
  if (key == nullptr || *key == '\0') return false;
  std::string pattern(key);
  pattern += '=';
  // Keys are matched anywhere, also inside a longer key ("XDEV=" holds "DEV=").
  const std::size_t at = text.find(pattern);
  if (at == std::string::npos) return false;
  std::size_t i = at + pattern.size();
  if (i >= text.size() || text[i] == '\0') return false;

  // A value ends at "," or the end; once "<" occurs it ends at the next ">"
  // instead, commas included. The angle brackets are not part of it.
  std::string out;
  bool bracketed = false;
  for (; i < text.size() && text[i] != '\0'; ++i) {
    const char c = text[i];
    if (bracketed) {
      if (c == '>') break;
      if (c == '<') continue;
    } else {
      if (c == ',') break;
      if (c == '<') {
        bracketed = true;
        continue;
      }
    }
    if (out.size() < maxValueLength) out += c;
  }
  if (value) *value = std::move(out);
  return true;
}

bool SonoAttribute::parseDateTime(const char* text, DateTime* out) const {
  if (text == nullptr) return false;
  // 'd' stands for a digit; every other character must match exactly.
  static const char kForm[] = "dddd:dd:dd::dd:dd:dd.ddd";
  for (std::size_t i = 0; kForm[i] != '\0'; ++i) {
    if (text[i] == '\0') return false;
    if (kForm[i] == 'd' ? !isDigit(text[i]) : text[i] != kForm[i]) return false;
  }
  auto num = [text](std::size_t pos, std::size_t len) {
    int v = 0;
    for (std::size_t i = pos; i < pos + len; ++i) v = v * 10 + (text[i] - '0');
    return v;
  };
  if (out) {
    out->year = num(0, 4);
    out->month = num(5, 2);
    out->day = num(8, 2);
    out->dayOfWeek = 0;
    out->hour = num(12, 2);
    out->minute = num(15, 2);
    out->second = num(18, 2);
    out->millisecond = num(21, 3);
  }
  return true;
}

bool SonoAttribute::parseUnsigned(const char* text, unsigned long* value) const {
  if (text == nullptr) return false;
  const char* p = text;
  while (isSpace(*p)) ++p;
  unsigned long v = 0;
  for (; *p != '\0' && !isSpace(*p); ++p) {
    if (!isDigit(*p)) return false;
    const unsigned long d = static_cast<unsigned long>(*p - '0');
    if (v > (static_cast<unsigned long>(-1) - d) / 10) return false;  // would wrap
    v = v * 10 + d;
  }
  if (value) *value = v;
  return true;
}

}  // namespace quilve
