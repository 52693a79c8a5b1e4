// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#include "input/wide_path.h"

#include <windows.h>

#include <vector>

namespace quilve {

bool utf8ToWide(const std::string& text, std::wstring* out) {
  out->clear();
  if (text.empty()) return true;
  const int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                        static_cast<int>(text.size()), nullptr, 0);
  if (count <= 0) return false;
  out->resize(static_cast<std::size_t>(count));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                      &(*out)[0], count);
  return true;
}

bool wideToUtf8(const std::wstring& text, std::string* out) {
  out->clear();
  if (text.empty()) return true;
  const int count = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(),
                                        static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (count <= 0) return false;
  out->resize(static_cast<std::size_t>(count));
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                      &(*out)[0], count, nullptr, nullptr);
  return true;
}

namespace {

bool hasPrefix(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, wcslen(prefix), prefix) == 0;
}

// The absolute form of a path, '\' separators, "." and ".." resolved.
std::wstring absolutePath(const std::string& path) {
  std::wstring wide;
  if (path.empty() || !utf8ToWide(path, &wide)) return {};
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  if (hasPrefix(wide, L"\\\\?\\")) return wide;  // already a system path
  const DWORD need = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (need == 0) return {};
  std::vector<wchar_t> buffer(need + 1);
  const DWORD got = GetFullPathNameW(wide.c_str(), need + 1, buffer.data(), nullptr);
  if (got == 0 || got > need) return {};
  return std::wstring(buffer.data(), got);
}

}  // namespace

std::wstring systemPath(const std::string& path) {
  std::wstring full = absolutePath(path);
  if (full.empty() || hasPrefix(full, L"\\\\?\\")) return full;
  if (hasPrefix(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::wstring plainSystemPath(const std::string& path) {
  std::wstring full = absolutePath(path);
  if (hasPrefix(full, L"\\\\?\\UNC\\")) return L"\\\\" + full.substr(8);
  if (hasPrefix(full, L"\\\\?\\")) return full.substr(4);
  return full;
}

std::string programPath(const std::wstring& path) {
  std::wstring plain = path;
  if (hasPrefix(plain, L"\\\\?\\UNC\\"))
    plain = L"\\\\" + plain.substr(8);
  else if (hasPrefix(plain, L"\\\\?\\"))
    plain = plain.substr(4);
  std::string out;
  if (!wideToUtf8(plain, &out)) return {};
  return out;
}

bool sameNameOnFileSystem(const std::string& a, const std::string& b) {
  std::wstring wa, wb;
  if (!utf8ToWide(a, &wa) || !utf8ToWide(b, &wb)) return a == b;
  return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                              static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

const char* pathSeparators() { return "/\\"; }

}  // namespace quilve
