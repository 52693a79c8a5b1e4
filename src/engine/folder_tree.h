#pragma once
// The recordings of a folder tree (quilve-scan -r): every folder below the
// one given, each folder's recordings as a single folder's are (see
// recordingsInDirectory) and then its subfolders, both in the order the
// input list sorts names. The walk never goes through a symbolic link (a
// link's target may lie outside the tree) and enters each folder once, by
// its device and inode, so a bind mount or a folder reached twice cannot
// make it loop.
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace quilve {

struct InputProblem {
  std::string path;
  std::string reason;  // the system's
};

struct TreeRecording {
  std::string path;       // the folder given, joined with subfolder and name
  std::string subfolder;  // below the folder given; empty for its own entries
};

struct FolderTree {
  std::vector<TreeRecording> recordings;
  // Folders of the tree that could not be listed, with the system's reason.
  std::vector<InputProblem> unreadable;
  // One line for each folder reached again by another name (a bind mount,
  // or a tree given inside another): "A is the folder B; walked once".
  std::vector<std::string> notes;
};

// Folders already walked in this run, by device and inode.
using WalkedFolders = std::set<std::pair<std::uint64_t, std::uint64_t>>;

// Walks the tree under `root` (which may itself be reached through a
// link), adding to `tree`. Folders in `walked` are not entered again;
// those entered are added to it. With `firstOnly` the walk ends at the
// first recording found.
void walkFolderTree(const std::string& root, WalkedFolders* walked, FolderTree* tree, bool firstOnly = false);

// How many folders directly in `folder` (not through a link) hold a
// recording somewhere below them: what a scan without -r leaves out.
std::size_t subfoldersWithRecordings(const std::string& folder);

}  // namespace quilve
