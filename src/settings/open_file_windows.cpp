#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "settings/open_file.h"

namespace quilve {

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
  const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(name.c_str(), wideMode.c_str());
}

}  // namespace quilve
