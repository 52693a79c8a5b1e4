// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "input/folder_entries.h"
#include "input/wide_path.h"
#include "input/windows_files.h"

namespace quilve {

bool folderEntries(const std::string& folder, std::vector<std::string>* names, std::string* why) {
  names->clear();
  auto refuse = [&](int error) {
    names->clear();
    if (why) *why = std::strerror(error);
    return false;
  };
  if (isDevicePath(folder)) return refuse(ENOTDIR);
  const std::wstring path = systemPath(folder);
  if (path.empty()) return refuse(ENOENT);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return refuse(errnoOfSystemError(GetLastError()));
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return refuse(ENOTDIR);

  std::wstring pattern = path;
  if (pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW entry{};
  const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A drive's root has no "." or "..": nothing found there is an empty
    // folder.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) {
      if (why) why->clear();
      return true;
    }
    return refuse(errnoOfSystemError(error));
  }
  DWORD error = ERROR_SUCCESS;
  for (;;) {
    const std::wstring name = entry.cFileName;
    std::string text;
    // A name that is no valid UTF-16 (an unpaired surrogate) cannot be
    // named inside the program; it is not offered rather than mangled into
    // the name of another file.
    if (name != L"." && name != L".." && wideToUtf8(name, &text)) names->push_back(std::move(text));
    if (!FindNextFileW(find, &entry)) {
      error = GetLastError();
      break;
    }
  }
  FindClose(find);
  if (error != ERROR_NO_MORE_FILES) return refuse(errnoOfSystemError(error));
  if (why) why->clear();
  return true;
}

}  // namespace quilve
