#include "engine/folder_tree.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "engine/file_list.h"
#include "input/file_identity.h"
#include "input/folder_entries.h"

namespace quilve {

namespace {

namespace fs = std::filesystem;

struct Pending {
  std::string path;
  std::string subfolder;
};

// The identity of a folder to enter; false when it cannot be had (the
// listing then names the reason).
bool folderKey(const std::string& path, std::pair<std::uint64_t, std::uint64_t>* key) {
  FileIdentity id;
  if (!identityOfPath(path, &id)) return false;
  *key = {id.device, id.inode};
  return true;
}

}  // namespace

void walkFolderTree(const std::string& root, WalkedFolders* walked, FolderTree* tree, bool firstOnly) {
  // The folders still to walk, the next one last: a tree as deep as paths
  // allow needs no deeper call stack than a flat one.
  std::vector<Pending> stack{{root, ""}};
  // Where each folder was first walked, for the note on a second name.
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> firstName;
  while (!stack.empty()) {
    const Pending folder = std::move(stack.back());
    stack.pop_back();
    std::pair<std::uint64_t, std::uint64_t> key;
    if (folderKey(folder.path, &key) && !walked->insert(key).second) {
      const auto it = firstName.find(key);
      tree->notes.push_back(folder.path + (it == firstName.end() ? std::string(" is a folder already walked")
                                                                 : " is the folder " + it->second) +
                            "; walked once");
      continue;
    }
    firstName.emplace(key, folder.path);
    std::vector<std::string> names;
    std::string why;
    if (!folderEntries(folder.path, &names, &why)) {
      tree->unreadable.push_back(InputProblem{folder.path, why});
      continue;
    }
    std::sort(names.begin(), names.end(), nameBefore);
    const fs::path dir = fs::u8path(folder.path);
    std::vector<Pending> subfolders;
    for (const std::string& name : names) {
      const std::string path = (dir / fs::u8path(name)).u8string();
      FileKind kind = FileKind::Other;
      FileIdentity own;
      // A folder of the tree is walked as one; anything else of the
      // recordings' pattern (a link among them) is offered as a recording,
      // for the open step to refuse with its reason.
      if (identityOfLink(path, &own, nullptr, &kind) && kind == FileKind::Directory) {
        subfolders.push_back({path, folder.subfolder.empty() ? name : folder.subfolder + "/" + name});
      } else if (wildcardMatch("*.w*", name)) {
        tree->recordings.push_back({path, folder.subfolder});
        if (firstOnly) return;
      }
    }
    stack.insert(stack.end(), std::make_move_iterator(subfolders.rbegin()),
                 std::make_move_iterator(subfolders.rend()));
  }
}

std::size_t subfoldersWithRecordings(const std::string& folder) {
  std::vector<std::string> names;
  std::string why;
  if (!folderEntries(folder, &names, &why)) return 0;
  std::size_t count = 0;
  WalkedFolders walked;
  std::pair<std::uint64_t, std::uint64_t> key;
  if (folderKey(folder, &key)) walked.insert(key);
  for (const std::string& name : names) {
    const std::string path = (fs::u8path(folder) / fs::u8path(name)).u8string();
    FileKind kind = FileKind::Other;
    FileIdentity own;
    if (!identityOfLink(path, &own, nullptr, &kind) || kind != FileKind::Directory) continue;
    FolderTree tree;
    walkFolderTree(path, &walked, &tree, /*firstOnly=*/true);
    if (!tree.recordings.empty()) ++count;
  }
  return count;
}

}  // namespace quilve
