#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "output/whole_file.h"

namespace quilve {

bool writeFileReplacing(const std::string& path, const std::string& contents, std::string* error) {
  const std::string temporary = path + ".tmp." + std::to_string(::getpid());
  auto fail = [&](int code) {
    ::unlink(temporary.c_str());
    if (error) *error = std::strerror(code);
    return false;
  };
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < contents.size()) {
    const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int code = n < 0 ? errno : EIO;
      ::close(fd);
      return fail(code);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    const int code = errno;
    ::close(fd);
    return fail(code);
  }
  if (::close(fd) != 0) return fail(errno);
  if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(errno);
  return true;
}

}  // namespace quilve
