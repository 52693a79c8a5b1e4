#pragma once
// Which file a path names, and whether it is still the file that was read:
// its device and inode (the file itself, whatever its names) and its size,
// modification and status-change times (its contents and metadata). A
// recording is filed away only while all of these are what they were when
// the scan opened it, and two spellings of one file are one recording.
#include <cstdint>
#include <string>

namespace quilve {

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = -1;      // bytes; -1 when unknown
  std::int64_t modified = -1;  // ns since the epoch; -1 when unknown
  std::int64_t changed = -1;   // status change, ns since the epoch; -1 when unknown

  bool known() const { return size >= 0; }
  // The same file: device and inode.
  bool sameFile(const FileIdentity& other) const {
    return known() && other.known() && device == other.device && inode == other.inode;
  }
  // The same file, unchanged since: also size and both times.
  bool unchangedAs(const FileIdentity& other) const {
    return sameFile(other) && size == other.size && modified == other.modified &&
           changed == other.changed;
  }
};

// The kind of file a path or descriptor names.
enum class FileKind { Missing, Regular, Directory, Symlink, Fifo, Socket, Device, Other };

// Short text for a kind: "a FIFO", "a directory", "a device", ...
const char* fileKindText(FileKind kind);

// The identity of the file `path` names, following symbolic links. False
// when it cannot be had; `error` (when given) is then the system's errno.
bool identityOfPath(const std::string& path, FileIdentity* identity, int* error = nullptr,
                    FileKind* kind = nullptr);

// The same without following a final symbolic link: the link's own entry.
bool identityOfLink(const std::string& path, FileIdentity* identity, int* error = nullptr,
                    FileKind* kind = nullptr);

// The identity of an open file descriptor (POSIX), and its kind.
bool identityOfDescriptor(int descriptor, FileIdentity* identity, FileKind* kind = nullptr);

}  // namespace quilve
