#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "settings/registry.h"
#include "settings/system_message.h"

// The hive kept in the current user's registry: a key is read when it is
// first opened and every key is written back by save(), with the same value
// names and types as the hive file elsewhere. The registry keeps itself
// whole across crashes, so no temporary copy is needed.

namespace quilve {

namespace {

// UTF-8 inside the program, UTF-16 in the registry. Bytes that are not
// UTF-8 become U+FFFD rather than stopping a save.
std::wstring wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const wchar_t* text, std::size_t length) {
  if (length == 0) return {};
  const int units = static_cast<int>(length);
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(n, 0)), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, units, out.data(), n, nullptr, nullptr);
  return out;
}

class OpenKey {
 public:
  OpenKey() = default;
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

std::string RegistryHive::defaultFile() { return {}; }

std::string RegistryHive::where() const {
  return file_.empty() ? "HKEY_CURRENT_USER" : "HKEY_CURRENT_USER\\" + file_;
}

RegistryHive::Key* RegistryHive::fetch(const std::string& path) {
  const std::string full = file_.empty() ? path : file_ + "\\" + path;
  OpenKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, wide(full).c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) {
    return nullptr;
  }
  DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                       &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  Key* kept = ensure(path);
  std::vector<wchar_t> name(std::max(longestName, longestSubkey) + 2);
  std::vector<BYTE> data(longestData + sizeof(wchar_t));
  for (DWORD i = 0; i < values; ++i) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size() - sizeof(wchar_t));
    DWORD type = REG_NONE;
    if (RegEnumValueW(key.get(), i, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize) !=
        ERROR_SUCCESS) {
      continue;  // changed while it was read: what is left is read as it is
    }
    const std::string valueName = narrow(name.data(), nameLength);
    if (type == REG_DWORD && dataSize == 4) {
      DWORD n = 0;
      std::memcpy(&n, data.data(), 4);
      kept->setDword(valueName, n);
    } else if (type == REG_SZ) {
      // Stored with or without its terminator; the text ends at the first
      // NUL as a reader of the value sees it.
      std::size_t units = dataSize / sizeof(wchar_t);
      const auto* text = reinterpret_cast<const wchar_t*>(data.data());
      std::size_t length = 0;
      while (length < units && text[length] != L'\0') ++length;
      kept->setString(valueName, narrow(text, length));
    } else {
      // Another type: present, so that a reader of either type finds a
      // value of the wrong type and keeps its own, and never written back.
      kept->values_.emplace_back(valueName, RegValue{});
    }
  }
  for (DWORD i = 0; i < subkeys; ++i) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    if (RegEnumKeyExW(key.get(), i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) ==
        ERROR_SUCCESS) {
      kept->subkeyOrder_.push_back(narrow(name.data(), nameLength));
    }
  }
  return kept;
}

bool RegistryHive::load(Reporter*) {
  keys_.clear();
  return true;
}

bool RegistryHive::save(std::string* error) const {
  for (const auto& [path, key] : keys_) {
    const std::string full = file_.empty() ? path : file_ + "\\" + path;
    auto fail = [&](const std::string& name, LSTATUS status) {
      if (error) {
        *error = "HKEY_CURRENT_USER\\" + full + (name.empty() ? "" : " " + name) + ": " + systemMessage(status);
      }
      return false;
    };
    OpenKey written;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, wide(full).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, written.out(), nullptr);
    if (status != ERROR_SUCCESS) return fail({}, status);
    for (const auto& [name, v] : key->values_) {
      const std::wstring valueName = wide(name);
      if (v.type == RegType::Dword) {
        const DWORD n = v.dword;
        status = RegSetValueExW(written.get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n),
                                sizeof n);
      } else if (v.type == RegType::String) {
        const std::wstring text = wide(v.text);
        status = RegSetValueExW(written.get(), valueName.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
      } else {
        continue;
      }
      if (status != ERROR_SUCCESS) return fail(name, status);
    }
  }
  return true;
}

}  // namespace quilve
