// The file layer as every platform must give it: names in any script,
// paths longer than the old 260-character limit, renames and moves that
// never replace a name, whole-file writes, and names compared as the file
// system compares them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "input/file_identity.h"
#include "output/file_disposition.h"
#include "output/file_operations.h"
#include "output/whole_file.h"
#include "support/temp_dir.h"

namespace quilve {
namespace {

namespace fs = std::filesystem;

// Paths are UTF-8 in the program; std::filesystem is told so.
fs::path u8(const std::string& path) { return fs::u8path(path); }

std::string dirOf(const test::TempDir& dir) { return dir.path().u8string(); }

void put(const std::string& path, const std::string& bytes) {
  std::ofstream(u8(path), std::ios::binary) << bytes;
}

std::string bytesOf(const std::string& path) {
  std::ifstream in(u8(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) {
  FileIdentity identity;
  return identityOfLink(path, &identity);
}

std::int64_t sizeOf(const std::string& path) {
  FileIdentity identity;
  return identityOfPath(path, &identity) ? identity.size : -1;
}

// Whether this file system takes names without regard to case.
bool caseBlind() { return sameNameOnFileSystem("Rec.wav", "rec.WAV"); }

const char* const kNames[] = {
    "Fledermaus-Ära_été_Ñandú.wav",  // accented Latin
    "νυχτερίδα_Ωμέγα.wav",            // Greek
    "蝙蝠の録音_박쥐.wav",            // CJK
};

TEST(FileLayer, NamesInAnyScriptAreCopiedMovedRenamedAndWritten) {
  test::TempDir dir;
  std::string made, error;
  ASSERT_TRUE(makeSubfolder(dirOf(dir), "Archiv_Ωμέγα/録音", &made, &error)) << error;
  ASSERT_TRUE(makeSubfolder(dirOf(dir), "Verschoben_é", &made, &error)) << error;
  const std::string archive = joinPath(dirOf(dir), "Archiv_Ωμέγα/録音");
  const std::string moved = joinPath(dirOf(dir), "Verschoben_é");
  for (const std::string name : kNames) {
    SCOPED_TRACE(name);
    const std::string source = joinPath(dirOf(dir), name);
    ASSERT_TRUE(writeFileReplacing(source, "bytes of " + name, &error)) << error;
    EXPECT_EQ(baseName(source), name);
    FileIdentity read;
    ASSERT_TRUE(identityOfPath(source, &read));
    EXPECT_EQ(checkSource(source, read), SourceState::Unchanged);

    FileOpResult r = copyIntoDirectory(source, archive, Overwrite::Never, read);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(bytesOf(joinPath(archive, name)), "bytes of " + name);
    r = moveIntoDirectory(source, moved, Overwrite::Never, read);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(exists(source));
    EXPECT_EQ(bytesOf(joinPath(moved, name)), "bytes of " + name);
    r = renameNoReplace(joinPath(moved, name), joinPath(moved, "umbenannt_" + name));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(bytesOf(joinPath(moved, "umbenannt_" + name)), "bytes of " + name);
  }
  // Nothing else was left in the folders (no temporary copies).
  for (const std::string& folder : {archive, moved}) {
    EXPECT_EQ(std::distance(fs::directory_iterator(u8(folder)), fs::directory_iterator()), 3)
        << folder;
  }
}

TEST(FileLayer, PathsBeyond260CharactersWork) {
  test::TempDir dir;
  std::string branch;
  for (char c = 'a'; c < 'g'; ++c) branch += (branch.empty() ? "" : "/") + std::string(48, c);
  std::string deep, other, error;
  ASSERT_TRUE(makeSubfolder(dirOf(dir), branch, &deep, &error)) << error;
  ASSERT_TRUE(makeSubfolder(dirOf(dir), branch + "/ζ_archive", &other, &error)) << error;
  const std::string source = joinPath(deep, "a long way down " + std::string(kNames[2]));
  ASSERT_GT(source.size(), 300u);

  const std::string contents(70000, 'w');
  ASSERT_TRUE(writeFileReplacing(source, contents, &error)) << error;
  bool opened = false;
  ASSERT_TRUE(appendWholeText(source, false, "\n", &opened, &error)) << error;
  EXPECT_EQ(sizeOf(source), 70001);

  FileOpResult r = copyIntoDirectory(source, other, Overwrite::Never);
  ASSERT_TRUE(r.ok) << r.error;
  const std::string copy = joinPath(other, baseName(source));
  EXPECT_EQ(sizeOf(copy), 70001);
  // The copy holds the same bytes: a second copy finds it archived already.
  EXPECT_TRUE(copyIntoDirectory(source, other, Overwrite::Never).ok);

  ASSERT_TRUE(renameNoReplace(copy, copy + ".kept").ok);
  r = moveIntoDirectory(source, other, Overwrite::Never);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_FALSE(exists(source));
  EXPECT_EQ(sizeOf(copy), 70001);
}

TEST(FileLayer, NoOperationReplacesAnExistingNameUnlessTold) {
  test::TempDir dir;
  const std::string in = joinPath(dirOf(dir), "in");
  const std::string out = joinPath(dirOf(dir), "out");
  std::string made, error;
  ASSERT_TRUE(makeSubfolder(dirOf(dir), "in", &made, &error));
  ASSERT_TRUE(makeSubfolder(dirOf(dir), "out", &made, &error));
  put(joinPath(in, "a.wav"), "new a");
  put(joinPath(out, "a.wav"), "old a");
  put(joinPath(in, "b.wav"), "b");

  for (const bool copying : {true, false}) {
    const FileOpResult r = copying ? copyIntoDirectory(joinPath(in, "a.wav"), out, Overwrite::Never)
                                   : moveIntoDirectory(joinPath(in, "a.wav"), out, Overwrite::Never);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.targetExists);
    EXPECT_EQ(bytesOf(joinPath(out, "a.wav")), "old a");
    EXPECT_EQ(bytesOf(joinPath(in, "a.wav")), "new a");
  }
  EXPECT_FALSE(renameNoReplace(joinPath(in, "a.wav"), joinPath(in, "b.wav")).ok);
  EXPECT_EQ(bytesOf(joinPath(in, "b.wav")), "b");
  EXPECT_EQ(bytesOf(joinPath(in, "a.wav")), "new a");

  // A name differing only in case is the same name where the file system
  // is case-blind, and another file where it is not.
  put(joinPath(out, "REC.wav"), "old rec");
  put(joinPath(in, "Rec.wav"), "new rec");
  const FileOpResult r = moveIntoDirectory(joinPath(in, "Rec.wav"), out, Overwrite::Never);
  EXPECT_EQ(r.ok, !caseBlind()) << r.error;
  EXPECT_EQ(r.targetExists, caseBlind());
  EXPECT_EQ(bytesOf(joinPath(out, "REC.wav")), "old rec");
  EXPECT_EQ(exists(joinPath(in, "Rec.wav")), caseBlind());
  if (caseBlind()) {
    EXPECT_FALSE(renameNoReplace(joinPath(in, "Rec.wav"), joinPath(out, "rec.WAV")).ok);
    EXPECT_EQ(bytesOf(joinPath(out, "REC.wav")), "old rec");
  }

  // Told to, a move replaces the old file, and nothing is left behind.
  const FileOpResult replaced = moveIntoDirectory(joinPath(in, "a.wav"), out, Overwrite::Replace);
  ASSERT_TRUE(replaced.ok) << replaced.error;
  EXPECT_EQ(bytesOf(joinPath(out, "a.wav")), "new a");
  EXPECT_FALSE(exists(joinPath(in, "a.wav")));
}

TEST(FileLayer, WholeFilesKeepTheirBytesAndAFailedWriteLeavesNothing) {
  test::TempDir dir;
  const std::string path = joinPath(dirOf(dir), "results_é.txt");
  std::string error;
  // Line ends are written as given (LF), on every platform.
  ASSERT_TRUE(writeFileReplacing(path, "one\ntwo\n", &error)) << error;
  ASSERT_TRUE(writeFileReplacing(path, "three\n", &error, Durability::Cached)) << error;
  EXPECT_EQ(bytesOf(path), "three\n");
  bool opened = false;
  ASSERT_TRUE(appendWholeText(path, false, "four\r\nfive\n", &opened, &error)) << error;
  EXPECT_TRUE(opened);
  EXPECT_EQ(bytesOf(path), "three\nfour\r\nfive\n");
  ASSERT_TRUE(appendWholeText(path, true, "six\n", &opened, &error)) << error;
  EXPECT_EQ(bytesOf(path), "six\n");

  // A name taken by a folder cannot be replaced: the folder stays as it
  // was, and no temporary file is left beside it.
  std::string made;
  ASSERT_TRUE(makeSubfolder(dirOf(dir), "taken", &made, &error));
  put(joinPath(made, "inside"), "x");
  error.clear();
  EXPECT_FALSE(writeFileReplacing(made, "text", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(bytesOf(joinPath(made, "inside")), "x");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);

  error.clear();
  EXPECT_FALSE(appendWholeText(joinPath(dirOf(dir), "no/such/folder.txt"), false, "x", &opened,
                               &error));
  EXPECT_FALSE(opened);
  EXPECT_FALSE(error.empty());
}

TEST(FileLayer, PathSpellingKeepsRootsAndTakesTheSystemsSeparators) {
  EXPECT_EQ(withoutTrailingSeparator("/"), "/");
  EXPECT_EQ(withoutTrailingSeparator("/data//"), "/data");
  EXPECT_EQ(withTrailingSeparator("/data"), "/data/");
  EXPECT_EQ(joinPath("/data/", "a.wav"), "/data/a.wav");
  if (std::string(pathSeparators()).find('\\') == std::string::npos) {
    EXPECT_EQ(baseName("night\\a.wav"), "night\\a.wav");  // a name of its own here
    return;
  }
  // A drive's root is not the drive's current folder.
  EXPECT_EQ(withoutTrailingSeparator("C:\\"), "C:\\");
  EXPECT_EQ(withoutTrailingSeparator("C:/"), "C:/");
  EXPECT_EQ(withTrailingSeparator("D:\\"), "D:\\");
  EXPECT_EQ(withoutTrailingSeparator("\\\\server\\share\\"), "\\\\server\\share\\");
  EXPECT_EQ(withoutTrailingSeparator("\\\\server\\share\\bats\\\\"), "\\\\server\\share\\bats");
  EXPECT_EQ(withoutTrailingSeparator("\\\\?\\C:\\"), "\\\\?\\C:\\");
  EXPECT_EQ(withTrailingSeparator("C:\\data"), "C:\\data/");
  EXPECT_EQ(joinPath("C:\\data\\", "a.wav"), "C:\\data\\a.wav");
  EXPECT_EQ(baseName("C:\\data\\night/a.wav"), "a.wav");
  EXPECT_EQ(baseName("C:\\data\\a.wav"), "a.wav");
}

// One failed recording, listed as the scan spelled it.
struct OneFailed : DispositionLists {
  ListedFile file;
  std::vector<std::string> handled;
  std::vector<ListedFile> files(ResultList list) const override {
    if (list == ResultList::Passed || !handled.empty()) return {};
    return {file};
  }
  bool selectedFile(ResultList, ListedFile*) const override { return false; }
  void removeHandled(ResultList, const std::vector<std::string>& paths) override {
    handled.insert(handled.end(), paths.begin(), paths.end());
  }
};

struct QuietHost : DispositionHost {
  std::vector<std::string> warnings;
  bool askYesNo(const std::string&, const std::string&) override { return true; }
  void warning(const std::string& text) override { warnings.push_back(text); }
  bool pickFolder(const std::string&, std::string*) override { return false; }
};

TEST(FileLayer, ANameRespeltInCaseIsTheSameRecordingWhereTheSystemSaysSo) {
  // The scan read Rec.wav; another program then renamed it to rec.WAV.
  test::TempDir dir;
  std::string made, error;
  ASSERT_TRUE(makeSubfolder(dirOf(dir), "moved", &made, &error));
  const std::string listed = joinPath(dirOf(dir), "Rec.wav");
  const std::string respelt = joinPath(dirOf(dir), "rec.WAV");
  put(listed, "the recording");
  OneFailed lists;
  lists.file.name = "Rec.wav";
  lists.file.path = listed;
  ASSERT_TRUE(identityOfPath(listed, &lists.file.identity));
  ASSERT_TRUE(renameNoReplace(listed, respelt).ok);

  QuietHost host;
  DispositionState state;
  state.moveDirectory = made;
  FileDisposition disposition(state, lists, host);
  EXPECT_TRUE(disposition.moveAll(ResultList::Failed, false));
  if (caseBlind()) {
    // One file under either spelling: moved, its entry gone.
    EXPECT_EQ(lists.handled, std::vector<std::string>{listed});
    EXPECT_TRUE(host.warnings.empty()) << host.warnings.front();
    EXPECT_FALSE(exists(respelt));
    EXPECT_EQ(std::distance(fs::directory_iterator(u8(made)), fs::directory_iterator()), 1);
  } else {
    // Another name: the listed file is no longer there, and rec.WAV is not
    // a recording the scan read.
    EXPECT_TRUE(lists.handled.empty());
    ASSERT_EQ(host.warnings.size(), 1u);
    EXPECT_NE(host.warnings[0].find("no longer there"), std::string::npos) << host.warnings[0];
    EXPECT_EQ(bytesOf(respelt), "the recording");
  }
}

}  // namespace
}  // namespace quilve
