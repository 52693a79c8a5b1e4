#include "output/whole_file.h"

#include <windows.h>

#include <cstring>

#include "input/wide_path.h"
#include "input/windows_files.h"

namespace quilve {

namespace {

// Writes all of `size` bytes; 0 or the system's error code.
DWORD writeAll(HANDLE file, const char* data, std::size_t size, std::size_t* done) {
  *done = 0;
  while (*done < size) {
    const std::size_t left = size - *done;
    const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, data + *done, chunk, &written, nullptr)) {
      const DWORD code = GetLastError();
      return code != 0 ? code : ERROR_WRITE_FAULT;
    }
    if (written == 0) return ERROR_WRITE_FAULT;
    *done += written;
  }
  return 0;
}

// The reason in the words the POSIX build gives ("No such file or
// directory"), so that results and picture failures read the same on every
// system.
bool fail(std::string* error, DWORD code) {
  if (error) *error = std::strerror(errnoOfSystemError(code));
  return false;
}

}  // namespace

bool writeFileReplacing(const std::string& path, const std::string& contents, std::string* error,
                        Durability durability) {
  const std::wstring target = systemPath(path);
  if (target.empty()) return fail(error, ERROR_INVALID_NAME);
  // A name of its own beside the target, created exclusively.
  std::wstring temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
    temporary = target + L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(attempt);
    file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  if (file == INVALID_HANDLE_VALUE) return fail(error, GetLastError());
  auto discard = [&](DWORD code) {
    DeleteFileW(temporary.c_str());
    return fail(error, code);
  };
  std::size_t done = 0;
  if (const DWORD code = writeAll(file, contents.data(), contents.size(), &done)) {
    CloseHandle(file);
    return discard(code);
  }
  if (durability == Durability::Flushed && !FlushFileBuffers(file)) {
    const DWORD code = GetLastError();
    CloseHandle(file);
    return discard(code);
  }
  if (!CloseHandle(file)) return discard(GetLastError());
  // One step from the old file to the new one; the rename itself reaches
  // the disk before it is said to be done.
  DWORD flags = MOVEFILE_REPLACE_EXISTING;
  if (durability == Durability::Flushed) flags |= MOVEFILE_WRITE_THROUGH;
  // A virus scanner or the search indexer may hold the old file for a
  // moment; a file kept open by a program is reported after a while.
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(temporary.c_str(), target.c_str(), flags)) return true;
    const DWORD code = GetLastError();
    const bool held = code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ||
                      code == ERROR_LOCK_VIOLATION;
    const DWORD there = GetFileAttributesW(target.c_str());
    const bool folder = there != INVALID_FILE_ATTRIBUTES && (there & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!held || folder || attempt == 20) return discard(code);
    Sleep(25);
  }
}

bool appendWholeText(const std::string& path, bool truncate, const std::string& text,
                     bool* opened, std::string* error) {
  *opened = false;
  const std::wstring name = systemPath(path);
  if (name.empty()) return fail(error, ERROR_INVALID_NAME);
  // Appending access alone makes every write go to the end, as another
  // writer of the file left it; a fresh file is written from its start.
  const DWORD access =
      truncate ? GENERIC_WRITE : (FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE);
  HANDLE file = CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, truncate ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return fail(error, GetLastError());
  *opened = true;
  LARGE_INTEGER before{};
  const bool sized = GetFileSizeEx(file, &before) != 0;
  std::size_t done = 0;
  DWORD code = writeAll(file, text.data(), text.size(), &done);
  if (!CloseHandle(file) && code == 0) code = GetLastError();
  if (code != 0 && done > 0 && sized) {
    // Best effort: a file that cannot be cut back is reported all the same.
    HANDLE cut = CreateFileW(name.c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (cut != INVALID_HANDLE_VALUE) {
      if (SetFilePointerEx(cut, before, nullptr, FILE_BEGIN)) SetEndOfFile(cut);
      CloseHandle(cut);
    }
  }
  return code == 0 || fail(error, code);
}

}  // namespace quilve
