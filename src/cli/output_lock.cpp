#include <filesystem>

#include "cli/output_lock.h"

namespace quilve {

std::string outputLockFile(const std::string& resultsPath, const std::string& zeroCrossingDirectory) {
  if (!resultsPath.empty()) return resultsPath + ".lock";
  if (!zeroCrossingDirectory.empty()) {
    // UTF-8 both ways (a plain std::string path is in the ANSI code page
    // on Windows).
    return (std::filesystem::u8path(zeroCrossingDirectory) / ".quilve-scan.lock").u8string();
  }
  return {};
}

}  // namespace quilve
