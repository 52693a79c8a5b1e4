#include "records/subfolder.h"

namespace quilve {

bool plainSubfolder(const std::string& subfolder) {
  if (subfolder.empty()) return true;
  std::size_t from = 0;
  for (;;) {
    const std::size_t end = subfolder.find('/', from);
    const std::string name = subfolder.substr(from, end == std::string::npos ? end : end - from);
    if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string::npos) return false;
    if (end == std::string::npos) return true;
    from = end + 1;
  }
}

}  // namespace quilve
