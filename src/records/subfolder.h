#pragma once
// The folder below a scanned folder that a recording of a tree was found
// in, as its outputs and disposition keep it below their own folders.
#include <string>

namespace quilve {

// Whether `subfolder` is a relative folder path that stays below the folder
// it is joined to: names separated by single "/", none empty, "." or ".."
// and none holding a NUL. The empty text (the folder itself) is one too.
bool plainSubfolder(const std::string& subfolder);

}  // namespace quilve
