// The file layer on Windows: every path goes to the system in its long
// UTF-16 form (wide_path.h), renames never replace unless told to, and a
// move to another volume removes the source only once its copy is whole
// under its final name.
#include "output/file_operations.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include "input/wide_path.h"
#include "output/recycle.h"
#include "settings/system_message.h"

namespace quilve {

namespace {

FileOpResult failure(std::string text) {
  FileOpResult r;
  r.error = std::move(text);
  return r;
}

FileOpResult success() {
  FileOpResult r;
  r.ok = true;
  return r;
}

bool nameExists(DWORD code) { return code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS; }

bool nameMissing(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

// Gives `from` the name `to` on the same volume; with Overwrite::Never an
// existing `to` makes it fail with ERROR_ALREADY_EXISTS. Nothing is copied
// here: another volume is ERROR_NOT_SAME_DEVICE. Returns 0 or the error.
DWORD placeFile(const std::wstring& from, const std::wstring& to, Overwrite overwrite) {
  DWORD flags = MOVEFILE_WRITE_THROUGH;
  if (overwrite == Overwrite::Replace) flags |= MOVEFILE_REPLACE_EXISTING;
  if (MoveFileExW(from.c_str(), to.c_str(), flags)) return 0;
  const DWORD code = GetLastError();
  return code != 0 ? code : ERROR_GEN_FAILURE;
}

// Whether the entry is a symbolic link or a junction (other reparse points,
// such as files kept in the cloud, are files of their own).
bool isLinkTag(DWORD attributes, DWORD tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT);
}

bool handleIsLink(HANDLE h) {
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info, sizeof info)) return false;
  return isLinkTag(info.FileAttributes, info.ReparseTag);
}

// The entry `path` names, not followed when it is a link: its attributes,
// and whether it is a link. False when it is not there (or cannot be
// looked at; `code` then says why).
bool lookAtEntry(const std::wstring& path, DWORD* attributes, bool* link, DWORD* code) {
  WIN32_FIND_DATAW data{};
  *link = false;
  *attributes = GetFileAttributesW(path.c_str());
  if (*attributes == INVALID_FILE_ATTRIBUTES) {
    *code = GetLastError();
    return false;
  }
  if ((*attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    HANDLE find = FindFirstFileW(path.c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      FindClose(find);
      *link = isLinkTag(*attributes, data.dwReserved0);
    }
  }
  return true;
}

// An open file as a C descriptor (which the identity functions take); the
// descriptor owns the handle.
struct OpenFile {
  HANDLE handle = INVALID_HANDLE_VALUE;
  int fd = -1;
  OpenFile() = default;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() { close(); }
  bool adopt(HANDLE h) {
    handle = h;
    fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
      CloseHandle(h);
      handle = INVALID_HANDLE_VALUE;
      return false;
    }
    return true;
  }
  void close() {
    if (fd >= 0) _close(fd);  // closes the handle too
    fd = -1;
    handle = INVALID_HANDLE_VALUE;
  }
};

// Opens `path` for reading, shared with every other reader and writer and
// with renames (so that the file can be moved while it is open here).
HANDLE openShared(const std::wstring& path, DWORD access, DWORD flags) {
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, flags, nullptr);
}

// The source of a copy or a move, opened without following a link and
// compared with what the scan read.
struct OpenSource {
  OpenFile file;
  std::wstring path;      // the system path
  FileIdentity identity;  // of the open file
  LARGE_INTEGER size{};
  FILETIME created{}, accessed{}, written{};
};

FileOpResult leftAlone(const std::string& source, SourceState state) {
  FileOpResult r = failure(source + ": " + sourceStateText(state));
  r.source = state;
  return r;
}

// Opens `source` for reading (never through a link) and checks that it is
// a regular file and, with a known `expected`, the very file that was read.
// Fills `result` and returns false when the operation must not run.
bool openSource(const std::string& source, const FileIdentity& expected, OpenSource* in,
                FileOpResult* result) {
  in->path = systemPath(source);
  if (in->path.empty()) {
    *result = failure(source + ": " + systemMessage(ERROR_INVALID_NAME));
    return false;
  }
  HANDLE h = openShared(in->path, GENERIC_READ,
                        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS |
                            FILE_FLAG_SEQUENTIAL_SCAN);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    *result = nameMissing(code) && expected.known() ? leftAlone(source, SourceState::Missing)
                                                     : failure(systemFailure(source, code));
    return false;
  }
  if (handleIsLink(h)) {
    CloseHandle(h);
    *result = leftAlone(source, SourceState::SymbolicLink);
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) {
    const DWORD code = GetLastError();
    CloseHandle(h);
    *result = failure(systemFailure(source, code));
    return false;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    *result = expected.known() ? leftAlone(source, SourceState::Replaced)
                               : failure(source + " is not a regular file");
    return false;
  }
  in->created = info.ftCreationTime;
  in->accessed = info.ftLastAccessTime;
  in->written = info.ftLastWriteTime;
  in->size.HighPart = static_cast<LONG>(info.nFileSizeHigh);
  in->size.LowPart = info.nFileSizeLow;
  if (!in->file.adopt(h)) {
    *result = failure(source + ": cannot be opened");
    return false;
  }
  FileKind kind = FileKind::Other;
  if (!identityOfDescriptor(in->file.fd, &in->identity, &kind)) {
    *result = failure(systemFailure(source, GetLastError()));
    return false;
  }
  SourceState state = compareSource(true, kind, in->identity, expected);
  if (state == SourceState::Replaced && in->identity.sameFile(expected)) {
    // Only its status changed: perhaps another program is moving it away
    // right now (then the name is gone in a moment).
    if (checkSource(source, expected) == SourceState::Missing) state = SourceState::Missing;
  }
  if (state != SourceState::Unchanged) {
    *result = leftAlone(source, state);
    return false;
  }
  return true;
}

// The identity of the file `path` leads to, or false.
bool identityAt(const std::wstring& path, FileIdentity* identity) {
  HANDLE h = openShared(path, FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS);
  if (h == INVALID_HANDLE_VALUE) return false;
  OpenFile file;
  if (!file.adopt(h)) return false;
  return identityOfDescriptor(file.fd, identity);
}

// Checks the target directory of a copy or a move and builds the target
// path. Fills `result` and returns false when the operation must not run.
bool prepareTarget(const std::string& source, const std::string& directory, Overwrite overwrite,
                   const OpenSource& in, std::string* target, FileOpResult* result) {
  if (directory.empty()) {
    *result = failure("no target directory");
    return false;
  }
  const std::wstring dir = systemPath(directory);
  const DWORD attributes = dir.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(dir.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *result = failure(systemFailure(directory, dir.empty() ? ERROR_INVALID_NAME : GetLastError()));
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    *result = failure(directory + " is not a directory");
    return false;
  }
  const std::string name = baseName(source);
  *target = joinPath(directory, name);
  const std::wstring wideTarget = systemPath(*target);
  DWORD targetAttributes = 0, code = 0;
  bool link = false;
  if (lookAtEntry(wideTarget, &targetAttributes, &link, &code)) {
    FileIdentity there;
    if (identityAt(wideTarget, &there) && there.sameFile(in.identity)) {
      *result = failure(name + " is already in " + directory);
      return false;
    }
    if (!link && (targetAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      *result = failure(*target + " is a directory");
      return false;
    }
    if (overwrite == Overwrite::Never) {
      *result = failure(name + " already exists in " + directory);
      result->targetExists = true;
      return false;
    }
  }
  return true;
}

// Reads up to `size` bytes at `offset` (the handle's own position is not
// used); the count, or -1 with the error left for GetLastError.
long long readAt(HANDLE h, char* data, DWORD size, long long offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xffffffffLL);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  if (!ReadFile(h, data, size, &got, &at)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return got;
}

bool writeAll(HANDLE h, const char* data, std::size_t size) {
  while (size > 0) {
    DWORD n = 0;
    if (!WriteFile(h, data, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &n,
                   nullptr) ||
        n == 0) {
      return false;
    }
    data += n;
    size -= n;
  }
  return true;
}

// A fresh file of `directory` under a name of its own; the system path in
// `temporary`.
HANDLE createTemporary(const std::string& directory, std::wstring* temporary, DWORD* code) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const unsigned n = counter.fetch_add(1) ^ (GetTickCount() << 8);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".quilve-%lu-%06x",
                  static_cast<unsigned long>(GetCurrentProcessId()), n & 0xffffffu);
    *temporary = systemPath(joinPath(directory, suffix));
    HANDLE h = CreateFileW(temporary->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    *code = GetLastError();
    if (!nameExists(*code)) return INVALID_HANDLE_VALUE;
  }
  return INVALID_HANDLE_VALUE;
}

// Copies the open source (from its start) into a fresh temporary file of
// `directory`, with the source's times, flushed to the disk and checked to
// hold as many bytes as the source. Returns an empty text and the temporary
// path, or the reason (and no temporary file is left behind).
std::string copyToTemporary(const std::string& source, const OpenSource& in,
                            const std::string& directory, std::wstring* temporary) {
  DWORD code = 0;
  std::wstring tmp;
  HANDLE out = createTemporary(directory, &tmp, &code);
  if (out == INVALID_HANDLE_VALUE) return systemFailure(directory, code);

  std::string why;
  std::vector<char> buffer(1 << 16);
  long long copied = 0;
  for (;;) {
    const long long n =
        readAt(in.file.handle, buffer.data(), static_cast<DWORD>(buffer.size()), copied);
    if (n < 0) {
      why = systemFailure(source, GetLastError());
      break;
    }
    if (n == 0) break;
    if (!writeAll(out, buffer.data(), static_cast<std::size_t>(n))) {
      why = systemFailure(directory, GetLastError());
      break;
    }
    copied += n;
  }
  if (why.empty()) {
    SetFileTime(out, &in.created, &in.accessed, &in.written);
    LARGE_INTEGER written{};
    if (!FlushFileBuffers(out)) {
      why = systemFailure(directory, GetLastError());
    } else if (!GetFileSizeEx(out, &written) || written.QuadPart != in.size.QuadPart ||
               copied != in.size.QuadPart) {
      why = "the copy in " + directory + " does not have the size of " + source;
    }
  }
  if (!CloseHandle(out) && why.empty()) why = systemFailure(directory, GetLastError());
  if (!why.empty()) {
    DeleteFileW(tmp.c_str());
    return why;
  }
  *temporary = tmp;
  return {};
}

// Copies into the directory and gives the copy its final name.
FileOpResult copyAndPlace(const std::string& source, const OpenSource& in,
                          const std::string& directory, const std::string& target,
                          Overwrite overwrite) {
  std::wstring tmp;
  const std::string why = copyToTemporary(source, in, directory, &tmp);
  if (!why.empty()) return failure(why);
  const DWORD code = placeFile(tmp, systemPath(target), overwrite);
  if (code != 0) {
    DeleteFileW(tmp.c_str());
    FileOpResult r = failure(nameExists(code) ? baseName(target) + " already exists in " + directory
                                              : systemFailure(target, code));
    r.targetExists = nameExists(code);
    return r;
  }
  return success();
}

// A failed operation on a file known from the scan whose name is gone by
// now: another program moved or removed it meanwhile.
FileOpResult settle(FileOpResult r, const std::string& source, const FileIdentity& expected) {
  if (r.ok || r.source != SourceState::Unchanged || !expected.known()) return r;
  if (checkSource(source, expected) == SourceState::Missing) {
    return leftAlone(source, SourceState::Missing);
  }
  return r;
}

// The regular file `path` holds exactly the bytes of the open `source`.
bool holdsTheSameBytes(const std::string& path, const OpenSource& source) {
  HANDLE h = openShared(systemPath(path), GENERIC_READ, FILE_FLAG_OPEN_REPARSE_POINT);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool same = !handleIsLink(h) && GetFileSizeEx(h, &size) &&
              size.QuadPart == source.size.QuadPart;
  std::vector<char> a(1 << 16), b(1 << 16);
  for (long long at = 0; same && at < size.QuadPart;) {
    const long long n = readAt(source.file.handle, a.data(), static_cast<DWORD>(a.size()), at);
    const long long m = n > 0 ? readAt(h, b.data(), static_cast<DWORD>(n), at) : -1;
    same = n > 0 && m == n && std::equal(a.begin(), a.begin() + n, b.begin());
    at += n > 0 ? n : 0;
  }
  CloseHandle(h);
  return same;
}

FileOpResult copyInto(const std::string& source, const std::string& directory,
                      Overwrite overwrite, const FileIdentity& expected) {
  OpenSource in;
  FileOpResult r;
  if (!openSource(source, expected, &in, &r)) return r;
  std::string target;
  if (!prepareTarget(source, directory, overwrite, in, &target, &r)) {
    // A copy made by an earlier run that was interrupted afterwards is the
    // copy this one would make: it is archived already.
    if (r.targetExists && holdsTheSameBytes(target, in)) return success();
    return r;
  }
  return copyAndPlace(source, in, directory, target, overwrite);
}

FileOpResult moveInto(const std::string& source, const std::string& directory,
                      Overwrite overwrite, const FileIdentity& expected) {
  OpenSource in;
  FileOpResult r;
  if (!openSource(source, expected, &in, &r)) return r;
  std::string target;
  if (!prepareTarget(source, directory, overwrite, in, &target, &r)) return r;
  // The name must still be the file just opened when it is renamed.
  SourceState state = checkSource(source, in.identity);
  if (state != SourceState::Unchanged) return leftAlone(source, state);
  const DWORD code = placeFile(in.path, systemPath(target), overwrite);
  if (code == 0) return success();
  if (nameExists(code)) {
    r = failure(baseName(source) + " already exists in " + directory);
    r.targetExists = true;
    return r;
  }
  if (code != ERROR_NOT_SAME_DEVICE) return failure(systemFailure(source, code));

  // Another volume: the source goes only once its copy is in place, and
  // only while it is still the file that was copied.
  r = copyAndPlace(source, in, directory, target, overwrite);
  if (!r.ok) return r;
  state = checkSource(source, in.identity);
  if (state != SourceState::Unchanged) {
    return failure(baseName(source) + " was copied to " + directory +
                   " but the original was not removed: " + sourceStateText(state));
  }
  if (!DeleteFileW(in.path.c_str())) {
    return failure(baseName(source) + " was copied to " + directory +
                   " but the original could not be removed: " + systemMessage(GetLastError()));
  }
  return success();
}

}  // namespace

std::size_t pathRootLength(const std::string& path) {
  auto separator = [&](std::size_t i) {
    return i < path.size() && (path[i] == '/' || path[i] == '\\');
  };
  auto letter = [&](std::size_t i) {
    return i + 1 < path.size() && path[i + 1] == ':' &&
           ((path[i] >= 'A' && path[i] <= 'Z') || (path[i] >= 'a' && path[i] <= 'z'));
  };
  std::size_t from = 0;
  if (separator(0) && separator(1) && path.size() > 3 && (path[2] == '?' || path[2] == '.') &&
      separator(3)) {
    from = 4;  // "\\?\" or "\\.\"
    if (path.compare(from, 4, "UNC\\") == 0 || path.compare(from, 4, "UNC/") == 0) {
      from += 4;
    } else if (letter(from)) {
      return separator(from + 2) ? from + 3 : from + 2;
    } else {
      return from;
    }
  } else if (letter(0)) {
    return separator(2) ? 3 : 2;
  } else if (separator(0) && separator(1)) {
    from = 2;
  } else {
    return separator(0) ? 1 : 0;
  }
  // "\\server\share\": the server and the share belong to the root.
  std::size_t at = from;
  for (int part = 0; part < 2 && at < path.size(); ++part) {
    while (at < path.size() && !separator(at)) ++at;
    if (at < path.size()) ++at;
  }
  return at;
}

FileOpResult copyIntoDirectory(const std::string& source, const std::string& directory,
                               Overwrite overwrite, const FileIdentity& expected) {
  return settle(copyInto(source, directory, overwrite, expected), source, expected);
}

FileOpResult moveIntoDirectory(const std::string& source, const std::string& directory,
                               Overwrite overwrite, const FileIdentity& expected) {
  return settle(moveInto(source, directory, overwrite, expected), source, expected);
}

FileOpResult moveToTrash(const std::string& path, const FileIdentity& expected) {
  if (path.empty()) return failure("no file");
  // The recycle bin takes a name, so the name is compared just before.
  const SourceState state = checkSource(path, expected);
  if (state != SourceState::Unchanged) return leftAlone(path, state);
  std::string error;
  if (moveToRecycleBin(path, &error)) return success();
  return settle(failure(error), path, expected);
}

bool makeSubfolder(const std::string& directory, const std::string& subfolder, std::string* made,
                   std::string* error) {
  if (!plainSubfolder(subfolder)) {
    *error = subfolder + ": not a folder below " + directory;
    return false;
  }
  std::string path = directory;
  std::size_t from = 0;
  while (from < subfolder.size()) {
    const std::size_t end = std::min(subfolder.find('/', from), subfolder.size());
    path = joinPath(path, subfolder.substr(from, end - from));
    from = end + 1;
    const std::wstring wide = systemPath(path);
    if (wide.empty()) {
      *error = path + ": cannot be made: " + systemMessage(ERROR_INVALID_NAME);
      return false;
    }
    // Made here or by a thread of the same run at once: either way it must
    // be a folder of its own, not a link that leads elsewhere.
    if (!CreateDirectoryW(wide.c_str(), nullptr)) {
      const DWORD code = GetLastError();
      if (code != ERROR_ALREADY_EXISTS) {
        *error = path + ": cannot be made: " + systemMessage(code);
        return false;
      }
    }
    DWORD attributes = 0, code = 0;
    bool link = false;
    if (!lookAtEntry(wide, &attributes, &link, &code)) {
      *error = systemFailure(path, code);
      return false;
    }
    if (link) {
      *error = path + " is a symbolic link, not a folder of the target";
      return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      *error = path + " is not a folder";
      return false;
    }
  }
  *made = path;
  return true;
}

FileOpResult renameNoReplace(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return failure("no file");
  const std::wstring source = systemPath(from), target = systemPath(to);
  if (source.empty() || target.empty()) return failure(systemFailure(to, ERROR_INVALID_NAME));
  const DWORD code = placeFile(source, target, Overwrite::Never);
  if (code != 0) return failure(systemFailure(to, code));
  return success();
}

}  // namespace quilve
