// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#include <windows.h>

#include <io.h>

#include <cerrno>
#include <cstring>

#include "input/file_identity.h"
#include "input/wide_path.h"
#include "input/windows_files.h"

namespace quilve {

int errnoOfSystemError(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS: return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_UNIT:
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST: return ENOENT;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
    case ERROR_DELETE_PENDING:
    case ERROR_PRIVILEGE_NOT_HELD: return EACCES;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_CANT_RESOLVE_FILENAME: return ELOOP;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_BROKEN_PIPE: return EPIPE;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION: return ENOSYS;
    default: return EIO;
  }
}

std::int64_t unixNanoseconds(std::int64_t ticksSince1601) {
  // 1601-01-01 to 1970-01-01 in 100 ns ticks.
  constexpr std::int64_t kEpochTicks = 116444736000000000LL;
  return (ticksSince1601 - kEpochTicks) * 100;
}

namespace {

std::int64_t ticksOf(const FILETIME& t) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

bool startsWithNoCase(const std::wstring& text, std::size_t at, const wchar_t* prefix) {
  const std::size_t n = wcslen(prefix);
  if (text.size() < at + n) return false;
  return CompareStringOrdinal(text.c_str() + at, static_cast<int>(n), prefix, static_cast<int>(n), TRUE) ==
         CSTR_EQUAL;
}

bool isDriveStart(const std::wstring& text, std::size_t at) {
  return text.size() >= at + 2 && text[at + 1] == L':' &&
         ((text[at] >= L'A' && text[at] <= L'Z') || (text[at] >= L'a' && text[at] <= L'z'));
}

// The reserved device names, which name a device in every folder: "NUL",
// "com1.wav", "AUX .txt".
bool isReservedName(std::wstring name) {
  const std::size_t dot = name.find(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  while (!name.empty() && (name.back() == L' ' || name.back() == L':')) name.pop_back();
  static const wchar_t* const kPlain[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* reserved : kPlain)
    if (name.size() == wcslen(reserved) && startsWithNoCase(name, 0, reserved)) return true;
  if (name.size() == 4 && (startsWithNoCase(name, 0, L"COM") || startsWithNoCase(name, 0, L"LPT")))
    return name[3] >= L'1' && name[3] <= L'9';
  return false;
}

}  // namespace

bool isDevicePath(const std::string& path) {
  std::wstring wide;
  if (!utf8ToWide(path, &wide)) return false;
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  // "\\.\X" and "\\?\X" name an object of the system's namespace; only a
  // drive, a share or a volume there is a file system path.
  if (wide.size() >= 4 && wide[0] == L'\\' && wide[1] == L'\\' && (wide[2] == L'.' || wide[2] == L'?') &&
      wide[3] == L'\\') {
    if (isDriveStart(wide, 4)) return false;
    if (wide[2] == L'?' && (startsWithNoCase(wide, 4, L"UNC\\") || startsWithNoCase(wide, 4, L"Volume{")))
      return false;
    return true;
  }
  const std::size_t cut = wide.find_last_of(L"\\:");
  return isReservedName(cut == std::wstring::npos ? wide : wide.substr(cut + 1));
}

HANDLE openForAttributes(const std::string& path, bool followLinks) {
  const std::wstring name = systemPath(path);
  if (name.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  // Backup semantics: folders open too.
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, flags, nullptr);
}

bool identityOfHandle(HANDLE handle, FileIdentity* identity, FileKind* kind, bool asLink) {
  FileIdentity id;
  FileKind found = FileKind::Other;
  switch (GetFileType(handle)) {
    case FILE_TYPE_PIPE: found = FileKind::Fifo; break;
    case FILE_TYPE_CHAR: found = FileKind::Device; break;
    case FILE_TYPE_DISK: {
      BY_HANDLE_FILE_INFORMATION info{};
      if (!GetFileInformationByHandle(handle, &info)) return false;
      id.device = info.dwVolumeSerialNumber;
      id.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
      // File systems with 128-bit identifiers (ReFS) give them here; folded
      // so that an NTFS index, whose upper half is zero, stays as it is.
      FILE_ID_INFO wide{};
      if (GetFileInformationByHandleEx(handle, FileIdInfo, &wide, sizeof wide)) {
        std::uint64_t low = 0, high = 0;
        std::memcpy(&low, wide.FileId.Identifier, 8);
        std::memcpy(&high, wide.FileId.Identifier + 8, 8);
        if (low != 0 || high != 0) id.inode = low ^ high;
      }
      id.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                          info.nFileSizeLow);
      id.modified = unixNanoseconds(ticksOf(info.ftLastWriteTime));
      id.changed = id.modified;
      FILE_BASIC_INFO basic{};
      if (GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) && basic.ChangeTime.QuadPart)
        id.changed = unixNanoseconds(basic.ChangeTime.QuadPart);
      found = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Directory : FileKind::Regular;
      if (asLink && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // Symbolic links and junctions stand for another name; other
        // reparse points (deduplicated or cloud files) are files.
        FILE_ATTRIBUTE_TAG_INFO tag{};
        if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) ||
            IsReparseTagNameSurrogate(tag.ReparseTag))
          found = FileKind::Symlink;
      }
      break;
    }
    default: return false;
  }
  if (identity) *identity = id;
  if (kind) *kind = found;
  return true;
}

namespace {

bool identityOfName(const std::string& path, bool followLinks, FileIdentity* identity, int* error,
                    FileKind* kind) {
  auto refuse = [&](int code, FileKind why) {
    if (error) *error = code;
    if (kind) *kind = why;
    if (identity) *identity = FileIdentity{};
    return false;
  };
  // A device is not opened to be looked at.
  if (isDevicePath(path)) return refuse(ENODEV, FileKind::Device);
  const HANDLE handle = openForAttributes(path, followLinks);
  if (handle == INVALID_HANDLE_VALUE) {
    const int code = errnoOfSystemError(GetLastError());
    return refuse(code, code == ENOENT ? FileKind::Missing : FileKind::Other);
  }
  const bool got = identityOfHandle(handle, identity, kind, !followLinks);
  const DWORD lastError = GetLastError();
  CloseHandle(handle);
  if (!got) return refuse(errnoOfSystemError(lastError), FileKind::Other);
  if (error) *error = 0;
  return true;
}

}  // namespace

bool identityOfPath(const std::string& path, FileIdentity* identity, int* error, FileKind* kind) {
  return identityOfName(path, true, identity, error, kind);
}

bool identityOfLink(const std::string& path, FileIdentity* identity, int* error, FileKind* kind) {
  return identityOfName(path, false, identity, error, kind);
}

bool identityOfDescriptor(int descriptor, FileIdentity* identity, FileKind* kind) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
  if (handle != INVALID_HANDLE_VALUE && identityOfHandle(handle, identity, kind)) return true;
  errno = handle == INVALID_HANDLE_VALUE ? EBADF : errnoOfSystemError(GetLastError());
  if (identity) *identity = FileIdentity{};
  if (kind) *kind = FileKind::Other;
  return false;
}

}  // namespace quilve
