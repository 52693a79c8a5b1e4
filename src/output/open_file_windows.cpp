#include "output/open_file.h"

#include <cerrno>
#include <cwchar>

#include "input/wide_path.h"

namespace quilve {

std::FILE* openStream(const std::string& path, const char* mode) {
  const std::wstring name = systemPath(path);
  if (name.empty()) {
    errno = path.empty() ? ENOENT : EINVAL;
    return nullptr;
  }
  std::wstring wideMode;
  for (const char* c = mode; *c; ++c) wideMode.push_back(static_cast<wchar_t>(*c));
  return _wfopen(name.c_str(), wideMode.c_str());
}

}  // namespace quilve
