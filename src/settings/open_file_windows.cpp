#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "settings/open_file.h"

namespace quilve {

namespace {

// Absolute with the long-path prefix, so that names beyond 260 characters
// open too; devices ("\\.\NUL") and prefixed names stay as they are.
std::wstring longPath(const std::wstring& name) {
  const DWORD need = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (need == 0) return name;
  std::wstring full(need, L'\0');
  const DWORD got = GetFullPathNameW(name.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need) return name;
  full.resize(got);
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
  if (full.rfind(L"\\\\", 0) == 0 && full.rfind(L"\\\\?\\", 0) != 0 && full.rfind(L"\\\\.\\", 0) != 0) {
    return L"\\\\?\\UNC\\" + full.substr(2);
  }
  return full;
}

}  // namespace

std::FILE* openFile(const std::string& path, const char* mode) {
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                                    nullptr, 0);
  if (path.empty() || n <= 0) {
    errno = path.empty() ? ENOENT : EINVAL;  // no such name can exist there
    return nullptr;
  }
  std::wstring name(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), name.data(), n);
  std::replace(name.begin(), name.end(), L'/', L'\\');
  const std::string binary = binaryMode(mode);
  const std::wstring wideMode(binary.begin(), binary.end());
  return _wfopen(longPath(name).c_str(), wideMode.c_str());
}

}  // namespace quilve
