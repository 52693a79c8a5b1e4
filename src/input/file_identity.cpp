#include "input/file_identity.h"

namespace quilve {

const char* fileKindText(FileKind kind) {
  switch (kind) {
    case FileKind::Missing: return "missing";
    case FileKind::Regular: return "a regular file";
    case FileKind::Directory: return "a directory";
    case FileKind::Symlink: return "a symbolic link";
    case FileKind::Fifo: return "a FIFO (named pipe)";
    case FileKind::Socket: return "a socket";
    case FileKind::Device: return "a device";
    case FileKind::Other: return "not a regular file";
  }
  return "not a regular file";
}

}  // namespace quilve
