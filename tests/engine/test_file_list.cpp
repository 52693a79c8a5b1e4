// The list models: name order, values, replacement, selection, dragging.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/file_list.h"
#include "support/temp_dir.h"

using namespace quilve;

namespace {
std::vector<std::string> names(const FileList& l) {
  std::vector<std::string> out;
  for (const auto& e : l.entries()) out.push_back(e.name);
  return out;
}
}  // namespace

TEST(FileList, SortsWithoutCaseAndReplacesByName) {
  FileList l;
  l.add("b.wav", 1);
  l.add("A.WAV", 2);
  l.add("c.wav", 3);
  l.add("a2.wav", 4);
  EXPECT_EQ(names(l), (std::vector<std::string>{"A.WAV", "a2.wav", "b.wav", "c.wav"}));
  EXPECT_EQ(l.sum(), 10);
  // The same name again: a second entry, unless replacing.
  EXPECT_EQ(l.add("B.wav", 7, /*replace=*/true), 2);
  EXPECT_EQ(l.size(), 4);
  EXPECT_EQ(l.at(2).value, 7);
  l.add("b.wav", 9);
  EXPECT_EQ(l.size(), 5);
  EXPECT_EQ(l.find("C.WAV"), 4);
  EXPECT_EQ(l.find("c"), FileList::kNone);
}

TEST(FileList, SelectionFollowsInsertionsAndRemovals) {
  FileList l;
  l.add("m.wav", 0);
  l.add("z.wav", 0);
  ASSERT_TRUE(l.selectByName("Z.wav"));
  l.add("a.wav", 0);  // inserted above the selection
  EXPECT_EQ(l.at(l.selection()).name, "z.wav");
  l.remove(0);
  EXPECT_EQ(l.at(l.selection()).name, "z.wav");
  int value = -1;
  EXPECT_TRUE(l.removeSelected(&value));
  EXPECT_EQ(l.selection(), FileList::kNone);
  EXPECT_FALSE(l.removeSelected());
  EXPECT_FALSE(l.select(5));
}

TEST(FileList, DraggingMovesEntriesWithTheirValues) {
  FileList l;
  for (const char* n : {"a", "b", "c", "d"}) l.add(n, n[0]);
  ASSERT_TRUE(l.move(0, 2));  // a dropped on c: lands before c
  EXPECT_EQ(names(l), (std::vector<std::string>{"b", "a", "c", "d"}));
  ASSERT_TRUE(l.move(3, 0));  // d dropped on b
  EXPECT_EQ(names(l), (std::vector<std::string>{"d", "b", "a", "c"}));
  ASSERT_TRUE(l.move(0, 4));  // below the last entry: to the end
  EXPECT_EQ(names(l), (std::vector<std::string>{"b", "a", "c", "d"}));
  EXPECT_EQ(l.selection(), 3);
  EXPECT_EQ(l.at(3).value, 'd');
  ASSERT_TRUE(l.move(1, 1));  // onto itself
  EXPECT_EQ(names(l), (std::vector<std::string>{"b", "a", "c", "d"}));
  EXPECT_FALSE(l.move(0, 5));
}

TEST(FileList, FillsFromADirectoryWithAPattern) {
  test::TempDir dir;
  for (const char* n : {"night1.WAV", "night2.wav", "x.wv", "notes.txt", "a.w"}) {
    std::ofstream(dir.file(n)) << "x";
  }
  std::filesystem::create_directory(dir.file("sub.wav"));
  FileList l;
  ASSERT_TRUE(l.fillFromDirectory(dir.path().string(), "*.w*"));
  EXPECT_EQ(names(l), (std::vector<std::string>{"a.w", "night1.WAV", "night2.wav", "x.wv"}));
  EXPECT_FALSE(l.fillFromDirectory(dir.file("missing"), "*.w*"));
  EXPECT_TRUE(l.empty());
  EXPECT_TRUE(wildcardMatch("*.w*", "A.WAV"));
  EXPECT_TRUE(wildcardMatch("rec??.wav", "REC01.wav"));
  EXPECT_FALSE(wildcardMatch("*.w*", "wav"));
  EXPECT_FALSE(wildcardMatch("rec??.wav", "rec1.wav"));
}

namespace {
FileEntry recordingAt(const std::string& path, int calls) {
  FileEntry e;
  e.path = path;
  e.name = path.substr(path.find_last_of('/') + 1);
  e.value = calls;
  return e;
}
}  // namespace

TEST(FileList, RecordingsAreKnownByTheirFullPath) {
  FileList l;
  // The same name in two directories, and names that differ only in case,
  // are different recordings.
  l.put(recordingAt("/d1/REC001.wav", 5));
  l.put(recordingAt("/d2/REC001.wav", 0));
  l.put(recordingAt("/d1/Rec.wav", 1));
  l.put(recordingAt("/d1/rec.wav", 2));
  ASSERT_EQ(l.size(), 4);
  EXPECT_EQ(names(l), (std::vector<std::string>{"Rec.wav", "rec.wav", "REC001.wav", "REC001.wav"}));
  EXPECT_EQ(l.at(l.findPath("/d2/REC001.wav")).value, 0);
  EXPECT_EQ(l.at(l.findPath("/d1/rec.wav")).value, 2);
  EXPECT_EQ(l.findPath("/d3/REC001.wav"), FileList::kNone);
  EXPECT_EQ(l.findPath("/d1/REC.wav"), FileList::kNone);
  EXPECT_EQ(l.sum(), 8);

  // The same path again replaces its entry, keeping its place.
  l.put(recordingAt("/d2/REC001.wav", 7), /*select=*/true);
  EXPECT_EQ(l.size(), 4);
  EXPECT_EQ(l.at(l.selection()).path, "/d2/REC001.wav");
  EXPECT_EQ(l.sum(), 15);
  EXPECT_TRUE(l.removePath("/d1/REC001.wav"));
  EXPECT_FALSE(l.removePath("/d1/REC001.wav"));
  EXPECT_EQ(l.at(l.selection()).path, "/d2/REC001.wav");
  EXPECT_EQ(l.sum(), 10);
}

TEST(FileList, EntriesPutInAnyOrderAreMergedIntoNameOrderWithTheSelection) {
  FileList l;
  std::vector<std::string> expected;
  // Two directories scanned one after the other: the second interleaves.
  for (const char* dir : {"/b/", "/a/"}) {
    for (int i = 9; i >= 0; i -= 3) l.put(recordingAt(std::string(dir) + "r" + std::to_string(i), i));
  }
  l.put(recordingAt("/a/r5", 5), /*select=*/true);
  l.put(recordingAt("/a/r1", 1));
  EXPECT_EQ(l.size(), 10);
  EXPECT_EQ(l.at(l.selection()).path, "/a/r5");
  const auto& entries = l.entries();
  for (std::size_t i = 1; i < entries.size(); ++i) {
    EXPECT_TRUE(entryBefore(entries[i - 1], entries[i])) << entries[i - 1].path << " " << entries[i].path;
  }
  EXPECT_EQ(entries.front().path, "/a/r0");
  EXPECT_EQ(l.sum(), 2 * (0 + 3 + 6 + 9) + 5 + 1);

  // One pass removes many; the selection stays on its entry.
  EXPECT_EQ(l.removePaths({"/a/r0", "/b/r0", "/b/r9", "/nowhere"}), 3u);
  EXPECT_EQ(l.size(), 7);
  EXPECT_EQ(l.at(l.selection()).path, "/a/r5");
  EXPECT_EQ(l.findPath("/b/r9"), FileList::kNone);
  EXPECT_EQ(l.sum(), 2 * (3 + 6 + 9) + 5 + 1 - 9);

  // After a drag the list is no longer in order; new entries still land
  // beside their peers and are found by path.
  ASSERT_TRUE(l.move(0, 3));
  l.put(recordingAt("/c/r4", 4));
  EXPECT_NE(l.findPath("/c/r4"), FileList::kNone);
  EXPECT_NE(l.findPath("/a/r6"), FileList::kNone);
}

TEST(FileList, FillsFromFoldersNamedInAnyScriptAndBeyondTheOldPathLimit) {
  namespace fs = std::filesystem;
  test::TempDir dir;
  // On Windows the test's own file calls take the long-path form.
  fs::path root = fs::absolute(dir.path());
  if (fs::path::preferred_separator == '\\') root = fs::path(L"\\\\?\\" + root.wstring());
  const fs::path folder = fs::u8path(u8"Nächte_Ελληνικά_録音");
  fs::path deep = folder;
  for (char c : std::string("pqrst")) deep /= std::string(55, c);
  fs::create_directories(root / deep);
  for (const fs::path& in : {folder, deep}) {
    std::ofstream(root / in / fs::u8path(u8"Çà_夜.wav"), std::ios::binary) << "x";
    std::ofstream(root / in / fs::u8path(u8"b.WAV"), std::ios::binary) << "x";
  }
  const fs::path plain = fs::absolute(dir.path());
  for (const fs::path& in : {folder, deep}) {
    const std::string directory = (plain / in).u8string();
    SCOPED_TRACE(directory);
    FileList l;
    ASSERT_TRUE(l.fillFromDirectory(directory, "*.w*"));
    EXPECT_EQ(names(l), (std::vector<std::string>{"b.WAV", u8"Çà_夜.wav"}));
    ASSERT_EQ(l.size(), 2);
    EXPECT_EQ(fs::u8path(l.at(1).path), plain / in / fs::u8path(u8"Çà_夜.wav"));
  }
  EXPECT_GT((plain / deep).u8string().size(), 260u);
}
