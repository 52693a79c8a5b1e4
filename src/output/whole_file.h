#pragma once
// Files written whole or not at all. A replaced file: the text goes to a
// temporary file beside the target (a name of its own, created
// exclusively), is flushed to the disk and then takes the target's name in
// one rename, so an interruption or a full disk never leaves half a file
// under the name (the target keeps what it held before). An appended text:
// a write that fails part way is cut back, so the file ends where it ended.
// whole_file_posix.cpp and whole_file_windows.cpp implement these.
#include <string>

namespace quilve {

// Whether a replacing write waits for the disk before the rename. Without
// it the file is still whole or absent after a crash of the program, though
// not after one of the system; for files that are made again from their
// source (pictures).
enum class Durability { Flushed, Cached };

// Writes `contents` to `path`, replacing a file of that name. False with the
// system's reason in `error` when it could not; the target is then untouched
// and no temporary file is left.
bool writeFileReplacing(const std::string& path, const std::string& contents, std::string* error,
                        Durability durability = Durability::Flushed);

// Appends `text` to `path` (created where missing; with `truncate` started
// afresh), in one piece: when a write fails part way, what was written of
// it is cut off again. False with the system's reason in `error`;
// `opened` tells whether the file was opened at all.
bool appendWholeText(const std::string& path, bool truncate, const std::string& text,
                     bool* opened, std::string* error);

}  // namespace quilve
