#include "input/wide_path.h"

namespace quilve {

// Names on these file systems are bytes, compared as bytes.
bool sameNameOnFileSystem(const std::string& a, const std::string& b) { return a == b; }

const char* pathSeparators() { return "/"; }

}  // namespace quilve
