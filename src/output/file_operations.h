#pragma once
// The file layer under disposition: copy or move a recording into a
// directory keeping its name, send it to the trash, rename a file. None of
// them replaces an existing file unless told to, and none loses the source
// when it fails: a copy is written under a temporary name in the target
// directory, flushed and checked for size before it takes the final name,
// and a move across file systems removes the source only after that.
//
// A recording is copied, moved or trashed only while it is still the file
// the scan read: given the identity it had then, each operation compares it
// with the file at hand just before acting (a copy reads from the very
// descriptor it compared) and leaves anything else alone. None of them acts
// through a symbolic link. The implementations are file_operations_posix.cpp
// and file_operations_windows.cpp.
#include <cstddef>
#include <string>

#include "input/file_identity.h"
#include "input/wide_path.h"
#include "records/subfolder.h"

namespace quilve {

enum class Overwrite { Never, Replace };

// The listed file against the one the scan read.
enum class SourceState {
  Unchanged,     // still the file that was read (or nothing known to compare)
  Missing,       // no longer there: another program moved or removed it
  Replaced,      // another file has its name, or its status changed
  BeingWritten,  // the same file with another size or modification time
  SymbolicLink,  // the name is a symbolic link
};

struct FileOpResult {
  bool ok = false;
  // The target directory already holds the name (only with Overwrite::Never).
  bool targetExists = false;
  // Why it failed, for the user; empty on success.
  std::string error;
  // Why the source was left alone, when it is not the file that was read.
  SourceState source = SourceState::Unchanged;
};

// The state of the entry `path` names (a final symbolic link is not
// followed) against `expected`. With an unknown `expected` only a symbolic
// link is told; Missing needs a known `expected` too.
SourceState checkSource(const std::string& path, const FileIdentity& expected);

// The same for an entry already looked at.
SourceState compareSource(bool exists, FileKind kind, const FileIdentity& now,
                          const FileIdentity& expected);

// Why a file in `state` (not Unchanged) is left alone, for the user:
// "it was replaced since the scan (it is no longer the file that was read)",
// "it is still being written (...)", "it is a symbolic link; ...", or "no
// longer there: moved or removed by another program since the scan".
std::string sourceStateText(SourceState state);

// Paths are cut at pathSeparators() and names compared by
// sameNameOnFileSystem() (input/wide_path.h).

// How much of `path` is its root, which keeps its separator: 1 for "/..."
// (0 for a relative path); on Windows also "C:\\", "\\\\server\\share\\" and
// their long-path forms.
std::size_t pathRootLength(const std::string& path);

// `directory` joined with `name`, with one separator between them.
std::string joinPath(const std::string& directory, const std::string& name);

// `directory` ending in exactly one separator ("/" stays "/", as does a
// drive's root); empty stays empty.
std::string withTrailingSeparator(const std::string& directory);

// `directory` without its trailing separators (a root keeps its own).
std::string withoutTrailingSeparator(const std::string& directory);

// Text after the last separator.
std::string baseName(const std::string& path);

// The folder `subfolder` (plainSubfolder) below `directory`, made where it
// is missing, one name at a time. A name that exists as anything but a
// folder, a symbolic link among them, is not gone through: false with
// `error` naming it. An empty `subfolder` gives `directory` itself.
bool makeSubfolder(const std::string& directory, const std::string& subfolder, std::string* made,
                   std::string* error);

// Copies the regular file `source` into `directory` under the same name.
// With a known `expected` the file is copied only while it is that file
// (else the result names the SourceState and nothing is written).
FileOpResult copyIntoDirectory(const std::string& source, const std::string& directory,
                               Overwrite overwrite, const FileIdentity& expected = {});

// Moves the regular file `source` into `directory` under the same name: a
// rename on the same file system, else copy, verify, then remove the source.
// When the source cannot be removed after a good copy the result is a
// failure and both files remain. `expected` as for copyIntoDirectory; a
// source that changes during a copy across file systems is not removed.
FileOpResult moveIntoDirectory(const std::string& source, const std::string& directory,
                               Overwrite overwrite, const FileIdentity& expected = {});

// Sends `path` to the recycle bin (recycle.h; restorable from a file
// manager).
// A failure leaves the file where it was. `expected` as above.
FileOpResult moveToTrash(const std::string& path, const FileIdentity& expected = {});

// Renames `from` to `to` on the same file system; never replaces `to`.
FileOpResult renameNoReplace(const std::string& from, const std::string& to);

}  // namespace quilve
