#pragma once
// A file written whole or not at all: the text goes to a temporary file
// beside the target, is flushed to the disk and then takes the target's name
// in one rename, so an interruption or a full disk never leaves half a file
// under the name (the target keeps what it held before).
#include <string>

namespace quilve {

// Writes `contents` to `path`, replacing a file of that name. False with the
// system's reason in `error` when it could not; the target is then untouched
// and no temporary file is left.
bool writeFileReplacing(const std::string& path, const std::string& contents, std::string* error);

}  // namespace quilve
