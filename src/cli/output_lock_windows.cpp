#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "cli/local_process.h"
#include "cli/output_lock.h"
#include "input/wide_path.h"
#include "settings/system_message.h"

// The lock file on Windows: the run holds it open for as long as it runs,
// shared for reading (and, as a POSIX lock file can be unlinked, for
// removal by hand), never for writing. Other runs read whose it is; a run
// of this host that finds it left by a process that no longer runs takes it
// over, and only when no process holds it open any more: when a run ends in
// any way, the system closes its files.

namespace quilve {

namespace {

constexpr int kAttempts = 100;

struct Holder {
  std::string host;
  long pid = 0;
  bool named = false;
};

Holder parseHolder(const std::string& text) {
  Holder h;
  std::istringstream in(text);
  std::string rest;
  if (in >> h.host >> h.pid && h.pid > 0 && !(in >> rest)) h.named = true;
  return h;
}

int cannot(const std::string& file, const char* what, DWORD error) {
  std::fprintf(stderr, "quilve-scan: %s: cannot %s the lock file: %s\n", file.c_str(), what,
               systemMessage(error).c_str());
  return 2;
}

bool writeAll(HANDLE h, const std::string& bytes) {
  DWORD written = 0;
  return WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size() && FlushFileBuffers(h);
}

std::string readSome(HANDLE h) {
  char buffer[512];
  DWORD n = 0;
  LARGE_INTEGER start{};
  SetFilePointerEx(h, start, nullptr, FILE_BEGIN);
  if (!ReadFile(h, buffer, sizeof buffer, &n, nullptr)) return {};
  return std::string(buffer, n);
}

// Marks an open file for removal: it goes when its last handle closes.
bool removeWhenClosed(HANDLE h) {
  FILE_DISPOSITION_INFO dispose{};
  dispose.DeleteFile = TRUE;
  return SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose) != 0;
}

// Removes the file at `name` when it is the file `ours` is open on: opened
// by its name and checked through the handle that removes it, so no other
// file of that name can be removed. (A handle's own mark for removal is not
// enough: where the file was moved into place after it was opened, not
// every system removes it under its new name.)
void removeIfSame(HANDLE ours, const std::wstring& name) {
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  HANDLE there = CreateFileW(name.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (there == INVALID_HANDLE_VALUE) return;
  // One folder, so one volume: the file index tells the files apart (the
  // volume a moved handle reports is not always its own).
  if (GetFileInformationByHandle(ours, &a) && GetFileInformationByHandle(there, &b) &&
      a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow) {
    removeWhenClosed(there);
  }
  CloseHandle(there);
}

// What a lock file guards: the results file it is named after, or the
// folder it is in.
std::string lockedOutput(const std::string& lockFile) {
  const std::filesystem::path p = std::filesystem::u8path(lockFile);
  if (p.filename() == ".quilve-scan.lock") return p.parent_path().u8string();
  return lockFile.substr(0, lockFile.size() - std::string(".lock").size());
}

void pause() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

// Without DELETE access, so that any program can read the file while it is
// held (the C library's opens do not share deletion); removed through
// handles of its own.
constexpr DWORD kHolderAccess = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kHolderShare = FILE_SHARE_READ | FILE_SHARE_DELETE;

// Places a lock file holding `content` at `file`, whole or not at all.
// Returns 1 when it is ours (*held set), 0 when another file is there, -1 on
// an error (*error set).
int place(const std::wstring& file, const std::string& content, HANDLE* held, DWORD* error) {
  // Written under a name of this run's own and moved into place, so the
  // lock never appears without its writer's name.
  const std::wstring staging =
      file + L"." + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(GetTickCount64());
  HANDLE own = CreateFileW(staging.c_str(), kHolderAccess, kHolderShare, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (own == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return -1;
  }
  if (!writeAll(own, content)) {
    *error = GetLastError();
    CloseHandle(own);
    DeleteFileW(staging.c_str());
    return -1;
  }
  // Without MOVEFILE_REPLACE_EXISTING the move never takes another run's
  // lock's place.
  if (MoveFileExW(staging.c_str(), file.c_str(), 0)) {
    *held = own;
    return 1;
  }
  const DWORD renameError = GetLastError();
  CloseHandle(own);
  DeleteFileW(staging.c_str());
  if (renameError == ERROR_ALREADY_EXISTS || renameError == ERROR_FILE_EXISTS || renameError == ERROR_ACCESS_DENIED ||
      renameError == ERROR_SHARING_VIOLATION) {
    // Access is denied, too, while another run's file is marked for
    // removal but still open.
    return 0;
  }
  if (renameError != ERROR_NOT_SUPPORTED && renameError != ERROR_INVALID_FUNCTION) {
    *error = renameError;
    return -1;
  }
  // A file system that cannot rename an open file: created exclusively
  // instead; a reader may then see it empty for a moment.
  HANDLE direct = CreateFileW(file.c_str(), kHolderAccess, kHolderShare, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (direct == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return *error == ERROR_FILE_EXISTS || *error == ERROR_ALREADY_EXISTS ? 0 : -1;
  }
  if (!writeAll(direct, content)) {
    *error = GetLastError();
    CloseHandle(direct);
    DeleteFileW(file.c_str());
    return -1;
  }
  *held = direct;
  return 1;
}

}  // namespace

int OutputLock::acquire(const std::string& lockFile, Reporter& notes) {
  release();
  if (lockFile.empty()) return 0;
  const std::wstring file = systemPath(lockFile);
  if (file.empty()) return cannot(lockFile, "create", ERROR_INVALID_NAME);
  const std::string host = localHostName();
  const std::string content = host + " " + std::to_string(localProcessId()) + "\n";
  std::string seen;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    HANDLE held = INVALID_HANDLE_VALUE;
    DWORD error = 0;
    const int placed = place(file, content, &held, &error);
    if (placed < 0) return cannot(lockFile, "create", error);
    if (placed > 0) {
      const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(held), _O_RDWR | _O_BINARY);
      if (fd < 0) {
        removeIfSame(held, file);
        CloseHandle(held);
        return cannot(lockFile, "keep", ERROR_TOO_MANY_OPEN_FILES);
      }
      lockFile_ = programPath(file);
      fd_ = fd;
      return 0;
    }
    HANDLE other = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (other == INVALID_HANDLE_VALUE) {
      const DWORD e = GetLastError();
      if (e == ERROR_FILE_NOT_FOUND) continue;  // it went just now
      if (e == ERROR_SHARING_VIOLATION || e == ERROR_ACCESS_DENIED) {
        pause();  // being taken over, or going away
        continue;
      }
      return cannot(lockFile, "read", e);
    }
    seen = readSome(other);
    CloseHandle(other);
    const Holder holder = parseHolder(seen);
    if (!holder.named) {
      pause();  // being written (a file system without renames), or not a lock
      continue;
    }
    if (holder.host == host && !processRunning(holder.pid)) {
      // Left by a run of this host that no longer runs. Opened for this run
      // alone: that fails while any process still holds it (the id used
      // again by a live run, or another run taking it over at this moment).
      HANDLE stale = CreateFileW(file.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
      if (stale == INVALID_HANDLE_VALUE) {
        pause();
        continue;
      }
      if (readSome(stale) == seen && removeWhenClosed(stale)) {
        notes.warning(lockFile + ": taking over the lock of quilve-scan process " + std::to_string(holder.pid) +
                      " on this host (" + host + "), which no longer runs");
      }
      CloseHandle(stale);
      continue;
    }
    std::fprintf(stderr,
                 "quilve-scan: %s: being written by quilve-scan process %ld on host %s (lock file %s); start "
                 "this run again once that one has ended, or remove the lock file if that process no longer "
                 "runs\n",
                 lockedOutput(lockFile).c_str(), holder.pid, holder.host.c_str(), lockFile.c_str());
    return 2;
  }
  std::fprintf(stderr,
               "quilve-scan: %s: a lock file that names no writer (\"%s\"); remove it if no scan writes beside it\n",
               lockFile.c_str(), seen.substr(0, seen.find('\n')).c_str());
  return 2;
}

void OutputLock::release() {
  if (fd_ < 0) return;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
  if (handle != INVALID_HANDLE_VALUE) removeIfSame(handle, systemPath(lockFile_));
  _close(fd_);
  fd_ = -1;
  lockFile_.clear();
}

}  // namespace quilve
