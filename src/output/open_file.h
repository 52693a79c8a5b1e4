#pragma once
// A C stream on a file named in UTF-8, whatever the platform: on Windows
// the name goes to the system in its long UTF-16 form, so that names in any
// script and paths beyond 260 characters open as they do elsewhere. Modes
// are those of std::fopen; give "b" for every file the program writes, so
// that its bytes (LF line ends) are the same on every platform.
#include <cstdio>
#include <string>

namespace quilve {

// std::fopen of `path`; null with errno set when it cannot be opened.
std::FILE* openStream(const std::string& path, const char* mode);

}  // namespace quilve
