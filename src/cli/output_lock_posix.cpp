#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "cli/local_process.h"
#include "cli/output_lock.h"

namespace quilve {

namespace {

// Tries to take over a lock file that is going away or being taken over by
// another run this often before giving up.
constexpr int kAttempts = 100;

struct Holder {
  std::string host;
  long pid = 0;
  bool named = false;
};

Holder parseHolder(const std::string& text) {
  Holder h;
  std::istringstream in(text);
  std::string rest;
  if (in >> h.host >> h.pid && h.pid > 0 && !(in >> rest)) h.named = true;
  return h;
}

bool writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return ::fsync(fd) == 0;
}

std::string readSome(int fd) {
  char buffer[512];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

bool sameFile(int fd, const std::string& path) {
  struct stat a {};
  struct stat b {};
  return ::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// What a lock file guards: the results file it is named after, or the
// folder it is in.
std::string lockedOutput(const std::string& lockFile) {
  const std::filesystem::path p(lockFile);
  if (p.filename() == ".quilve-scan.lock") return p.parent_path().string();
  return lockFile.substr(0, lockFile.size() - std::string(".lock").size());
}

void pause() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

int cannot(const std::string& file, const char* what, int error) {
  std::fprintf(stderr, "quilve-scan: %s: cannot %s the lock file: %s\n", file.c_str(), what, std::strerror(error));
  return 2;
}

// Places a lock file holding `content` at `file`, whole or not at all.
// Returns 1 when it is ours (fd set), 0 when another file is there, -1 on an
// error (errno set).
int place(const std::string& file, const std::string& content, int* fd) {
  // Written under a name of this run's own and linked into place, so the
  // lock never appears without its writer's name.
  const std::string staging = file + "." + localHostName() + "." + std::to_string(localProcessId());
  int own = ::open(staging.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (own < 0) return -1;
  if (!writeAll(own, content)) {
    const int e = errno;
    ::close(own);
    ::unlink(staging.c_str());
    errno = e;
    return -1;
  }
  // Held as long as the run (where the file system has such locks), so a
  // run taking over a stale lock never races another.
  ::flock(own, LOCK_EX | LOCK_NB);
  const int linked = ::link(staging.c_str(), file.c_str());
  const int linkError = errno;
  struct stat st {};
  // Over NFS a link can be made although the call reports a failure.
  const bool ours = linked == 0 || (::fstat(own, &st) == 0 && st.st_nlink == 2);
  ::unlink(staging.c_str());
  if (ours) {
    *fd = own;
    return 1;
  }
  if (linkError == EPERM || linkError == EOPNOTSUPP || linkError == ENOSYS || linkError == EXDEV) {
    // A file system without hard links: created exclusively instead; a
    // reader may then see it empty for a moment.
    const int excl = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    const int e = errno;
    ::close(own);
    if (excl < 0) {
      errno = e;
      return e == EEXIST ? 0 : -1;
    }
    ::flock(excl, LOCK_EX | LOCK_NB);
    if (!writeAll(excl, content)) {
      const int w = errno;
      ::close(excl);
      ::unlink(file.c_str());
      errno = w;
      return -1;
    }
    *fd = excl;
    return 1;
  }
  ::close(own);
  errno = linkError;
  return linkError == EEXIST ? 0 : -1;
}

}  // namespace

int OutputLock::acquire(const std::string& lockFile, Reporter& notes) {
  release();
  if (lockFile.empty()) return 0;
  std::error_code ec;
  std::string file = std::filesystem::absolute(lockFile, ec).string();
  if (ec) file = lockFile;
  const std::string host = localHostName();
  const std::string content = host + " " + std::to_string(localProcessId()) + "\n";
  std::string seen;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    int fd = -1;
    const int placed = place(file, content, &fd);
    if (placed < 0) return cannot(lockFile, "create", errno);
    if (placed > 0) {
      lockFile_ = file;
      fd_ = fd;
      return 0;
    }
    const int other = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (other < 0) {
      if (errno == ENOENT) continue;  // it went just now
      return cannot(lockFile, "read", errno);
    }
    seen = readSome(other);
    const Holder holder = parseHolder(seen);
    if (!holder.named) {
      // Being written (a file system without hard links), or not a lock.
      ::close(other);
      pause();
      continue;
    }
    if (holder.host == host && !processRunning(holder.pid)) {
      // Left by a run of this host that no longer runs. One run at a time
      // takes it over, and only while it is still the file it read.
      if (::flock(other, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(other);
        pause();
        continue;
      }
      if (sameFile(other, file) && ::unlink(file.c_str()) == 0) {
        notes.warning(lockFile + ": taking over the lock of quilve-scan process " + std::to_string(holder.pid) +
                      " on this host (" + host + "), which no longer runs");
      }
      ::close(other);
      continue;
    }
    ::close(other);
    std::fprintf(stderr,
                 "quilve-scan: %s: being written by quilve-scan process %ld on host %s (lock file %s); start "
                 "this run again once that one has ended, or remove the lock file if that process no longer "
                 "runs\n",
                 lockedOutput(lockFile).c_str(), holder.pid, holder.host.c_str(), lockFile.c_str());
    return 2;
  }
  std::fprintf(stderr,
               "quilve-scan: %s: a lock file that names no writer (\"%s\"); remove it if no scan writes beside it\n",
               lockFile.c_str(), seen.substr(0, seen.find('\n')).c_str());
  return 2;
}

void OutputLock::release() {
  if (fd_ < 0) return;
  if (sameFile(fd_, lockFile_)) ::unlink(lockFile_.c_str());
  ::close(fd_);
  fd_ = -1;
  lockFile_.clear();
}

}  // namespace quilve
