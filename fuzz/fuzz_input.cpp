#include "fuzz_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

namespace quilve::fuzz {

namespace {

// A folder of our own under /dev/shm when it exists (memory, so the many
// small writes of a run never reach the disk), else under $TMPDIR or /tmp.
struct ScratchDir {
  std::string path;
  std::map<std::string, std::string> files;  // suffix -> path of the input file

  ScratchDir() {
    struct stat st {};
    std::string base = "/dev/shm";
    if (::stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || ::access(base.c_str(), W_OK) != 0) {
      const char* tmp = std::getenv("TMPDIR");
      base = tmp && *tmp ? tmp : "/tmp";
    }
    std::string templ = base + "/quilve-fuzz-XXXXXX";
    if (!::mkdtemp(templ.data())) {
      std::fprintf(stderr, "cannot create a scratch folder in %s: %s\n", base.c_str(),
                   std::strerror(errno));
      std::abort();
    }
    path = templ;
  }

  ~ScratchDir() {
    // Harnesses may leave names beside the input file (a hive moved aside);
    // everything in the folder is ours.
    std::string cmd = "rm -rf '" + path + "'";
    if (std::system(cmd.c_str()) != 0) {
      // Nothing more to do at exit.
    }
  }
};

ScratchDir& scratch() {
  static ScratchDir dir;
  return dir;
}

}  // namespace

const std::string& writeInput(const std::uint8_t* data, std::size_t size, const char* suffix) {
  ScratchDir& dir = scratch();
  auto it = dir.files.find(suffix);
  if (it == dir.files.end()) it = dir.files.emplace(suffix, dir.path + "/input" + suffix).first;
  const std::string& path = it->second;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) fault("cannot create the input file");
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fault("cannot write the input file");
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return path;
}

std::string scratchPath(const char* suffix) { return scratch().path + "/scratch" + suffix; }

}  // namespace quilve::fuzz
