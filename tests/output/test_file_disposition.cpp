#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "output/file_disposition.h"
#include "output/file_operations.h"
#include "support/platform.h"
#include "support/temp_dir.h"

namespace quilve {
namespace {

namespace fs = std::filesystem;

// The trash of this test program: XDG_DATA_HOME is set before GIO is first
// used, so g_file_trash puts files under <dir>/Trash.
const fs::path& trashHome() {
  static test::TempDir dir;
  static const bool set = test::setEnvironment("XDG_DATA_HOME", dir.path().u8string());
  (void)set;
  return dir.path();
}
const bool kTrashReady = !trashHome().empty();

void writeFile(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }
std::string readFile(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct FakeLists : DispositionLists {
  std::string dir;
  std::vector<std::string> passed, failed, input;
  std::map<std::string, std::string> holds;  // name -> why it was not read whole
  std::map<std::string, FileIdentity> opened;  // name -> the file when the scan opened it
  std::map<std::string, std::string> subfolders;  // name -> its branch below the target
  int passedSelection = -1, failedSelection = -1;

  std::vector<std::string>& of(ResultList l) { return l == ResultList::Passed ? passed : failed; }
  const std::vector<std::string>& names(ResultList l) const {
    return l == ResultList::Passed ? passed : failed;
  }
  ListedFile fileOf(const std::string& name) const {
    ListedFile f;
    f.name = name;
    f.path = dir + name;
    auto it = holds.find(name);
    if (it != holds.end()) f.hold = it->second;
    auto was = opened.find(name);
    if (was != opened.end()) f.identity = was->second;
    if (auto sub = subfolders.find(name); sub != subfolders.end()) f.subfolder = sub->second;
    return f;
  }
  std::vector<ListedFile> files(ResultList l) const override {
    std::vector<ListedFile> out;
    for (const std::string& n : names(l)) out.push_back(fileOf(n));
    return out;
  }
  bool selectedFile(ResultList l, ListedFile* file) const override {
    const int sel = l == ResultList::Passed ? passedSelection : failedSelection;
    if (sel < 0) return false;
    *file = fileOf(names(l).at(static_cast<std::size_t>(sel)));
    return true;
  }
  void removeHandled(ResultList l, const std::vector<std::string>& paths) override {
    for (const std::string& path : paths) {
      const std::string name = path.substr(dir.size());
      auto drop = [&](std::vector<std::string>& v) {
        v.erase(std::remove(v.begin(), v.end(), name), v.end());
      };
      drop(of(l));
      drop(input);
    }
  }
};

struct ScriptedHost : DispositionHost {
  std::deque<bool> answers;  // empty: Yes
  std::vector<std::string> questions, warnings, pickerTitles;
  std::string folder;  // empty: the picker is cancelled
  bool askYesNo(const std::string& caption, const std::string& text) override {
    questions.push_back(caption + "|" + text);
    if (answers.empty()) return true;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void warning(const std::string& text) override { warnings.push_back(text); }
  bool pickFolder(const std::string& title, std::string* out) override {
    pickerTitles.push_back(title);
    if (folder.empty()) return false;
    *out = folder;
    return true;
  }
};

class DispositionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kTrashReady);
    fs::create_directory(input());
    fs::create_directory(archive());
    lists.dir = input().string() + "/";
    for (const char* n : {"a.wav", "b.wav", "c.wav"}) {
      writeFile(input() / n, std::string("data of ") + n);
      lists.input.push_back(n);
    }
    lists.passed = {"a.wav", "b.wav"};
    lists.failed = {"c.wav"};
  }
  fs::path input() const { return tmp.path() / "in"; }
  fs::path archive() const { return tmp.path() / "archive"; }

  test::TempDir tmp;
  FakeLists lists;
  ScriptedHost host;
  DispositionState state;
  FileDisposition dispo{state, lists, host};
};

TEST_F(DispositionTest, CopyKeepsEntriesMoveRemovesThemFromResultAndInputLists) {
  state.archiveDirectory = archive().string() + "/";
  lists.passedSelection = 0;
  EXPECT_TRUE(dispo.archive(ResultList::Passed, true));
  EXPECT_EQ(host.questions.at(0), "Archive|This operation will copy file to " +
                                      state.archiveDirectory + " \n  Do you wish to continue ?");
  EXPECT_EQ(readFile(archive() / "a.wav"), "data of a.wav");
  EXPECT_TRUE(fs::exists(input() / "a.wav"));
  EXPECT_EQ(lists.passed.size(), 2u);
  EXPECT_EQ(lists.input.size(), 3u);

  state.passedAction = PassedAction::Move;
  fs::remove(archive() / "a.wav");
  EXPECT_TRUE(dispo.archiveAll(ResultList::Passed, true));
  EXPECT_EQ(host.questions.at(1), "Archive All|This operation will move files to " +
                                      state.archiveDirectory + " \n  Do you wish to continue ?");
  EXPECT_EQ(readFile(archive() / "b.wav"), "data of b.wav");
  EXPECT_FALSE(fs::exists(input() / "a.wav"));
  EXPECT_TRUE(lists.passed.empty());
  EXPECT_EQ(lists.input, std::vector<std::string>{"c.wav"});
  EXPECT_TRUE(host.warnings.empty());
}

TEST_F(DispositionTest, AnsweringNoOrMissingSelectionOrDirectoryDoesNothing) {
  host.answers = {false};
  state.failedAction = FailedAction::Move;
  state.moveDirectory = archive().string() + "/";
  lists.failedSelection = 0;
  EXPECT_FALSE(dispo.move(ResultList::Failed, true));
  EXPECT_EQ(host.questions.at(0),
            "Move|This operation will move file c.wav \n  Do you wish to continue ?");
  EXPECT_TRUE(fs::exists(input() / "c.wav"));
  EXPECT_EQ(lists.failed.size(), 1u);

  lists.failedSelection = -1;
  EXPECT_FALSE(dispo.trash(ResultList::Failed, true));
  EXPECT_EQ(host.warnings.back(), "Warning: No File Selected");

  lists.passedSelection = 0;
  EXPECT_FALSE(dispo.passedButton());  // picker cancelled, no directory
  EXPECT_EQ(host.pickerTitles.back(), "Select archive directory");
  EXPECT_EQ(host.warnings.back(), "No Archive directory is selected ");

  lists.failed.clear();
  const std::size_t asked = host.questions.size();
  EXPECT_FALSE(dispo.moveAll(ResultList::Failed, true));
  EXPECT_EQ(host.questions.size(), asked);  // an empty list asks nothing
}

TEST_F(DispositionTest, PickersStoreDirectoriesAndCancelKeepsThePreviousOne) {
  host.folder = archive().string();
  EXPECT_TRUE(dispo.pickArchiveDirectory());
  EXPECT_EQ(state.archiveDirectory, archive().string() + "/");
  host.folder.clear();
  lists.passedSelection = 1;
  EXPECT_TRUE(dispo.passedAllButton());  // cancelled picker, previous directory used
  EXPECT_TRUE(fs::exists(archive() / "b.wav"));
}

TEST_F(DispositionTest, UnusableTargetLeavesFilesAndEntriesWithOneWarning) {
  writeFile(tmp.path() / "plain", "x");
  for (const fs::path& target : {tmp.path() / "plain", tmp.path() / "missing"}) {
    state.archiveDirectory = target.string() + "/";
    state.passedAction = PassedAction::Move;
    host.warnings.clear();
    EXPECT_FALSE(dispo.archiveAll(ResultList::Passed, false));
    ASSERT_EQ(host.warnings.size(), 1u);
    EXPECT_EQ(host.warnings[0].rfind("2 of 2 files were not moved to ", 0), 0u) << host.warnings[0];
    EXPECT_EQ(lists.passed.size(), 2u);
    EXPECT_EQ(lists.input.size(), 3u);
    EXPECT_TRUE(fs::exists(input() / "a.wav"));
    EXPECT_TRUE(fs::exists(input() / "b.wav"));
  }
}

TEST_F(DispositionTest, AllOperationRemovesExactlyTheHandledEntries) {
  fs::remove(input() / "a.wav");  // listed but gone from the disk
  state.archiveDirectory = archive().string();
  state.passedAction = PassedAction::Move;
  EXPECT_FALSE(dispo.archiveAll(ResultList::Passed, false));
  EXPECT_EQ(lists.passed, std::vector<std::string>{"a.wav"});
  EXPECT_EQ(lists.input, (std::vector<std::string>{"a.wav", "c.wav"}));
  ASSERT_EQ(host.warnings.size(), 1u);
  EXPECT_NE(host.warnings[0].find("1 of 2 files"), std::string::npos);
  EXPECT_NE(host.warnings[0].find("a.wav: "), std::string::npos);
  EXPECT_EQ(host.warnings[0].find("b.wav"), std::string::npos);
}

TEST_F(DispositionTest, ARecordingOfATreeKeepsItsBranchBelowTheTargetNeverThroughALink) {
  // Equal names of two branches meet nowhere.
  writeFile(archive() / "a.wav", "an earlier a.wav");
  lists.subfolders = {{"a.wav", "Site1/n1"}, {"b.wav", "Site2"}};
  state.archiveDirectory = archive().string();
  state.passedAction = PassedAction::Archive;
  EXPECT_TRUE(dispo.archiveAll(ResultList::Passed, false));
  EXPECT_EQ(readFile(archive() / "Site1/n1/a.wav"), "data of a.wav");
  EXPECT_EQ(readFile(archive() / "Site2/b.wav"), "data of b.wav");
  EXPECT_EQ(readFile(archive() / "a.wav"), "an earlier a.wav");

  // A branch of the target that is a link is not gone through, and a
  // branch that would lead out of the target is refused: both files stay.
  const fs::path elsewhere = tmp.path() / "elsewhere";
  fs::create_directory(elsewhere);
  const bool links = test::noSymbolicLinks().empty();
  if (links) {
    fs::create_directory_symlink(elsewhere, archive() / "Linked");
    lists.failed = {"c.wav", "b.wav"};
    lists.subfolders = {{"c.wav", "Linked/n1"}, {"b.wav", "../out"}};
  } else {
    lists.failed = {"b.wav"};
    lists.subfolders = {{"b.wav", "../out"}};
  }
  state.moveDirectory = archive().string();
  EXPECT_FALSE(dispo.moveAll(ResultList::Failed, false));
  EXPECT_TRUE(fs::exists(input() / "c.wav"));
  EXPECT_TRUE(fs::exists(input() / "b.wav"));
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_FALSE(fs::exists(tmp.path() / "out"));
  ASSERT_EQ(host.warnings.size(), 1u);
  if (links) {
    EXPECT_NE(host.warnings[0].find("Linked is a symbolic link"), std::string::npos) << host.warnings[0];
  }
  EXPECT_NE(host.warnings[0].find("../out: not a folder below"), std::string::npos) << host.warnings[0];
}

TEST_F(DispositionTest, ExistingNameIsNeverOverwrittenSilently) {
  writeFile(archive() / "a.wav", "older");
  state.archiveDirectory = archive().string() + "/";
  state.passedAction = PassedAction::Move;
  lists.passedSelection = 0;

  // Timed use: reported, both files stay.
  EXPECT_FALSE(dispo.archive(ResultList::Passed, false));
  EXPECT_NE(host.warnings.at(0).find("already exists in"), std::string::npos);
  EXPECT_EQ(readFile(archive() / "a.wav"), "older");
  EXPECT_TRUE(fs::exists(input() / "a.wav"));

  // Interactive: the user decides.
  host.answers = {true, false};
  EXPECT_FALSE(dispo.archive(ResultList::Passed, true));
  EXPECT_EQ(host.questions.at(1),
            "Archive|a.wav already exists in " + state.archiveDirectory + ". Replace it?");
  EXPECT_EQ(readFile(archive() / "a.wav"), "older");
  EXPECT_EQ(lists.passed.size(), 2u);
  EXPECT_EQ(host.warnings.size(), 1u);  // declining is not a failure to report

  EXPECT_TRUE(dispo.archive(ResultList::Passed, true));
  EXPECT_EQ(readFile(archive() / "a.wav"), "data of a.wav");
  EXPECT_FALSE(fs::exists(input() / "a.wav"));

  // The renamed results file never replaces another one either.
  writeFile(tmp.path() / "r.tmp_txt", "new");
  writeFile(tmp.path() / "r.txt", "kept");
  EXPECT_FALSE(renameFile((tmp.path() / "r.tmp_txt").string(), (tmp.path() / "r.txt").string()));
  EXPECT_EQ(readFile(tmp.path() / "r.txt"), "kept");
  EXPECT_FALSE(renameFile("", (tmp.path() / "x").string()));
  EXPECT_TRUE(renameFile((tmp.path() / "r.tmp_txt").string(), (tmp.path() / "r2.txt").string()));
}

TEST_F(DispositionTest, DeletedFilesGoToTheTrashWithTheirTrashInfo) {
  EXPECT_TRUE(dispo.trashAll(ResultList::Failed, true));
  EXPECT_EQ(host.questions.at(0),
            "Delete All|This operation to move all failed files to the "
            "RECYCLE bin  \n  Do you wish to continue ?");
  ASSERT_TRUE(host.warnings.empty()) << host.warnings[0];
  EXPECT_FALSE(fs::exists(input() / "c.wav"));
  EXPECT_TRUE(lists.failed.empty());
  EXPECT_EQ(lists.input, (std::vector<std::string>{"a.wav", "b.wav"}));
  // The freedesktop.org trash of XDG_DATA_HOME (Windows has its recycle
  // bin, which keeps no such files).
  if (test::trashUnderDataHome()) {
    bool found = false;
    for (const auto& e : fs::directory_iterator(trashHome() / "Trash" / "files")) {
      if (readFile(e.path()) != "data of c.wav") continue;
      found = true;
      const fs::path info =
          trashHome() / "Trash" / "info" / (e.path().filename().string() + ".trashinfo");
      EXPECT_NE(readFile(info).find("Path=" + (input() / "c.wav").string()), std::string::npos);
    }
    EXPECT_TRUE(found);
  }

  // A vanished file is a reported failure and its entry stays.
  fs::remove(input() / "a.wav");
  lists.passedSelection = 0;
  EXPECT_FALSE(dispo.trash(ResultList::Passed, false));
  EXPECT_EQ(host.warnings.size(), 1u);
  EXPECT_EQ(lists.passed.size(), 2u);
}

TEST_F(DispositionTest, TimedDispositionArchivesPassedAndTrashesFailed) {
  dispo.timedDisposition(archive().string());
  EXPECT_EQ(state.archiveDirectory, archive().string());
  EXPECT_EQ(state.passedAction, PassedAction::Move);
  EXPECT_TRUE(fs::exists(archive() / "a.wav"));
  EXPECT_TRUE(fs::exists(archive() / "b.wav"));
  EXPECT_FALSE(fs::exists(input() / "c.wav"));
  EXPECT_TRUE(lists.input.empty());
  EXPECT_TRUE(host.questions.empty());
  EXPECT_TRUE(host.warnings.empty());
}

TEST_F(DispositionTest, FailedRecordingsNotReadWholeStayInPlaceNamedWithTheirReason) {
  writeFile(input() / "d.wav", "cut short");
  lists.input.push_back("d.wav");
  lists.failed = {"c.wav", "d.wav"};
  lists.holds["d.wav"] = "read failed before the end: data ends early";
  state.moveDirectory = archive().string() + "/";
  EXPECT_TRUE(dispo.moveAll(ResultList::Failed, false));
  EXPECT_TRUE(fs::exists(archive() / "c.wav"));
  EXPECT_EQ(readFile(input() / "d.wav"), "cut short");
  EXPECT_EQ(lists.failed, std::vector<std::string>{"d.wav"});
  ASSERT_EQ(host.warnings.size(), 1u);
  EXPECT_EQ(host.warnings[0], "1 of 2 files were left in place:\n" + lists.dir +
                                  "d.wav: it was not read whole (read failed before the end: data "
                                  "ends early)\n");

  // Neither Delete All, nor Delete of the selected entry, nor the timer
  // trashes it.
  EXPECT_TRUE(dispo.trashAll(ResultList::Failed, false));
  lists.failedSelection = 0;
  EXPECT_FALSE(dispo.trash(ResultList::Failed, false));
  EXPECT_EQ(host.warnings.back(), lists.dir + "d.wav was left in place: it was not read whole "
                                              "(read failed before the end: data ends early)");
  dispo.timedDisposition(archive().string());
  EXPECT_EQ(readFile(input() / "d.wav"), "cut short");
  EXPECT_EQ(lists.failed, std::vector<std::string>{"d.wav"});
  // Read in part but with calls enough to pass: filed away as passed.
  EXPECT_FALSE(fs::exists(input() / "a.wav"));
}

TEST_F(DispositionTest, ASelectedRecordingNotReadWholeIsAskedAboutAndCopiesAreMade) {
  writeFile(input() / "d.wav", "cut short");
  lists.input.push_back("d.wav");
  lists.failed = {"c.wav", "d.wav"};
  lists.holds["d.wav"] = "read failed before the end: data ends early";
  lists.failedSelection = 1;
  const std::string why = "it was not read whole (read failed before the end: data ends early)";

  // Delete of the selected one asks, naming why; No keeps it, Yes trashes it.
  host.answers = {false};
  EXPECT_FALSE(dispo.trash(ResultList::Failed, true));
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0], "Delete|" + lists.dir + "d.wav: " + why +
                                   ".\nThis operation will move file d.wav to RECYCLE bin  \n"
                                   "  Do you wish to continue ?");
  EXPECT_TRUE(fs::exists(input() / "d.wav"));
  EXPECT_TRUE(host.warnings.empty());

  // Archive only copies: made, and said to be of a recording not read whole.
  state.archiveDirectory = archive().string() + "/";
  EXPECT_TRUE(dispo.archive(ResultList::Failed, false));
  EXPECT_EQ(readFile(archive() / "d.wav"), "cut short");
  ASSERT_EQ(host.warnings.size(), 1u);
  EXPECT_EQ(host.warnings[0], lists.dir + "d.wav was copied to " + state.archiveDirectory + ", but " + why);
  fs::remove(archive() / "d.wav");
  EXPECT_TRUE(dispo.archiveAll(ResultList::Failed, false));
  EXPECT_EQ(readFile(archive() / "d.wav"), "cut short");
  EXPECT_TRUE(fs::exists(archive() / "c.wav"));
  ASSERT_EQ(host.warnings.size(), 2u);
  EXPECT_EQ(host.warnings[1], "1 of 2 files were copied to " + state.archiveDirectory +
                                  " although not read whole:\n" + lists.dir + "d.wav: " + why + "\n");

  // Unasked (the timer, the batch tool) it is never moved.
  state.moveDirectory = (input().parent_path() / "moved").string() + "/";
  fs::create_directory(input().parent_path() / "moved");
  EXPECT_FALSE(dispo.move(ResultList::Failed, false));
  EXPECT_TRUE(fs::exists(input() / "d.wav"));

  // Move of the selected one, answered Yes: moved.
  host.questions.clear();
  EXPECT_TRUE(dispo.move(ResultList::Failed, true));
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_NE(host.questions[0].find(lists.dir + "d.wav: " + why), std::string::npos);
  EXPECT_EQ(readFile(input().parent_path() / "moved" / "d.wav"), "cut short");
  EXPECT_EQ(lists.failed, std::vector<std::string>{"c.wav"});
}

TEST_F(DispositionTest, ARecordingStillBeingWrittenStaysInEitherList) {
  lists.holds["a.wav"] = "read failed before the end: data ends early";  // passed, read in part
  for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
    ASSERT_TRUE(identityOfPath((input() / name).string(), &lists.opened[name]));
  }
  // The detector goes on writing b.wav and c.wav after the scan opened them.
  std::ofstream(input() / "b.wav", std::ios::app) << " more";
  std::ofstream(input() / "c.wav", std::ios::app) << " more";
  state.archiveDirectory = archive().string() + "/";
  EXPECT_TRUE(dispo.archiveAll(ResultList::Passed, false));
  EXPECT_TRUE(fs::exists(archive() / "a.wav"));
  EXPECT_FALSE(fs::exists(archive() / "b.wav"));
  EXPECT_TRUE(dispo.trashAll(ResultList::Failed, false));
  EXPECT_TRUE(fs::exists(input() / "c.wav"));
  ASSERT_EQ(host.warnings.size(), 2u);
  EXPECT_NE(host.warnings[0].find(lists.dir + "b.wav: it is still being written"), std::string::npos);
  EXPECT_NE(host.warnings[1].find(lists.dir + "c.wav: it is still being written"), std::string::npos);
}

TEST(FileOperations, MoveAcrossFileSystemsKeepsTheDataAndRemovesTheSource) {
  test::TempDir here;
  const std::string other = test::otherFileSystemFolder(here.path().u8string());
  if (other.empty()) GTEST_SKIP() << "no second file system";
  const std::string source = here.file("x.wav");
  writeFile(source, std::string(200000, 'q'));
  const bool modeSet = test::setMode(source, 0640);
  const FileOpResult r = moveIntoDirectory(source, other, Overwrite::Never);
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_FALSE(fs::exists(source));
  const fs::path moved = fs::u8path(other) / "x.wav";
  EXPECT_EQ(fs::file_size(moved), 200000u);
  if (modeSet) {
    EXPECT_EQ(fs::status(moved).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(fs::u8path(other)), fs::directory_iterator()), 1);
  fs::remove_all(fs::u8path(other));
}

TEST(FileOperations, AFileIsNeverCopiedOrMovedOntoItself) {
  test::TempDir dir;
  writeFile(dir.file("a.wav"), "keep");
  EXPECT_FALSE(copyIntoDirectory(dir.file("a.wav"), dir.path().string(), Overwrite::Replace).ok);
  EXPECT_FALSE(moveIntoDirectory(dir.file("a.wav"), dir.path().string(), Overwrite::Replace).ok);
  EXPECT_EQ(readFile(dir.file("a.wav")), "keep");
}

TEST(FileOperations, AnArchiveCopyAlreadyMadeCountsAsArchivedAnotherFileIsKept) {
  // A run interrupted after it archived, then started again.
  test::TempDir dir;
  fs::create_directories(dir.file("archive"));
  writeFile(dir.file("a.wav"), "recording a");
  writeFile(dir.file("b.wav"), "recording b");
  writeFile(dir.file("archive/a.wav"), "recording a");
  writeFile(dir.file("archive/b.wav"), "recording B");  // same size, other bytes
  EXPECT_TRUE(copyIntoDirectory(dir.file("a.wav"), dir.file("archive"), Overwrite::Never).ok);
  const FileOpResult other = copyIntoDirectory(dir.file("b.wav"), dir.file("archive"), Overwrite::Never);
  EXPECT_FALSE(other.ok);
  EXPECT_TRUE(other.targetExists);
  EXPECT_EQ(readFile(dir.file("archive/b.wav")), "recording B");
  EXPECT_EQ(readFile(dir.file("a.wav")), "recording a");
}

}  // namespace
}  // namespace quilve
