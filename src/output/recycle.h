#pragma once
// The desktop's recycle bin, where a file goes so that it can be restored
// from the file manager: the freedesktop trash through GIO on POSIX systems
// (recycle_posix.cpp), the shell's recycle bin on Windows
// (recycle_windows.cpp). Callers check first that the file is the one they
// mean (file_operations.h does); this only moves the name it is given.
#include <string>

namespace quilve {

// Moves `path` to the recycle bin. False with the reason, naming the file,
// in `error` when the bin is not available or refuses the file; the file is
// then where it was.
bool moveToRecycleBin(const std::string& path, std::string* error);

}  // namespace quilve
