// The Scan Results window: Fail File, Clear All, the Options menu and the
// disposition buttons, Scan All over a list whose first file cannot be
// opened, and the begin-of-file and end-of-scan notices.
#include <gtest/gtest.h>

#include "ui/windows/desktop.h"
#include "ui/windows/main_window.h"
#include "desktop_rig.h"
#include "ui/windows/progress_window.h"

namespace quilve::ui::test {
namespace {

using namespace results_ids;

class ScanResultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(rig.recordings());
    writeRecording(rig.recordings() + "r1_D20140930T010203m000.wav", 0.5, {0.1, 0.3});
    writeRecording(rig.recordings() + "r2_D20140930T010300m000.wav", 0.3, {0.1});
    writeRecording(rig.recordings() + "r3_noise.wav", 0.3, {});
  }

  void fill(const std::vector<std::pair<std::string, int>>& passed,
            const std::vector<std::pair<std::string, int>>& failed) {
    {
      std::lock_guard<std::mutex> lock(rig.state().lists.mutex);
      for (const auto& [n, v] : passed) rig.state().lists.passed.add(n, v);
      for (const auto& [n, v] : failed) rig.state().lists.failed.add(n, v);
    }
    rig.app->desktop().showLists();
  }

  DesktopRig rig;
};

TEST_F(ScanResultsTest, FailFileMovesTheLastPassedEntryWithItsCount) {
  rig.selectInput("r1_D20140930T010203m000.wav");
  fill({{"r1_D20140930T010203m000.wav", 2}, {"r2_D20140930T010300m000.wav", 5}}, {{"r3_noise.wav", 0}});
  rig.state().session.batPassCount = 4;
  Window* w = rig.results();
  rig.tk.clickEntry(w, kPassedList, 1);
  EXPECT_TRUE(rig.enabled(w, kFailFile));
  EXPECT_FALSE(rig.enabled(w, kFailedButton));
  // The input list follows the chosen entry.
  EXPECT_EQ(rig.tk.listSelection(rig.main(), main_ids::kInputList), 1);

  rig.tk.click(w, kFailFile);
  EXPECT_EQ(rig.names(w, kPassedList), std::vector<std::string>{"r1_D20140930T010203m000.wav"});
  EXPECT_EQ(rig.tk.listSelection(w, kPassedList), -1);
  int calls = -1;
  const int index = rig.tk.listFind(w, kFailedList, "r2_D20140930T010300m000.wav");
  ASSERT_GE(index, 0);
  rig.tk.listValue(w, kFailedList, index, &calls);
  EXPECT_EQ(calls, 5);
  EXPECT_EQ(rig.tk.listSelection(w, kFailedList), index);
  EXPECT_FALSE(rig.enabled(w, kFailFile));
  EXPECT_FALSE(rig.enabled(w, kPassedButton));
  EXPECT_TRUE(rig.enabled(w, kFailedButton));
  EXPECT_TRUE(rig.enabled(w, kFailedAllButton));
  EXPECT_EQ(rig.text(w, kFilesSelected), "1");
  EXPECT_EQ(rig.text(w, kTotalChirps), "2");
  EXPECT_EQ(rig.text(w, kFilesFailed), "2");
  EXPECT_EQ(rig.text(w, kBatPasses), "4");

  // Nothing selected: Fail File does nothing.
  rig.tk.click(w, kFailFile);
  EXPECT_EQ(rig.names(w, kPassedList).size(), 1u);
}

TEST_F(ScanResultsTest, ClearAllForgetsTheArchiveDirectorySoTheNextArchiveAsks) {
  rig.selectInput("r1_D20140930T010203m000.wav");
  fill({{"r1_D20140930T010203m000.wav", 2}}, {});
  Window* w = rig.results();
  const std::string archive = (rig.dir.path() / "archive").string();
  std::filesystem::create_directories(archive);
  rig.tk.clickEntry(w, kPassedList, 0);
  rig.tk.answerFolder(archive);
  rig.tk.answerQuestion(true);
  rig.tk.click(w, kPassedButton);
  EXPECT_TRUE(std::filesystem::exists(archive + "/r1_D20140930T010203m000.wav"));
  EXPECT_EQ(rig.state().disposition.archiveDirectory, archive + "/");

  rig.tk.click(w, kClearAll);
  EXPECT_TRUE(rig.names(w, kPassedList).empty());
  EXPECT_EQ(rig.state().disposition.archiveDirectory, "");
  for (int id : {kFilesSelected, kTotalChirps, kBatPasses, kFilesFailed}) EXPECT_EQ(rig.text(w, id), "0");
  for (int id : {kFailFile, kPassedButton, kPassedAllButton, kFailedButton, kFailedAllButton})
    EXPECT_FALSE(rig.enabled(w, id));

  // The next Archive opens the picker again; cancelling it archives nothing.
  fill({{"r2_D20140930T010300m000.wav", 1}}, {});
  rig.tk.clickEntry(w, kPassedList, 0);
  rig.tk.answerCancel();
  rig.tk.clearShown();
  rig.tk.click(w, kPassedButton);
  EXPECT_EQ(rig.tk.answersLeft(), 0u);
  EXPECT_EQ(rig.warnings(), std::vector<std::string>{"No Archive directory is selected "});
  EXPECT_FALSE(std::filesystem::exists(archive + "/r2_D20140930T010300m000.wav"));
}

TEST_F(ScanResultsTest, ArchiveAllShowsItsProgressFileByFile) {
  Window* progress = rig.progress();
  ProgressWindow& window = rig.app->desktop().progress();
  window.showDisposition("Archiving Files", 0, 3);
  EXPECT_TRUE(progress->visible);
  EXPECT_EQ(rig.text(progress, progress_ids::kLabel), "Archiving Files - file 1 of 3");
  EXPECT_FALSE(rig.enabled(progress, progress_ids::kPause));
  window.showDisposition("Archiving Files", 2, 3);
  EXPECT_EQ(rig.text(progress, progress_ids::kLabel), "Archiving Files - file 3 of 3");
  EXPECT_EQ(progress->control(progress_ids::kBar)->progress, 66);
  window.showDisposition("Archiving Files", 3, 3);
  EXPECT_FALSE(progress->visible);
  EXPECT_TRUE(rig.enabled(progress, progress_ids::kPause));

  // Through the button: the last file was shown, and the window is gone.
  rig.selectInput("r1_D20140930T010203m000.wav");
  fill({{"r1_D20140930T010203m000.wav", 2}, {"r2_D20140930T010300m000.wav", 1}}, {});
  const std::string archive = (rig.dir.path() / "archive").string();
  std::filesystem::create_directories(archive);
  rig.tk.clickEntry(rig.results(), kPassedList, 0);
  rig.tk.answerFolder(archive);
  rig.tk.answerQuestion(true);
  ASSERT_TRUE(rig.tk.click(rig.results(), kPassedAllButton));
  EXPECT_TRUE(std::filesystem::exists(archive + "/r2_D20140930T010300m000.wav"));
  EXPECT_EQ(rig.text(progress, progress_ids::kLabel), "Archiving Files - file 2 of 2");
  EXPECT_FALSE(progress->visible);
}

TEST_F(ScanResultsTest, OptionsMenuSetsTheActionsAndTheButtonCaptions) {
  Window* w = rig.results();
  EXPECT_EQ(rig.text(w, kPassedButton), "Archive");
  EXPECT_EQ(rig.text(w, kFailedAllButton), "Delete All");
  rig.tk.chooseMenu(w, kMenuPassedMove);
  rig.tk.chooseMenu(w, kMenuFailedMove);
  EXPECT_EQ(rig.text(w, kPassedButton), "Move");
  EXPECT_EQ(rig.text(w, kPassedAllButton), "Move All");
  EXPECT_EQ(rig.text(w, kFailedButton), "Move");
  EXPECT_EQ(rig.text(w, kFailedAllButton), "Move All");
  EXPECT_TRUE(rig.checked(w, kMenuPassedMove));
  EXPECT_FALSE(rig.checked(w, kMenuPassedArchive));
  EXPECT_EQ(rig.state().disposition.passedAction, PassedAction::Move);
  rig.tk.chooseMenu(w, kMenuFailedDelete);
  EXPECT_EQ(rig.text(w, kFailedButton), "Delete");
  EXPECT_FALSE(rig.checked(w, kMenuFailedMove));
}

TEST_F(ScanResultsTest, SelectionCriteriaTakesOnlyNumbers) {
  Window* w = rig.results();
  rig.tk.type(w, kCriteria, "3.9");
  EXPECT_EQ(rig.state().settings.ChirpDetectionThreshold, 3);
  rig.tk.type(w, kCriteria, "3x");
  rig.tk.type(w, kCriteria, "99999999999");
  EXPECT_EQ(rig.state().settings.ChirpDetectionThreshold, 3);
}

TEST_F(ScanResultsTest, ScanAllFailsAnUnopenableFirstFileAndScansTheRest) {
  quilve::test::writeFile(rig.recordings() + "a_broken.wav", {'R', 'I', 'F', 'F'});
  rig.selectInput("r1_D20140930T010203m000.wav");
  rig.tk.clearShown();
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuScanAll);
  Window* w = rig.results();
  EXPECT_TRUE(w->visible);
  ASSERT_EQ(rig.warnings().size(), 1u);
  // The message as it was, and the reason on a line of its own.
  const std::string warning = rig.warnings()[0];
  EXPECT_EQ(warning.rfind("Failed opening file " + rig.recordings() + "a_broken.wav\n", 0), 0u)
      << warning;
  EXPECT_GT(warning.size(), warning.find('\n') + 1) << warning;
  EXPECT_EQ(rig.names(w, kFailedList), std::vector<std::string>{"a_broken.wav"});
  EXPECT_EQ(rig.text(w, kFilesFailed), "1");
  EXPECT_EQ(rig.state().control.currentRecordingPath, rig.recordings() + "r1_D20140930T010203m000.wav");

  // The first recording that opens starts the scan: the controls go gray.
  ScanWorker& worker = rig.app->worker();
  while (worker.state() != ScanState::Prime) worker.pass();
  rig.tk.dispatchPending();
  EXPECT_EQ(rig.main()->title, "  QUILVE - r1_D20140930T010203m000.wav");
  EXPECT_TRUE(rig.progress()->visible);
  EXPECT_EQ(rig.text(rig.progress(), progress_ids::kLabel), "Scanning - r1_D20140930T010203m000.wav");
  for (int id : {main_ids::kSelectInput, main_ids::kInputList, main_ids::kComment,
                 main_ids::kSelectOutput, main_ids::kOutputField})
    EXPECT_FALSE(rig.enabled(rig.main(), id)) << id;
  EXPECT_TRUE(rig.grayed(rig.main(), main_ids::kMenuScan));
  EXPECT_TRUE(rig.grayed(rig.main(), main_ids::kMenuSelectInput));
  EXPECT_FALSE(rig.grayed(rig.main(), main_ids::kMenuStop));
  for (int id : {kPassedList, kFailedList, kClearAll, kFailFile}) EXPECT_FALSE(rig.enabled(w, id));

  rig.runScan();
  EXPECT_FALSE(rig.progress()->visible);
  EXPECT_TRUE(rig.enabled(rig.main(), main_ids::kInputList));
  EXPECT_FALSE(rig.grayed(rig.main(), main_ids::kMenuScanAll));
  EXPECT_TRUE(rig.grayed(rig.main(), main_ids::kMenuStop));
  EXPECT_TRUE(rig.enabled(w, kClearAll));
  EXPECT_EQ(rig.names(w, kPassedList),
            (std::vector<std::string>{"r1_D20140930T010203m000.wav", "r2_D20140930T010300m000.wav"}));
  EXPECT_EQ(rig.names(w, kFailedList), (std::vector<std::string>{"a_broken.wav", "r3_noise.wav"}));
  EXPECT_EQ(rig.text(w, kFilesSelected), "2");
  EXPECT_EQ(rig.text(w, kTotalChirps), "3");
  EXPECT_EQ(rig.text(w, kFilesFailed), "2");
}

TEST_F(ScanResultsTest, MoveAllLeavesARecordingThatCouldNotBeReadWhereItIs) {
  quilve::test::writeFile(rig.recordings() + "a_broken.wav", {'R', 'I', 'F', 'F'});
  rig.selectInput("r1_D20140930T010203m000.wav");
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuScanAll);
  rig.runScan();
  Window* w = rig.results();
  ASSERT_EQ(rig.names(w, kFailedList), (std::vector<std::string>{"a_broken.wav", "r3_noise.wav"}));

  const std::string rejects = (rig.dir.path() / "rejects").string();
  std::filesystem::create_directories(rejects);
  rig.state().disposition.failedAction = FailedAction::Move;
  rig.tk.answerFolder(rejects);
  rig.tk.answerQuestion(true);
  const std::size_t before = rig.warnings().size();
  rig.tk.click(w, kFailedAllButton);
  // The confirmation is Scan Results' own question.
  bool asked = false;
  for (const auto& box : rig.tk.shown()) {
    if (box.dialog || box.kind != MessageKind::Question) continue;
    asked = true;
    EXPECT_EQ(box.owner, w) << box.text;
    EXPECT_EQ(box.icon, BoxIcon::Question);
    EXPECT_EQ(box.beep, BoxBeep::Question);
  }
  EXPECT_TRUE(asked);
  EXPECT_TRUE(std::filesystem::exists(rejects + "/r3_noise.wav"));
  EXPECT_TRUE(std::filesystem::exists(rig.recordings() + "a_broken.wav"));
  EXPECT_FALSE(std::filesystem::exists(rejects + "/a_broken.wav"));
  EXPECT_EQ(rig.names(w, kFailedList), std::vector<std::string>{"a_broken.wav"});
  ASSERT_EQ(rig.warnings().size(), before + 1);
  EXPECT_NE(rig.warnings().back().find(rig.recordings() + "a_broken.wav: it was not read whole"),
            std::string::npos)
      << rig.warnings().back();
}

TEST_F(ScanResultsTest, ScanAllOverAnEmptyListWarnsAndScansNothing) {
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuSelectInput);  // cancelled: empty list
  rig.tk.clearShown();
  rig.app->desktop().main().scanAll();
  EXPECT_EQ(rig.warnings(), std::vector<std::string>{"Failed reseting file list"});
  EXPECT_EQ(rig.state().control.scanRequestCounter, 0u);
}

}  // namespace
}  // namespace quilve::ui::test
