#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "input/regular_file.h"

namespace quilve {

namespace {

// "is a directory", "is a FIFO (named pipe)", ...
std::string kindReason(FileKind kind) { return std::string("is ") + fileKindText(kind); }

// The system's reason why `path` cannot be opened, for the errno of the
// failed call; a missing file that is a symbolic link is named as one.
std::string systemReason(const std::string& path, int error) {
  if (error == ENOENT) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
      const ssize_t n = ::readlink(path.c_str(), target.data(), target.size() - 1);
      const std::string to = n > 0 ? std::string(target.data(), static_cast<std::size_t>(n)) : "";
      return "dangling symbolic link: its target " + (to.empty() ? std::string("") : to + " ") +
             "does not exist";
    }
  }
  return std::strerror(error);
}

FileKind kindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::Regular;
  if (S_ISDIR(mode)) return FileKind::Directory;
  if (S_ISFIFO(mode)) return FileKind::Fifo;
  if (S_ISSOCK(mode)) return FileKind::Socket;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::Device;
  return FileKind::Other;
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
  std::string reason;
  FileKind found = FileKind::Other;
  auto refuse = [&](const std::string& text) {
    if (why) *why = text;
    if (kind) *kind = found;
    close();
    return false;
  };
  // What the name shows now: a device or FIFO is not even opened (opening
  // some devices does something).
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int error = errno;
    if (error == ENOENT) found = FileKind::Missing;
    return refuse(systemReason(path, error));
  }
  found = kindOfMode(st.st_mode);
  if (found != FileKind::Regular) return refuse(kindReason(found));

  // Non-blocking, so that a FIFO or device put under the name since does
  // not wait here; the descriptor decides what the file is.
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int error = errno;
    found = error == ENOENT ? FileKind::Missing : FileKind::Other;
    return refuse(systemReason(path, error));
  }
  descriptor_ = fd;
  if (!identityOfDescriptor(fd, &identity_, &found)) {
    const int error = errno;
    return refuse(std::strerror(error));
  }
  if (found != FileKind::Regular) return refuse(kindReason(found));
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int error = errno;
    return refuse(std::strerror(error));
  }
  if (why) why->clear();
  if (kind) *kind = FileKind::Regular;
  return true;
}

std::int64_t RegularFile::currentSize() const {
  struct stat st {};
  if (descriptor_ < 0 || ::fstat(descriptor_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

long long RegularFile::readAt(void* buffer, std::size_t count, std::int64_t offset) const {
  if (descriptor_ < 0 || offset < 0) return -1;
  std::size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < count) {
    const ssize_t got = ::pread(descriptor_, out + done, count - done,
                                static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return done > 0 ? static_cast<long long>(done) : -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<long long>(done);
}

void RegularFile::close() {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
  identity_ = FileIdentity{};
}

std::FILE* RegularFile::releaseAsStream() {
  if (descriptor_ < 0) return nullptr;
  std::FILE* stream = ::fdopen(descriptor_, "r");
  if (!stream) return nullptr;  // still open here, closed with this object
  descriptor_ = -1;
  identity_ = FileIdentity{};
  return stream;
}

}  // namespace quilve
