#include "support/platform.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace quilve::test {

std::filesystem::path filePath(const std::string& path) { return path; }

std::string noFifos() { return {}; }
std::string noPermissionBits() { return {}; }
std::string noSymbolicLinks() { return {}; }
std::string noSignals() { return {}; }
std::string noDevices() { return {}; }
std::string noMounts() { return {}; }
std::string noHiveFile() { return {}; }
bool trashUnderDataHome() { return true; }
bool namesIgnoreCase() { return false; }
bool namesOfOpenFilesReusable() { return true; }
std::string nativeSeparators(std::string path) { return path; }

bool makeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }
void unblockFifo(const std::string& path) {
  const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
  if (writer >= 0) ::close(writer);
}
bool setMode(const std::string& path, unsigned mode) { return ::chmod(path.c_str(), mode) == 0; }
bool canRead(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }
bool isSuperUser() { return ::geteuid() == 0; }
bool setEnvironment(const std::string& name, const std::string& value) {
  return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool unsetEnvironment(const std::string& name) { return ::unsetenv(name.c_str()) == 0; }

std::vector<std::string> temporaryFolderVariables() { return {"TMPDIR"}; }

std::tm utcTime(std::time_t t) {
  std::tm tm{};
  ::gmtime_r(&t, &tm);
  return tm;
}

std::string hostName() {
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  return host;
}

long endedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return static_cast<long>(child);
}

bool fileKeyOf(const std::string& path, FileKey* key) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  key->device = static_cast<std::uint64_t>(st.st_dev);
  key->index = static_cast<std::uint64_t>(st.st_ino);
  return true;
}

bool modifiedTime(const std::string& path, std::int64_t* ns) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  *ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

bool setModifiedTime(const std::string& path, std::int64_t ns) {
  struct timespec times[2] = {};
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(ns / 1000000000);
  times[1].tv_nsec = static_cast<long>(ns % 1000000000);
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool bindMount(const std::string& folder, const std::string& at) {
  return ::mount(folder.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) == 0;
}
void unmount(const std::string& at) { ::umount2(at.c_str(), MNT_DETACH); }

std::string otherFileSystemFolder(const std::string& beside) {
  FileKey a, b;
  if (!fileKeyOf("/dev/shm", &b) || !fileKeyOf(beside, &a) || a.device == b.device) return {};
  char pattern[] = "/dev/shm/quilve-XXXXXX";
  if (!::mkdtemp(pattern)) return {};
  return pattern;
}

// POSIX has no mandatory locks: nothing stops another process.
ExclusiveOpen::ExclusiveOpen(const std::string&) {}
ExclusiveOpen::~ExclusiveOpen() = default;

}  // namespace quilve::test
