#pragma once
// A scratch file for data that outgrows memory: read and written in binary,
// in the system's folder for temporary files, and gone from the disk when
// it is closed, or when the program ends however it ends.
#include <cstdio>

namespace quilve {

// Null when no such file can be made (errno says why).
std::FILE* anonymousTemporaryFile();

}  // namespace quilve
