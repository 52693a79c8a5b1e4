#include "output/name_text.h"

#include <cstdint>
#include <utility>

namespace quilve {

namespace {

// One piece of a byte string: a valid UTF-8 sequence of `length` bytes, or
// (valid false) a single byte that is not part of one.
struct Unit {
  std::size_t length = 1;
  bool valid = false;
  bool control = false;
};

Unit unitAt(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
  const std::uint8_t lead = byte(i);
  Unit u;
  if (lead < 0x80) {
    u.valid = true;
    u.control = lead < 0x20 || lead == 0x7F;
    return u;
  }
  std::size_t length = 0;
  std::uint32_t cp = 0;
  std::uint32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1Fu;
    least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0Fu;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07u;
    least = 0x10000;
  } else {
    return u;  // a continuation byte, C0, C1 or F5 to FF
  }
  if (i + length > s.size()) return u;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return u;
    cp = (cp << 6) | (byte(i + k) & 0x3Fu);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return u;
  u.length = length;
  u.valid = true;
  u.control = (cp >= 0x80 && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029;
  return u;
}

constexpr char kHex[] = "0123456789ABCDEF";

void appendHexByte(std::string& out, char prefix, std::uint8_t b) {
  out += prefix;
  out += kHex[b >> 4];
  out += kHex[b & 0x0F];
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const Unit u = unitAt(bytes, i);
    if (!u.valid) return false;
    i += u.length;
  }
  return true;
}

std::string utf8Text(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const Unit u = unitAt(bytes, i);
    if (u.valid) {
      out.append(bytes, i, u.length);
    } else {
      out += "\xEF\xBF\xBD";  // U+FFFD
    }
    i += u.length;
  }
  return out;
}

std::string percentEncodedBytes(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b > 0x20 && b < 0x7F && c != '%') {
      out += c;
    } else {
      appendHexByte(out, '%', b);
    }
  }
  return out;
}

bool decodePercentBytes(std::string_view text, std::string* bytes) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = hexValue(text[i + 1]);
    const int low = hexValue(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  *bytes = std::move(out);
  return true;
}

std::string columnText(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const Unit u = unitAt(name, i);
    if (u.control) {
      out += '?';
    } else {
      out.append(name, i, u.length);
    }
    i += u.length;
  }
  return out;
}

std::string messageText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const Unit u = unitAt(text, i);
    if (!u.valid || u.control) {
      for (std::size_t k = 0; k < u.length; ++k) {
        out += '\\';
        appendHexByte(out, 'x', static_cast<std::uint8_t>(text[i + k]));
      }
    } else if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[i + 1];
      const Unit after = unitAt(text, i + 1);
      const bool ambiguous = next == 'x' || next == '\\' || !after.valid || after.control;
      out += ambiguous ? "\\\\" : "\\";
    } else {
      out.append(text, i, u.length);
    }
    i += u.length;
  }
  return out;
}

}  // namespace quilve
