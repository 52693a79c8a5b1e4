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
