#pragma once
// Opening a file by its UTF-8 name with the C library (fopen modes). Always
// in binary mode, whether the mode says so or not: every file the program
// writes or reads has the same bytes on every system. On Windows the name
// goes to the system as UTF-16, so every name the program can show can be
// opened.
#include <cstdio>
#include <string>

namespace quilve {

std::FILE* openFile(const std::string& path, const char* mode);

// `mode` with "b" after its first letter when it lacks one ("r+" is
// "rb+", "wx" is "wbx").
std::string binaryMode(const char* mode);

}  // namespace quilve
