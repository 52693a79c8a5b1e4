#pragma once
// The file layer under disposition: copy or move a recording into a
// directory keeping its name, send it to the trash, rename a file. None of
// them replaces an existing file unless told to, and none loses the source
// when it fails: a copy is written under a temporary name in the target
// directory, flushed and checked for size before it takes the final name,
// and a move across file systems removes the source only after that.
#include <string>

namespace quilve {

enum class Overwrite { Never, Replace };

struct FileOpResult {
  bool ok = false;
  // The target directory already holds the name (only with Overwrite::Never).
  bool targetExists = false;
  // Why it failed, for the user; empty on success.
  std::string error;
};

// `directory` joined with `name`, with one separator between them.
std::string joinPath(const std::string& directory, const std::string& name);

// `directory` ending in exactly one separator ("/" stays "/"); empty stays empty.
std::string withTrailingSeparator(const std::string& directory);

// `directory` without its trailing separators ("/" stays "/").
std::string withoutTrailingSeparator(const std::string& directory);

// Text after the last separator.
std::string baseName(const std::string& path);

// Copies the regular file `source` into `directory` under the same name.
FileOpResult copyIntoDirectory(const std::string& source, const std::string& directory,
                               Overwrite overwrite);

// Moves the regular file `source` into `directory` under the same name: a
// rename on the same file system, else copy, verify, then remove the source.
// When the source cannot be removed after a good copy the result is a
// failure and both files remain.
FileOpResult moveIntoDirectory(const std::string& source, const std::string& directory,
                               Overwrite overwrite);

// Sends `path` to the freedesktop trash (restorable from a file manager).
// A failure leaves the file where it was.
FileOpResult moveToTrash(const std::string& path);

// Renames `from` to `to` on the same file system; never replaces `to`.
FileOpResult renameNoReplace(const std::string& from, const std::string& to);

}  // namespace quilve
