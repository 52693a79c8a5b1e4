#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "records/outcome_storage.h"

namespace quilve {

std::string outcomeHostName() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) std::strcpy(host, "host");
  return host;
}

long outcomeProcessId() { return static_cast<long>(getpid()); }

std::FILE* createOutcomeFile(const std::string& path) { return std::fopen(path.c_str(), "wb"); }

bool flushOutcomeFile(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool replaceOutcomeFile(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) return false;
  // The rename itself reaches the disk with the folder.
  std::string folder = std::filesystem::path(to).parent_path().string();
  if (folder.empty()) folder = ".";
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    ::close(dir);
  }
  return true;
}

bool removeOutcomeFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

}  // namespace quilve
