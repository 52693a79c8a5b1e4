#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "output/whole_file.h"

namespace quilve {

namespace {

// Writes all of `size` bytes; 0 or the errno value.
int writeAll(int fd, const char* data, std::size_t size, std::size_t* done) {
  *done = 0;
  while (*done < size) {
    const ssize_t n = ::write(fd, data + *done, size - *done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno != 0 ? errno : EIO;
    if (n == 0) return EIO;
    *done += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

bool writeFileReplacing(const std::string& path, const std::string& contents, std::string* error,
                        Durability durability) {
  // A name of its own beside the target, created exclusively: a name left
  // by an earlier process of the same number is passed over.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  auto fail = [&](int code) {
    ::unlink(temporary.c_str());
    if (error) *error = std::strerror(code);
    return false;
  };
  std::size_t done = 0;
  if (const int code = writeAll(fd, contents.data(), contents.size(), &done)) {
    ::close(fd);
    return fail(code);
  }
  if (durability == Durability::Flushed && ::fsync(fd) != 0) {
    const int code = errno;
    ::close(fd);
    return fail(code);
  }
  if (::close(fd) != 0) return fail(errno);
  if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(errno);
  return true;
}

bool appendWholeText(const std::string& path, bool truncate, const std::string& text,
                     bool* opened, std::string* error) {
  *opened = false;
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : O_APPEND), 0666);
  if (fd < 0) {
    if (error) *error = std::strerror(errno != 0 ? errno : EIO);
    return false;
  }
  *opened = true;
  struct stat st {};
  const off_t before = ::fstat(fd, &st) == 0 ? st.st_size : -1;
  std::size_t done = 0;
  int code = writeAll(fd, text.data(), text.size(), &done);
  if (code != 0 && done > 0 && before >= 0) {
    // Best effort: a file that cannot be cut back is reported all the same.
    [[maybe_unused]] const int cut = ::ftruncate(fd, before);
  }
  if (::close(fd) != 0 && code == 0) code = errno != 0 ? errno : EIO;
  if (code != 0 && error) *error = std::strerror(code);
  return code == 0;
}

}  // namespace quilve
