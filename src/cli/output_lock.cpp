#include <filesystem>

#include "cli/output_lock.h"

namespace quilve {

std::string outputLockFile(const std::string& resultsPath, const std::string& zeroCrossingDirectory) {
  if (!resultsPath.empty()) return resultsPath + ".lock";
  if (!zeroCrossingDirectory.empty()) {
    return (std::filesystem::path(zeroCrossingDirectory) / ".quilve-scan.lock").string();
  }
  return {};
}

}  // namespace quilve
