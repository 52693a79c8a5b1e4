#pragma once
// Opening a file for reading only when it is a regular file. The open never
// blocks (a FIFO with no writer, a device that waits), and what it hands
// back is the descriptor of the very file it checked: whoever reads from it
// reads the file whose kind and identity were taken, even when the name is
// given to another file meanwhile.
#include <cstdio>
#include <string>

#include "input/file_identity.h"

namespace quilve {

class RegularFile {
 public:
  RegularFile() = default;
  ~RegularFile();
  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  // Opens `path` for reading. False when it is not a regular file or cannot
  // be opened; `why` then says so without the path: the system's reason
  // ("Permission denied", "No such file or directory", "Too many levels of
  // symbolic links", ...), "dangling symbolic link: its target T does not
  // exist", or the kind found ("is a directory", "is a FIFO (named pipe)",
  // "is a device", "is a socket", "is not a regular file"); `kind` (when
  // given) is that kind, Missing when nothing is there. A device or FIFO
  // is refused before it is opened where the path already shows it.
  bool open(const std::string& path, std::string* why, FileKind* kind = nullptr);

  bool isOpen() const { return descriptor_ >= 0; }
  // The open descriptor (POSIX), -1 when closed. Reads use positions of
  // their own (pread), so several readers may take turns on it.
  int descriptor() const { return descriptor_; }
  // The file as it was when opened: from the descriptor, not the name.
  const FileIdentity& identity() const { return identity_; }
  // The file's size now (it may still grow), or -1.
  std::int64_t currentSize() const;
  // Reads up to `count` bytes at `offset`; fewer only at the end of the file
  // or on an error (then -1 when nothing was read).
  long long readAt(void* buffer, std::size_t count, std::int64_t offset) const;

  void close();
  // Hands the file over as a stdio stream for reading (closed by fclose);
  // null when it is not open. This object is closed afterwards.
  std::FILE* releaseAsStream();

 private:
  int descriptor_ = -1;
  FileIdentity identity_;
};

}  // namespace quilve
