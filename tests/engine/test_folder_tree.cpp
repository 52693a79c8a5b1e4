// Folder trees (-r): every folder below the one given, in the input list's
// order, never through a symbolic link, each folder once, folders that
// cannot be read named; and what a scan without -r leaves out.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/folder_tree.h"
#include "engine/input_paths.h"
#include "support/platform.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace quilve {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

void recordingFile(const std::string& path) {
  fs::create_directories(fs::path(path).parent_path());
  test::writeFile(path, test::pcmWav(250000, 1, 16, Bytes(200, 1)));
}

// A path written with '/' as the walk gives it back, with the system's own
// separators.
std::string asWalked(const std::string& path) { return fs::u8path(path).make_preferred().u8string(); }

std::vector<std::string> pathsOf(const FolderTree& tree) {
  std::vector<std::string> out;
  for (const TreeRecording& r : tree.recordings) out.push_back(r.path);
  return out;
}

// Season/ with its own recording, two sites of nights, equal names in
// different branches, and things a walk must not go through.
std::string season(const test::TempDir& dir) {
  const std::string s = dir.file("Season");
  recordingFile(s + "/top.wav");
  recordingFile(s + "/site2/n1/a.wav");
  recordingFile(s + "/Site1/n2/a.wav");
  recordingFile(s + "/Site1/n1/a.wav");
  recordingFile(s + "/Site1/b.WAV");
  fs::create_directories(s + "/empty/deeper");
  recordingFile(dir.file("outside/x.wav"));
  if (test::noSymbolicLinks().empty()) {
    fs::create_directory_symlink(dir.file("outside"), s + "/Site1/linked");
    fs::create_directory_symlink(s, s + "/Site1/n1/up");  // a loop through a link
  }
  return s;
}

TEST(FolderTree, EveryFolderInNameOrderWithItsBranchNeverThroughALink) {
  test::TempDir dir;
  const std::string s = season(dir);
  WalkedFolders walked;
  FolderTree tree;
  walkFolderTree(s, &walked, &tree);
  std::vector<std::string> expected;
  for (const char* p :
       {"/top.wav", "/Site1/b.WAV", "/Site1/n1/a.wav", "/Site1/n2/a.wav", "/site2/n1/a.wav"}) {
    expected.push_back(asWalked(s + p));
  }
  EXPECT_EQ(pathsOf(tree), expected);
  std::vector<std::string> branches;
  for (const TreeRecording& r : tree.recordings) branches.push_back(r.subfolder);
  EXPECT_EQ(branches, (std::vector<std::string>{"", "Site1", "Site1/n1", "Site1/n2", "site2/n1"}));
  EXPECT_TRUE(tree.unreadable.empty());
  EXPECT_TRUE(tree.notes.empty());

  // Walked already in this run: not again, with a note.
  FolderTree again;
  walkFolderTree(s + "/Site1", &walked, &again);
  EXPECT_TRUE(again.recordings.empty());
  ASSERT_EQ(again.notes.size(), 1u);
  EXPECT_NE(again.notes[0].find("walked once"), std::string::npos) << again.notes[0];

  // A folder given through a link is walked; links inside it are not.
  SKIP_WITHOUT(test::noSymbolicLinks());
  WalkedFolders fresh;
  FolderTree viaLink;
  walkFolderTree(s + "/Site1/linked", &fresh, &viaLink);
  EXPECT_EQ(pathsOf(viaLink), (std::vector<std::string>{s + "/Site1/linked/x.wav"}));
}

TEST(FolderTree, FoldersNamedLikeRecordingsAreWalkedAndUnreadableOnesNamed) {
  test::TempDir dir;
  const std::string s = dir.file("t");
  recordingFile(s + "/card.wav/inner.wav");
  fs::create_directories(s + "/locked");
  recordingFile(s + "/locked/hidden.wav");
  const bool locked = test::setMode(s + "/locked", 0);
  WalkedFolders walked;
  FolderTree tree;
  walkFolderTree(s, &walked, &tree);
  test::setMode(s + "/locked", 0755);
  EXPECT_EQ(pathsOf(tree).front(), asWalked(s + "/card.wav/inner.wav"));
  SKIP_WITHOUT(test::noPermissionBits());
  ASSERT_TRUE(locked);
  if (test::isSuperUser()) GTEST_SKIP() << "root reads every folder";
  EXPECT_EQ(pathsOf(tree), (std::vector<std::string>{asWalked(s + "/card.wav/inner.wav")}));
  ASSERT_EQ(tree.unreadable.size(), 1u);
  EXPECT_EQ(tree.unreadable[0].path, asWalked(s + "/locked"));
  EXPECT_EQ(tree.unreadable[0].reason, "Permission denied");
}

TEST(FolderTree, ExpandedInputsCarryBranchesAndNameWhatAScanWithoutRLeavesOut) {
  test::TempDir dir;
  const std::string s = season(dir);
  // Without -r: the folder's own entries, and one count of the subfolders
  // holding recordings (not the empty one, not the linked one).
  const ExpandedInputs flat = expandInputs({s});
  EXPECT_EQ(flat.paths, (std::vector<std::string>{asWalked(s + "/top.wav")}));
  ASSERT_EQ(flat.unscannedSubfolders.size(), 1u);
  EXPECT_EQ(flat.unscannedSubfolders[0].first, s);
  EXPECT_EQ(flat.unscannedSubfolders[0].second, 2u);
  EXPECT_EQ(subfoldersWithRecordings(s + "/empty"), 0u);

  // With -r, a tree given inside another given before it adds nothing, and
  // each recording keeps the branch of the first tree it was found in.
  const ExpandedInputs tree = expandInputs({s, s + "/Site1/n1", s + "/top.wav"}, true);
  ASSERT_EQ(tree.paths.size(), 5u);
  ASSERT_EQ(tree.subfolders.size(), tree.paths.size());
  EXPECT_EQ(tree.paths[2], asWalked(s + "/Site1/n1/a.wav"));
  EXPECT_EQ(tree.subfolders[2], "Site1/n1");
  EXPECT_TRUE(tree.unscannedSubfolders.empty());
  EXPECT_TRUE(tree.emptyFolders.empty());
  EXPECT_EQ(tree.notes.size(), 2u);  // the folder walked once, top.wav given twice

  // A tree without any recording is empty as a whole.
  EXPECT_EQ(expandInputs({s + "/empty"}, true).emptyFolders, (std::vector<std::string>{s + "/empty"}));
}

TEST(FolderTree, BranchesNamedInAnyScriptKeepTheirNames) {
  test::TempDir dir;
  const fs::path root = fs::absolute(dir.path()) / "tree";
  for (const char* branch : {u8"Ελληνικά/録音", u8"Çà"}) {
    fs::create_directories(root / fs::u8path(branch));
    std::ofstream(root / fs::u8path(branch) / fs::u8path(u8"夜_é.wav"), std::ios::binary) << "x";
  }
  FolderTree tree;
  WalkedFolders walked;
  walkFolderTree(root.u8string(), &walked, &tree);
  ASSERT_EQ(tree.recordings.size(), 2u);
  EXPECT_TRUE(tree.unreadable.empty());
  EXPECT_EQ(tree.recordings[0].subfolder, u8"Çà");
  EXPECT_EQ(tree.recordings[1].subfolder, u8"Ελληνικά/録音");
  EXPECT_EQ(fs::u8path(tree.recordings[1].path), root / fs::u8path(u8"Ελληνικά/録音/夜_é.wav"));
  EXPECT_EQ(fs::u8path(tree.recordings[1].path).filename().u8string(), u8"夜_é.wav");
}

}  // namespace
}  // namespace quilve
