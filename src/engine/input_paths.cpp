#include "engine/input_paths.h"

#include <filesystem>
#include <map>
#include <system_error>
#include <utility>

#include "engine/batch_scan.h"
#include "input/file_identity.h"
#include "input/wide_path.h"

namespace quilve {

namespace {

namespace fs = std::filesystem;

// How far a spelling goes through symbolic links: 0 through none, 1 through
// a linked folder, 2 when it names a link itself (a file operation on it
// would act on the link, not on the recording).
int linkDepth(const std::string& path) {
  FileKind kind = FileKind::Other;
  FileIdentity own;
  if (identityOfLink(path, &own, nullptr, &kind) && kind == FileKind::Symlink) return 2;
  std::error_code ec;
  const fs::path whole = fs::absolute(fs::u8path(path), ec);
  if (ec) return 1;
  fs::path folder = whole.lexically_normal().parent_path();
  const fs::path real = fs::canonical(folder, ec);
  if (ec) return 1;
  return real == folder ? 0 : 1;
}

// "A and B", "A, B and C".
std::string joinSpellings(const std::vector<std::string>& spellings) {
  std::string text;
  for (std::size_t i = 0; i < spellings.size(); ++i) {
    if (i > 0) text += i + 1 == spellings.size() ? " and " : ", ";
    text += spellings[i];
  }
  return text;
}

}  // namespace

std::vector<std::string> eachFileOnce(const std::vector<std::string>& paths,
                                      std::vector<std::string>* notes) {
  std::vector<std::string> out;
  for (std::size_t i : eachFileOnceIndices(paths, notes)) out.push_back(paths[i]);
  return out;
}

std::vector<std::size_t> eachFileOnceIndices(const std::vector<std::string>& paths,
                                             std::vector<std::string>* notes) {
  // The indices of the spellings of each file, by device and inode.
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::vector<std::size_t>> spellingsOf;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> firstSeen;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    FileIdentity id;
    if (!identityOfPath(paths[i], &id)) continue;
    const auto key = std::make_pair(id.device, id.inode);
    auto& indices = spellingsOf[key];
    if (indices.empty()) firstSeen.push_back(key);
    indices.push_back(i);
  }
  std::vector<bool> keep(paths.size(), true);
  for (const auto& key : firstSeen) {
    const std::vector<std::size_t>& indices = spellingsOf[key];
    if (indices.size() < 2) continue;
    std::size_t kept = indices.front();
    int best = linkDepth(paths[kept]);
    for (std::size_t k = 1; k < indices.size() && best > 0; ++k) {
      const int depth = linkDepth(paths[indices[k]]);
      if (depth < best) {
        best = depth;
        kept = indices[k];
      }
    }
    std::vector<std::string> spellings;
    for (std::size_t i : indices) {
      if (i != kept) keep[i] = false;
      bool seen = false;
      for (const std::string& s : spellings) seen = seen || sameNameOnFileSystem(s, paths[i]);
      if (!seen) spellings.push_back(paths[i]);
    }
    if (!notes) continue;
    if (spellings.size() == 1) {
      notes->push_back(paths[kept] + " is given more than once; scanned once");
    } else {
      notes->push_back(joinSpellings(spellings) + " are the same file; scanned once as " +
                       paths[kept]);
    }
  }
  std::vector<std::size_t> out;
  out.reserve(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (keep[i]) out.push_back(i);
  }
  return out;
}

ExpandedInputs expandInputs(const std::vector<std::string>& inputs, bool recursive) {
  ExpandedInputs expanded;
  std::vector<std::string> all;
  std::vector<std::string> subfolders;
  WalkedFolders walked;
  for (const std::string& in : inputs) {
    FileKind kind = FileKind::Other;
    if (!identityOfPath(in, nullptr, nullptr, &kind) || kind != FileKind::Directory) {
      all.push_back(in);
      subfolders.emplace_back();
      continue;
    }
    if (recursive) {
      FolderTree tree;
      walkFolderTree(in, &walked, &tree);
      for (TreeRecording& r : tree.recordings) {
        all.push_back(std::move(r.path));
        subfolders.push_back(std::move(r.subfolder));
      }
      // A tree with folders that cannot be read is not "empty": its
      // folders are named instead.
      if (tree.recordings.empty() && tree.unreadable.empty() && tree.notes.empty()) {
        expanded.emptyFolders.push_back(in);
      }
      expanded.unreadableFolders.insert(expanded.unreadableFolders.end(), tree.unreadable.begin(),
                                        tree.unreadable.end());
      expanded.notes.insert(expanded.notes.end(), tree.notes.begin(), tree.notes.end());
      continue;
    }
    std::vector<std::string> found;
    std::string problem;
    if (!recordingsInDirectory(in, &found, &problem)) {
      expanded.unreadableFolders.push_back(InputProblem{in, problem});
      continue;
    }
    if (found.empty()) expanded.emptyFolders.push_back(in);
    if (const std::size_t left = subfoldersWithRecordings(in)) expanded.unscannedSubfolders.emplace_back(in, left);
    all.insert(all.end(), found.begin(), found.end());
    subfolders.resize(all.size());
  }
  for (std::size_t i : eachFileOnceIndices(all, &expanded.notes)) {
    expanded.paths.push_back(all[i]);
    expanded.subfolders.push_back(subfolders[i]);
  }
  return expanded;
}

}  // namespace quilve
