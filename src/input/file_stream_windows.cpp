// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "input/file_stream.h"
#include "input/wide_path.h"

namespace quilve {

std::FILE* openFileStream(const std::string& path, const char* mode) {
  const std::wstring name = systemPath(path);
  if (name.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  // A folder is named as one, not as a file that may not be opened.
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    errno = EISDIR;
    return nullptr;
  }
  std::wstring wideMode;
  for (const char* c = mode; *c; ++c) wideMode += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  if (std::strchr(mode, 'b') == nullptr) wideMode += L'b';
  return _wfopen(name.c_str(), wideMode.c_str());
}

}  // namespace quilve
