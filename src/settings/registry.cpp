#include "settings/registry.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace quilve {

namespace {

constexpr const char* kFileHeader = "Windows Registry Editor Version 5.00";
constexpr const char* kRootPrefix = "HKEY_CURRENT_USER\\";
// The longest key name, its whole path from the root included, as in the
// Windows registry. It bounds the nesting, and so the recursion of ensure()
// and the memory a hive's parent keys take.
constexpr std::size_t kMaxKeyName = 255;

bool equalNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool plainText(const std::string& s) {
  return std::none_of(s.begin(), s.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
  });
}

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Strings with control characters are written as hex(1): UTF-16LE code
// units, one per byte, so every byte comes back as it was.
std::string hexString(const std::string& s) {
  std::string out = "hex(1):";
  char buf[8];
  bool first = true;
  for (char c : s) {
    std::snprintf(buf, sizeof buf, "%s%02x,00", first ? "" : ",", static_cast<unsigned char>(c));
    out += buf;
    first = false;
  }
  out += first ? "00,00" : ",00,00";
  return out;
}

// Reads a quoted string starting at line[p] == '"'; p ends after the quote.
bool readQuoted(const std::string& line, std::size_t& p, std::string* out) {
  if (p >= line.size() || line[p] != '"') return false;
  ++p;
  out->clear();
  while (p < line.size()) {
    char c = line[p++];
    if (c == '"') return true;
    if (c == '\\') {
      if (p >= line.size()) return false;
      c = line[p++];
    }
    *out += c;
  }
  return false;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool readHexBytes(const std::string& text, std::vector<std::uint8_t>* out) {
  out->clear();
  std::size_t p = 0;
  while (p < text.size()) {
    if (p + 2 > text.size()) return false;
    const int hi = hexDigit(text[p]);
    const int lo = hexDigit(text[p + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    p += 2;
    if (p < text.size()) {
      if (text[p] != ',') return false;
      ++p;
    }
  }
  return true;
}

bool parseValue(const std::string& rest, RegValue* v) {
  if (rest.rfind("dword:", 0) == 0) {
    const std::string digits = rest.substr(6);
    if (digits.size() != 8) return false;
    std::uint32_t n = 0;
    for (char c : digits) {
      const int d = hexDigit(c);
      if (d < 0) return false;
      n = n * 16 + static_cast<std::uint32_t>(d);
    }
    v->type = RegType::Dword;
    v->dword = n;
    return true;
  }
  if (rest.rfind("hex(1):", 0) == 0) {
    std::vector<std::uint8_t> bytes;
    if (!readHexBytes(rest.substr(7), &bytes) || bytes.size() % 2 != 0 || bytes.size() < 2) {
      return false;
    }
    v->type = RegType::String;
    v->text.clear();
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      if (bytes[i + 1] != 0) return false;  // only code units we wrote
      if (bytes[i] == 0) break;
      v->text += static_cast<char>(bytes[i]);
    }
    return true;
  }
  std::size_t p = 0;
  std::string text;
  if (!readQuoted(rest, p, &text) || p != rest.size()) return false;
  v->type = RegType::String;
  v->text = text;
  return true;
}

}  // namespace

bool RegistryHive::NoCase::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
      });
}

RegResult RegistryHive::Key::query(const std::string& name, RegType* type, void* data,
                                   std::uint32_t* size) const {
  if (!size) return RegResult::InvalidParameter;
  const RegValue* v = value(name);
  if (!v) return RegResult::FileNotFound;
  if (type) *type = v->type;
  const std::uint32_t need =
      v->type == RegType::Dword ? 4u : static_cast<std::uint32_t>(v->text.size() + 1);
  const std::uint32_t have = *size;
  *size = need;
  if (!data) return RegResult::Success;
  if (have < need) return RegResult::MoreData;
  if (v->type == RegType::Dword) {
    std::memcpy(data, &v->dword, 4);
  } else {
    std::memcpy(data, v->text.c_str(), need);
  }
  return RegResult::Success;
}

const RegValue* RegistryHive::Key::value(const std::string& name) const {
  for (const auto& [n, v] : values_) {
    if (equalNoCase(n, name)) return &v;
  }
  return nullptr;
}

std::vector<std::string> RegistryHive::Key::valueNames() const {
  std::vector<std::string> names;
  for (const auto& entry : values_) names.push_back(entry.first);
  return names;
}

void RegistryHive::Key::setDword(const std::string& name, std::uint32_t value) {
  RegValue v;
  v.type = RegType::Dword;
  v.dword = value;
  for (auto& entry : values_) {
    if (equalNoCase(entry.first, name)) {
      entry.second = v;
      return;
    }
  }
  values_.emplace_back(name, v);
}

void RegistryHive::Key::setString(const std::string& name, const std::string& value) {
  RegValue v;
  v.type = RegType::String;
  v.text = value;
  for (auto& entry : values_) {
    if (equalNoCase(entry.first, name)) {
      entry.second = v;
      return;
    }
  }
  values_.emplace_back(name, v);
}

RegistryHive::RegistryHive(std::string file) : file_(std::move(file)) {}

RegistryHive::Key* RegistryHive::ensure(const std::string& path) {
  auto it = keys_.find(path);
  if (it != keys_.end()) return it->second.get();
  const auto sep = path.rfind('\\');
  if (sep != std::string::npos) {
    Key* parent = ensure(path.substr(0, sep));
    parent->subkeyOrder_.push_back(path.substr(sep + 1));
  }
  auto key = std::make_unique<Key>();
  Key* raw = key.get();
  keys_.emplace(path, std::move(key));
  return raw;
}

RegistryHive::Key* RegistryHive::open(const std::string& path, bool create) {
  if (path.empty()) return nullptr;
  auto it = keys_.find(path);
  if (it != keys_.end()) return it->second.get();
  if (Key* kept = fetch(path)) return kept;
  return create ? ensure(path) : nullptr;
}

bool RegistryHive::parse(const std::string& text, std::string* error) {
  keys_.clear();
  std::istringstream in(text);
  std::string line;
  int number = 0;
  bool header = false;
  Key* current = nullptr;
  auto fail = [&](const char* why) {
    if (error) *error = "line " + std::to_string(number) + ": " + why;
    keys_.clear();
    return false;
  };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (!header) {
      if (line != kFileHeader) return fail("not a registry file");
      header = true;
      continue;
    }
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) return fail("bad key line");
      if (line.size() - 2 > kMaxKeyName) return fail("key name longer than 255 characters");
      std::string path = line.substr(1, line.size() - 2);
      if (path.rfind(kRootPrefix, 0) != 0) return fail("key outside HKEY_CURRENT_USER");
      path = path.substr(std::strlen(kRootPrefix));
      // An empty component (two separators in a row, a leading or trailing
      // separator) would make a key that cannot be written back.
      if (path.empty() || path.find("\\\\") != std::string::npos || path.front() == '\\' ||
          path.back() == '\\') {
        return fail("bad key path");
      }
      current = ensure(path);
      continue;
    }
    if (!current) return fail("value outside a key");
    std::size_t p = 0;
    std::string name;
    if (!readQuoted(line, p, &name) || p >= line.size() || line[p] != '=') {
      return fail("bad value line");
    }
    RegValue v;
    if (!parseValue(line.substr(p + 1), &v)) return fail("bad value");
    if (v.type == RegType::Dword) {
      current->setDword(name, v.dword);
    } else {
      current->setString(name, v.text);
    }
  }
  if (!header && number > 0) return fail("not a registry file");
  return true;
}

std::string RegistryHive::serialize() const {
  std::string out = std::string(kFileHeader) + "\n";
  char buf[32];
  for (const auto& [path, key] : keys_) {
    out += "\n[" + std::string(kRootPrefix) + path + "]\n";
    for (const auto& [name, v] : key->values_) {
      out += quoted(name) + "=";
      if (v.type == RegType::Dword) {
        std::snprintf(buf, sizeof buf, "dword:%08x", v.dword);
        out += buf;
      } else {
        out += plainText(v.text) ? quoted(v.text) : hexString(v.text);
      }
      out += "\n";
    }
  }
  return out;
}

}  // namespace quilve
