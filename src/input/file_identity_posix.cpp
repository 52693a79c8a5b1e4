#include <sys/stat.h>

#include <cerrno>

#include "input/file_identity.h"

namespace quilve {

namespace {

std::int64_t nanoseconds(const struct timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileKind kindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::Regular;
  if (S_ISDIR(mode)) return FileKind::Directory;
  if (S_ISLNK(mode)) return FileKind::Symlink;
  if (S_ISFIFO(mode)) return FileKind::Fifo;
  if (S_ISSOCK(mode)) return FileKind::Socket;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::Device;
  return FileKind::Other;
}

void fill(const struct stat& st, FileIdentity* identity, FileKind* kind) {
  if (identity) {
    identity->device = static_cast<std::uint64_t>(st.st_dev);
    identity->inode = static_cast<std::uint64_t>(st.st_ino);
    identity->size = static_cast<std::int64_t>(st.st_size);
    identity->modified = nanoseconds(st.st_mtim);
    identity->changed = nanoseconds(st.st_ctim);
  }
  if (kind) *kind = kindOf(st.st_mode);
}

bool answer(int result, const struct stat& st, FileIdentity* identity, int* error, FileKind* kind) {
  if (result != 0) {
    if (error) *error = errno;
    if (kind) *kind = errno == ENOENT ? FileKind::Missing : FileKind::Other;
    if (identity) *identity = FileIdentity{};
    return false;
  }
  if (error) *error = 0;
  fill(st, identity, kind);
  return true;
}

}  // namespace

bool identityOfPath(const std::string& path, FileIdentity* identity, int* error, FileKind* kind) {
  struct stat st {};
  return answer(::stat(path.c_str(), &st), st, identity, error, kind);
}

bool identityOfLink(const std::string& path, FileIdentity* identity, int* error, FileKind* kind) {
  struct stat st {};
  return answer(::lstat(path.c_str(), &st), st, identity, error, kind);
}

bool identityOfDescriptor(int descriptor, FileIdentity* identity, FileKind* kind) {
  struct stat st {};
  return answer(::fstat(descriptor, &st), st, identity, nullptr, kind);
}

}  // namespace quilve
