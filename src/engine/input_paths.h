#pragma once
// The recordings a command line names: files as given and the recordings of
// folders (see recordingsInDirectory), in the order the input list sorts
// them, each file once however many spellings reach it.
#include <string>
#include <vector>

namespace quilve {

struct InputProblem {
  std::string path;
  std::string reason;  // the system's
};

struct ExpandedInputs {
  // Each file once, in input order; a file reached by several spellings
  // (`in` and `./in`, a file and its folder, a linked folder, hard links)
  // keeps one: the first that reaches it through no symbolic link, else the
  // first, at that spelling's place. Entries that cannot be identified
  // (missing, unreachable) stay as given, for the open step to report.
  std::vector<std::string> paths;
  // Folders given with no entry matching "*.w*".
  std::vector<std::string> emptyFolders;
  // Folders given that could not be listed, with the system's reason.
  std::vector<InputProblem> unreadableFolders;
  // One line for each file reached more than once: "A and B are the same
  // file; scanned once as A".
  std::vector<std::string> notes;
};

// Expands `inputs` (files and folders as given).
ExpandedInputs expandInputs(const std::vector<std::string>& inputs);

// Keeps each file of `paths` once, as expandInputs does, and says which
// spellings went in `notes` (when given).
std::vector<std::string> eachFileOnce(const std::vector<std::string>& paths,
                                      std::vector<std::string>* notes);

}  // namespace quilve
