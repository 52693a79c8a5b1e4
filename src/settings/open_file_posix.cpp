#include "settings/open_file.h"

namespace quilve {

std::FILE* openFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), binaryMode(mode).c_str());
}

}  // namespace quilve
