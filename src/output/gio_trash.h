#pragma once
// The desktop trash through GIO, whose library (with GObject and the rest
// it needs) is loaded the first time something goes to the trash: a scan
// that trashes nothing does not pay for loading it.
#include <string>

namespace quilve {

// Moves `path` to the trash. False with the reason in `error` when GIO
// cannot be loaded or refuses the file.
bool trashWithGio(const std::string& path, std::string* error);

}  // namespace quilve
