// A real scan through the scan worker, driven by the windows' commands,
// against the batch tool on the same recordings; and the Trace window's
// Save Selected and Append Selected on the calls it found.
#include <gtest/gtest.h>

#include <algorithm>

#include "desktop_rig.h"
#include "support/run_program.h"
#include "ui/windows/desktop.h"
#include "ui/windows/trace_window.h"

namespace quilve::ui::test {
namespace {

class DesktopScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(rig.recordings());
    writeRecording(rig.recordings() + "n1_D20140930T010203m000.wav", 0.8, {0.1, 0.3, 0.5, 0.7});
    writeRecording(rig.recordings() + "n2_D20140930T010206m000.wav", 0.4, {0.2});
    writeRecording(rig.recordings() + "n3_D20140930T020000m000.wav", 0.3, {});
  }
  DesktopRig rig;
};

std::size_t lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(DesktopScanTest, ScanAllWritesTheSameResultsFileAsTheBatchTool) {
  rig.selectInput("n1_D20140930T010203m000.wav");
  rig.tk.answerFile(rig.dir.file("desktop.txt"));
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuSelectOutput);
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuScanAll);
  rig.runScan();
  EXPECT_TRUE(rig.warnings().empty());
  const std::string desktop = slurp(rig.dir.file("desktop.txt"));
  EXPECT_EQ(lines(desktop), 1u + 5u);
  EXPECT_EQ(rig.text(rig.results(), results_ids::kBatPasses), "1");

  const quilve::test::ProgramRun run = quilve::test::runProgram(
      std::string(QUILVE_SCAN_BINARY) + " -q -o " + rig.dir.file("batch.txt") + " " + rig.recordings(),
      rig.dir);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(slurp(rig.dir.file("batch.txt")), desktop);
}

TEST_F(DesktopScanTest, SaveAndAppendSelectedWriteTheCallsOfTheLastRecording) {
  rig.selectInput("n1_D20140930T010203m000.wav");
  rig.tk.answerFile(rig.dir.file("scan.txt"));
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuSelectOutput);
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuScan);
  rig.runScan();
  const std::string scanned = slurp(rig.dir.file("scan.txt"));
  ASSERT_EQ(lines(scanned), 5u);

  Window* trace = rig.app->ui().windows.trace;
  rig.tk.answerFile(rig.dir.file("saved"));
  rig.tk.click(trace, trace_ids::kSaveSelected);
  // Saved the same calls as the scan wrote, header included.
  EXPECT_EQ(slurp(rig.dir.file("saved.txt")), scanned);
  rig.tk.answerFile(rig.dir.file("saved.txt"));
  rig.tk.click(trace, trace_ids::kAppendSelected);
  const std::string rows = scanned.substr(scanned.find('\n') + 1);
  EXPECT_EQ(slurp(rig.dir.file("saved.txt")), scanned + rows);
  EXPECT_EQ(rig.state().history.OutputDirectory, rig.dir.path().string() + "/");

  // While a scan runs the calls are being changed: nothing is written.
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuScan);
  ScanWorker& worker = rig.app->worker();
  while (worker.state() != ScanState::Prime) worker.pass();
  rig.tk.dispatchPending();
  rig.tk.clearShown();
  rig.tk.click(trace, trace_ids::kSaveSelected);
  EXPECT_EQ(rig.warnings().size(), 1u);
  rig.runScan();
}

TEST_F(DesktopScanTest, StopEndsScanAllBeforeTheRestOfTheList) {
  rig.selectInput("n1_D20140930T010203m000.wav");
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuScanAll);
  ScanWorker& worker = rig.app->worker();
  while (worker.state() != ScanState::Search) worker.pass();
  rig.tk.dispatchPending();
  ASSERT_TRUE(rig.tk.chooseMenu(rig.main(), main_ids::kMenuStop));
  rig.runScan();
  EXPECT_TRUE(rig.grayed(rig.main(), main_ids::kMenuStop));
  EXPECT_FALSE(rig.grayed(rig.main(), main_ids::kMenuScanAll));
  EXPECT_FALSE(rig.progress()->visible);
  // Neither later recording was reached.
  for (int id : {results_ids::kPassedList, results_ids::kFailedList})
    for (const std::string& name : rig.names(rig.results(), id)) EXPECT_EQ(name.rfind("n1_", 0), 0u) << name;
}

TEST_F(DesktopScanTest, ZeroCrossingFilesFollowOutputDirectoryAfterSaveSelected) {
  // Select Output sets OutputDirectory to the results file's directory; Save
  // Selected into another directory moves it there, and the next scan's
  // zero-crossing files go there too.
  rig.state().settings.OutputFormat = kOutputZcd;
  std::filesystem::create_directories(rig.dir.file("first"));
  std::filesystem::create_directories(rig.dir.file("second"));
  const std::string name = "n1_D20140930T010203m000.00#";
  rig.selectInput("n1_D20140930T010203m000.wav");
  rig.tk.answerFile(rig.dir.file("first/night.00#"));
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuSelectOutput);
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuScan);
  rig.runScan();
  const std::string scanned = slurp(rig.dir.file("first/" + name));
  ASSERT_GT(scanned.size(), 336u);

  rig.tk.answerFile(rig.dir.file("second/saved.00#"));
  rig.tk.click(rig.app->ui().windows.trace, trace_ids::kSaveSelected);
  EXPECT_EQ(rig.state().history.OutputDirectory, rig.dir.file("second") + "/");
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuScan);
  rig.runScan();
  EXPECT_EQ(slurp(rig.dir.file("second/" + name)), scanned);
}

}  // namespace
}  // namespace quilve::ui::test
