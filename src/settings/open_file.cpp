#include <cstring>

#include "settings/open_file.h"

namespace quilve {

std::string binaryMode(const char* mode) {
  std::string m = mode ? mode : "";
  if (m.empty() || m.find('b') != std::string::npos) return m;
  return m.insert(1, 1, 'b');
}

}  // namespace quilve
