// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "engine/temporary_file.h"
#include "input/windows_files.h"

namespace quilve {

// A file in the temporary folder (TMP, else TEMP, else the profile's) that
// the system deletes when its last handle closes, also when the program is
// ended without its knowledge. Marked temporary, it stays in the cache
// rather than going to the disk where memory allows.
std::FILE* anonymousTemporaryFile() {
  auto fail = [](DWORD code) -> std::FILE* {
    errno = errnoOfSystemError(code);
    return nullptr;
  };
  std::vector<wchar_t> folder(MAX_PATH + 1);
  const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length == 0 || length > folder.size()) return fail(length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
  // The system picks a name no other file has and makes the file; it is
  // opened again here to be deleted on close.
  wchar_t name[MAX_PATH + 1] = {};
  if (GetTempFileNameW(folder.data(), L"qvc", 0, name) == 0) return fail(GetLastError());
  const HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    DeleteFileW(name);
    return fail(code);
  }
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return fail(ERROR_TOO_MANY_OPEN_FILES);
  }
  std::FILE* file = _fdopen(fd, "w+b");
  if (!file) _close(fd);
  return file;
}

}  // namespace quilve
