// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#include <windows.h>
#include <winioctl.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "input/regular_file.h"
#include "input/wide_path.h"
#include "input/windows_files.h"

namespace quilve {

namespace {

// "is a directory", "is a device", ...
std::string kindReason(FileKind kind) { return std::string("is ") + fileKindText(kind); }

HANDLE handleOf(int descriptor) { return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)); }

// The reparse data of a symbolic link or junction, as the system keeps it.
struct LinkData {
  ULONG tag;
  USHORT dataLength;
  USHORT reserved;
  USHORT substituteOffset;
  USHORT substituteLength;
  USHORT printOffset;
  USHORT printLength;
};

// Where a symbolic link or junction points, as it was written; empty when
// it cannot be read.
std::string linkTarget(HANDLE link) {
  alignas(8) unsigned char buffer[16 * 1024];
  DWORD got = 0;
  if (!DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer, sizeof buffer, &got, nullptr) ||
      got < sizeof(LinkData))
    return {};
  LinkData data;
  std::memcpy(&data, buffer, sizeof data);
  // A symbolic link's names follow a flags word; a junction's follow at once.
  std::size_t names = sizeof data;
  if (data.tag == IO_REPARSE_TAG_SYMLINK)
    names += sizeof(ULONG);
  else if (data.tag != IO_REPARSE_TAG_MOUNT_POINT)
    return {};
  const bool printed = data.printLength > 0;
  const std::size_t offset = names + (printed ? data.printOffset : data.substituteOffset);
  const std::size_t length = printed ? data.printLength : data.substituteLength;
  if (offset + length > got || length % sizeof(wchar_t) != 0) return {};
  std::wstring target(length / sizeof(wchar_t), L'\0');
  std::memcpy(&target[0], buffer + offset, length);
  if (!printed && target.compare(0, 4, L"\\??\\") == 0) target.erase(0, 4);
  std::string text;
  return wideToUtf8(target, &text) ? text : std::string();
}

// The system's reason why `path` cannot be opened, for the errno of the
// failed call; a missing file that is a symbolic link is named as one.
std::string systemReason(const std::string& path, int error) {
  if (error == ENOENT) {
    const HANDLE link = openForAttributes(path, /*followLinks=*/false);
    if (link != INVALID_HANDLE_VALUE) {
      FileKind kind = FileKind::Other;
      const bool known = identityOfHandle(link, nullptr, &kind, /*asLink=*/true);
      const std::string to = known && kind == FileKind::Symlink ? linkTarget(link) : std::string();
      CloseHandle(link);
      if (known && kind == FileKind::Symlink)
        return "dangling symbolic link: its target " + (to.empty() ? std::string("") : to + " ") +
               "does not exist";
    }
  }
  return std::strerror(error);
}

}  // namespace

RegularFile::~RegularFile() { close(); }

RegularFile::RegularFile(RegularFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), identity_(other.identity_) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    close();
    descriptor_ = std::exchange(other.descriptor_, -1);
    identity_ = other.identity_;
  }
  return *this;
}

bool RegularFile::open(const std::string& path, std::string* why, FileKind* kind) {
  close();
  FileKind found = FileKind::Other;
  auto refuse = [&](const std::string& text) {
    if (why) *why = text;
    if (kind) *kind = found;
    close();
    return false;
  };
  // A device is not even opened (opening a pipe's client end or a port
  // does something).
  if (isDevicePath(path)) {
    found = FileKind::Device;
    return refuse(kindReason(found));
  }
  const std::wstring name = systemPath(path);
  if (name.empty()) return refuse(std::strerror(EILSEQ));
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &attributes)) {
    const int error = errnoOfSystemError(GetLastError());
    if (error == ENOENT) found = FileKind::Missing;
    return refuse(systemReason(path, error));
  }
  if (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    found = FileKind::Directory;
    return refuse(kindReason(found));
  }

  // Others may read, write, rename and delete it meanwhile, as on the
  // other systems; what was read is checked by its identity before the file
  // is filed away. The handle is not inherited by programs started later.
  const HANDLE handle =
      CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const int error = errnoOfSystemError(GetLastError());
    found = error == ENOENT ? FileKind::Missing : FileKind::Other;
    return refuse(systemReason(path, error));
  }
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return refuse(std::strerror(EMFILE));
  }
  descriptor_ = fd;
  // The handle decides what the file is: the name may have been given to
  // another since it was looked at.
  if (!identityOfDescriptor(fd, &identity_, &found)) return refuse(std::strerror(errno));
  if (found != FileKind::Regular) return refuse(kindReason(found));
  if (why) why->clear();
  if (kind) *kind = FileKind::Regular;
  return true;
}

std::int64_t RegularFile::currentSize() const {
  LARGE_INTEGER size{};
  if (descriptor_ < 0 || !GetFileSizeEx(handleOf(descriptor_), &size)) return -1;
  return static_cast<std::int64_t>(size.QuadPart);
}

long long RegularFile::readAt(void* buffer, std::size_t count, std::int64_t offset) const {
  if (descriptor_ < 0 || offset < 0) return -1;
  const HANDLE handle = handleOf(descriptor_);
  std::size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < count) {
    // Each read names its position, so readers taking turns on the file
    // do not move each other's place.
    const std::uint64_t at = static_cast<std::uint64_t>(offset) + done;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(handle, out + done, want, &got, &where)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return done > 0 ? static_cast<long long>(done) : -1;
    }
    if (got == 0) break;
    done += got;
  }
  return static_cast<long long>(done);
}

void RegularFile::close() {
  if (descriptor_ >= 0) _close(descriptor_);
  descriptor_ = -1;
  identity_ = FileIdentity{};
}

std::FILE* RegularFile::releaseAsStream() {
  if (descriptor_ < 0) return nullptr;
  // Reads at a position move the system's one here; the stream starts at
  // the beginning, where it stands on the other systems when it was only
  // read at positions.
  if (_lseeki64(descriptor_, 0, SEEK_SET) != 0) return nullptr;
  std::FILE* stream = _fdopen(descriptor_, "rb");
  if (!stream) return nullptr;  // still open here, closed with this object
  descriptor_ = -1;
  identity_ = FileIdentity{};
  return stream;
}

}  // namespace quilve
