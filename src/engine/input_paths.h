#pragma once
// The recordings a command line names: files as given and the recordings of
// folders (see recordingsInDirectory; with `recursive`, their trees: see
// walkFolderTree), in the order the input list sorts
// them, each file once however many spellings reach it.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "engine/folder_tree.h"

namespace quilve {

struct ExpandedInputs {
  // Each file once, in input order; a file reached by several spellings
  // (`in` and `./in`, a file and its folder, a linked folder, hard links)
  // keeps one: the first that reaches it through no symbolic link, else the
  // first, at that spelling's place. Entries that cannot be identified
  // (missing, unreachable) stay as given, for the open step to report.
  std::vector<std::string> paths;
  // For each of `paths`, the folder below the folder given it was found in
  // (a tree scanned); empty for entries of a folder given and files given.
  std::vector<std::string> subfolders;
  // Folders given with no entry matching "*.w*" (in their whole tree,
  // with `recursive`).
  std::vector<std::string> emptyFolders;
  // Without `recursive`: folders given whose subfolders hold recordings,
  // with how many subfolders do.
  std::vector<std::pair<std::string, std::size_t>> unscannedSubfolders;
  // Folders given that could not be listed, with the system's reason.
  std::vector<InputProblem> unreadableFolders;
  // One line for each file reached more than once: "A and B are the same
  // file; scanned once as A"; and for each folder of a tree reached again.
  std::vector<std::string> notes;
};

// Expands `inputs` (files and folders as given).
ExpandedInputs expandInputs(const std::vector<std::string>& inputs, bool recursive = false);

// Keeps each file of `paths` once, as expandInputs does, and says which
// spellings went in `notes` (when given).
std::vector<std::string> eachFileOnce(const std::vector<std::string>& paths,
                                      std::vector<std::string>* notes);
// The same as the indices in `paths` of the spellings kept, in order.
std::vector<std::size_t> eachFileOnceIndices(const std::vector<std::string>& paths,
                                             std::vector<std::string>* notes);

}  // namespace quilve
