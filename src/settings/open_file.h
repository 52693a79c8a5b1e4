#pragma once
// Opening a file by its UTF-8 name with the C library (fopen modes). On
// Windows the name goes to the system as UTF-16, so every name the program
// can show can be opened.
#include <cstdio>
#include <string>

namespace quilve {

std::FILE* openFile(const std::string& path, const char* mode);

}  // namespace quilve
