// The recordings a command line names: every *.w* entry of a folder whatever
// its kind, folders that cannot be listed named with the reason, and each
// file once however it is spelled.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/batch_scan.h"
#include "engine/input_paths.h"
#include "support/platform.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace quilve {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

// Runs in `dir`, so that relative spellings are short.
class InWorkFolder {
 public:
  explicit InWorkFolder(const fs::path& dir) : before_(fs::current_path()) { fs::current_path(dir); }
  ~InWorkFolder() { fs::current_path(before_); }

 private:
  fs::path before_;
};

void recordingFile(const std::string& path, std::uint8_t fill = 1) {
  test::writeFile(path, test::pcmWav(250000, 1, 16, Bytes(200, fill)));
}

TEST(InputPaths, AFolderListsEveryMatchingEntryWhateverItsKind) {
  SKIP_WITHOUT(test::noFifos());
  SKIP_WITHOUT(test::noSymbolicLinks());
  test::TempDir dir;
  const std::string in = dir.file("in");
  fs::create_directory(in);
  recordingFile(in + "/b.WAV");
  recordingFile(in + "/A.wav");
  ASSERT_TRUE(test::makeFifo(in + "/x.wav"));
  fs::create_directory(in + "/d.wav");
  fs::create_symlink("/dev/null", in + "/z.wav");
  fs::create_symlink("loop.wav", in + "/loop.wav");
  fs::create_symlink("gone.wav", in + "/c.wv");
  test::writeFile(in + "/notes.txt", Bytes{'x'});

  std::vector<std::string> paths;
  std::string problem = "unchanged";
  ASSERT_TRUE(recordingsInDirectory(in, &paths, &problem));
  EXPECT_EQ(problem, "");
  const std::vector<std::string> expected = {in + "/A.wav", in + "/b.WAV",    in + "/c.wv",
                                             in + "/d.wav", in + "/loop.wav", in + "/x.wav",
                                             in + "/z.wav"};
  EXPECT_EQ(paths, expected);
  EXPECT_EQ(recordingsInDirectory(in), expected);

  EXPECT_FALSE(recordingsInDirectory(dir.file("vanished"), &paths, &problem));
  EXPECT_EQ(problem, "No such file or directory");
  EXPECT_TRUE(paths.empty());
}

TEST(InputPaths, AFolderThatCannotBeReadIsNamedWithTheSystemsReason) {
  SKIP_WITHOUT(test::noPermissionBits());
  test::TempDir dir;
  const std::string unreadable = dir.file("noread"), unsearchable = dir.file("nosearch");
  fs::create_directory(unreadable);
  fs::create_directory(unsearchable);
  recordingFile(unreadable + "/a.wav");
  recordingFile(unsearchable + "/b.wav");
  test::setMode(unreadable, 0300);
  test::setMode(unsearchable, 0600);
  const bool root = test::canRead(unreadable);
  if (root) {
    test::setMode(unreadable, 0700);
    test::setMode(unsearchable, 0700);
    GTEST_SKIP() << "running as root: permissions do not hold";
  }
  const ExpandedInputs expanded = expandInputs({unreadable, unsearchable});
  test::setMode(unreadable, 0700);
  test::setMode(unsearchable, 0700);
  EXPECT_TRUE(expanded.paths.empty());
  ASSERT_EQ(expanded.unreadableFolders.size(), 2u);
  EXPECT_EQ(expanded.unreadableFolders[0].path, unreadable);
  EXPECT_EQ(expanded.unreadableFolders[0].reason, "Permission denied");
  EXPECT_EQ(expanded.unreadableFolders[1].path, unsearchable);
  EXPECT_EQ(expanded.unreadableFolders[1].reason, "Permission denied");
}

TEST(InputPaths, EachFileOnceHoweverItIsSpelled) {
  SKIP_WITHOUT(test::noSymbolicLinks());
  test::TempDir dir;
  InWorkFolder here(dir.path());
  fs::create_directory("in");
  fs::create_directory("other");
  recordingFile("in/a.wav", 1);
  recordingFile("in/b.wav", 2);
  recordingFile("other/c.wav", 3);
  fs::create_directory_symlink("in", "linked");
  const std::string absolute = (dir.path() / "in/a.wav").string();

  // Ordinary inputs keep their order and spellings, with no note.
  ExpandedInputs plain = expandInputs({"other", "in"});
  EXPECT_EQ(plain.paths, (std::vector<std::string>{"other/c.wav", "in/a.wav", "in/b.wav"}));
  EXPECT_TRUE(plain.notes.empty());
  EXPECT_TRUE(plain.emptyFolders.empty());

  ExpandedInputs twice = expandInputs({"in", "./in"});
  EXPECT_EQ(twice.paths, (std::vector<std::string>{"in/a.wav", "in/b.wav"}));
  EXPECT_EQ(twice.notes, (std::vector<std::string>{
                             "in/a.wav and ./in/a.wav are the same file; scanned once as in/a.wav",
                             "in/b.wav and ./in/b.wav are the same file; scanned once as in/b.wav"}));

  ExpandedInputs mixed = expandInputs({"in/b.wav", "other", absolute, "in", "linked"});
  EXPECT_EQ(mixed.paths, (std::vector<std::string>{"in/b.wav", "other/c.wav", absolute}));
  ASSERT_EQ(mixed.notes.size(), 2u);
  EXPECT_EQ(mixed.notes[0],
            "in/b.wav and linked/b.wav are the same file; scanned once as in/b.wav");
  EXPECT_EQ(mixed.notes[1], absolute + ", in/a.wav and linked/a.wav are the same file; scanned once as " +
                                absolute);

  // Through a linked folder first: the real folder's spelling is kept.
  ExpandedInputs linkedFirst = expandInputs({"linked", "in"});
  EXPECT_EQ(linkedFirst.paths, (std::vector<std::string>{"in/a.wav", "in/b.wav"}));

  // The same spelling twice.
  EXPECT_EQ(expandInputs({"in/a.wav", "in/a.wav"}).notes,
            (std::vector<std::string>{"in/a.wav is given more than once; scanned once"}));
}

TEST(InputPaths, HardLinksAndLinksToAFileAreOneRecordingUnderItsRealName) {
  SKIP_WITHOUT(test::noSymbolicLinks());
  test::TempDir dir;
  InWorkFolder here(dir.path());
  fs::create_directory("in");
  recordingFile("in/m.wav", 1);
  recordingFile("in/q.wav", 2);
  fs::create_hard_link("in/m.wav", "in/n.wav");
  // Sorts before its target: disposition through it would move the link.
  fs::create_symlink("q.wav", "in/0.wav");
  fs::create_symlink("gone.wav", "in/p.wav");

  const ExpandedInputs e = expandInputs({"in", "in/p.wav"});
  // The dangling link cannot be identified: it stays, twice, for the open
  // step to report.
  EXPECT_EQ(e.paths, (std::vector<std::string>{"in/m.wav", "in/p.wav", "in/q.wav", "in/p.wav"}));
  EXPECT_EQ(e.notes, (std::vector<std::string>{
                         "in/0.wav and in/q.wav are the same file; scanned once as in/q.wav",
                         "in/m.wav and in/n.wav are the same file; scanned once as in/m.wav"}));

  fs::create_directory("empty");
  EXPECT_EQ(expandInputs({"empty"}).emptyFolders, (std::vector<std::string>{"empty"}));
}

TEST(InputPaths, NamesDifferingInCaseAreOneRecordingWhereTheFileSystemSaysSo) {
  test::TempDir dir;
  InWorkFolder here(dir.path());
  fs::create_directory("in");
  recordingFile("in/Rec.wav", 1);
  // Case-blind file systems (NTFS, APFS by default) find the first file
  // under the second spelling; elsewhere it is another file.
  const bool caseBlind = fs::exists("in/rec.WAV");
  if (!caseBlind) recordingFile("in/rec.WAV", 2);

  const ExpandedInputs named = expandInputs({"in/Rec.wav", "in/rec.WAV"});
  const ExpandedInputs listed = expandInputs({"in"});
  if (caseBlind) {
    EXPECT_EQ(named.paths, (std::vector<std::string>{"in/Rec.wav"}));
    EXPECT_EQ(named.notes, (std::vector<std::string>{"in/Rec.wav is given more than once; scanned once"}));
    ASSERT_EQ(listed.paths.size(), 1u);
  } else {
    EXPECT_EQ(named.paths, (std::vector<std::string>{"in/Rec.wav", "in/rec.WAV"}));
    EXPECT_TRUE(named.notes.empty());
    EXPECT_EQ(listed.paths.size(), 2u);
  }
  EXPECT_TRUE(listed.notes.empty());
}

}  // namespace
}  // namespace quilve
