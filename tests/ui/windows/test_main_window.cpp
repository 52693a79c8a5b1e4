// The main window's commands on the headless toolkit: Select Input and
// Select Output with their dialogs, the Action items, the Window menu's
// check marks, the level sliders and the tool windows they show.
#include <gtest/gtest.h>

#include <atomic>
#include <system_error>
#include <thread>

#include "desktop_rig.h"
#include "settings/registry.h"
#include "settings/registry_store.h"
#include "support/platform.h"
#include "timer/operation_timer.h"
#include "ui/app/worker_thread.h"
#include "ui/setup/setup_ids.h"
#include "ui/windows/desktop.h"

namespace quilve::ui::test {
namespace {

using namespace main_ids;

// What the hive at `where` holds under the program's keys, as hive text:
// read back from the file, or on Windows from the registry.
std::string storedHive(const std::string& where) {
  RegistryHive hive(where);
  hive.load(nullptr);
  hive.open(kSettingsKeyPath, false);
  hive.open(kHistoryKeyPath, false);
  return hive.serialize();
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(rig.recordings());
    writeRecording(rig.recordings() + "b_D20140930T010203m000.wav", 0.3, {0.1});
    writeRecording(rig.recordings() + "a_D20140930T010200m000.WAV", 0.3, {0.1});
    quilve::test::writeFile(rig.recordings() + "notes.txt", {'x'});
  }
  DesktopRig rig;
};

TEST_F(MainWindowTest, StartsWithTheActionItemsGrayedAndNoOutput) {
  EXPECT_TRUE(rig.main()->visible);
  EXPECT_EQ(rig.main()->title, "  QUILVE");
  EXPECT_FALSE(rig.results()->visible);
  for (int item : {kMenuScan, kMenuScanAll, kMenuStop}) EXPECT_TRUE(rig.grayed(rig.main(), item));
  EXPECT_EQ(rig.text(rig.main(), kOutputField), "<No File Selected>");
  EXPECT_EQ(rig.text(rig.main(), kComment), "<no comment>");
  EXPECT_TRUE(rig.checked(rig.main(), kMenuUtc));
  EXPECT_TRUE(rig.checked(rig.main(), kMenuExpansion1));
}

TEST_F(MainWindowTest, SelectInputFillsTheListAndEnablesScanning) {
  rig.selectInput("b_D20140930T010203m000.wav");
  EXPECT_TRUE(rig.warnings().empty());
  // Both recordings match "*.w*" whatever their case; the text file does not.
  EXPECT_EQ(rig.names(rig.main(), kInputList),
            (std::vector<std::string>{"a_D20140930T010200m000.WAV", "b_D20140930T010203m000.wav"}));
  EXPECT_EQ(rig.tk.listSelection(rig.main(), kInputList), 1);
  EXPECT_EQ(rig.main()->focus, kInputList);
  EXPECT_FALSE(rig.grayed(rig.main(), kMenuScan));
  EXPECT_FALSE(rig.grayed(rig.main(), kMenuScanAll));
  EXPECT_TRUE(rig.grayed(rig.main(), kMenuStop));
  EXPECT_EQ(rig.state().history.InputDirectory, rig.recordings());
  EXPECT_EQ(rig.state().control.currentRecordingPath, rig.recordings() + "b_D20140930T010203m000.wav");
  EXPECT_EQ(rig.main()->control(kInputList)->horizontalExtent, 6 * 26 + 6);
  EXPECT_EQ(rig.tk.shown().back().text, ";*.wav,*.wv");
}

TEST_F(MainWindowTest, CancelledSelectInputEmptiesTheListAndClearsTheResults) {
  rig.selectInput("b_D20140930T010203m000.wav");
  {
    std::lock_guard<std::mutex> lock(rig.state().lists.mutex);
    rig.state().lists.passed.add("b_D20140930T010203m000.wav", 3);
    rig.state().session.filesSelected = 1;
  }
  rig.app->desktop().showLists();
  rig.tk.answerCancel();
  rig.tk.clearShown();
  rig.tk.chooseMenu(rig.main(), kMenuSelectInput);
  EXPECT_EQ(rig.warnings(), std::vector<std::string>{"Warning: No Input Selected"});
  EXPECT_TRUE(rig.names(rig.main(), kInputList).empty());
  for (int item : {kMenuScan, kMenuScanAll, kMenuStop}) EXPECT_TRUE(rig.grayed(rig.main(), item));
  EXPECT_TRUE(rig.names(rig.results(), results_ids::kPassedList).empty());
  EXPECT_EQ(rig.text(rig.results(), results_ids::kFilesSelected), "0");
  EXPECT_EQ(rig.state().session.filesSelected, 0u);
}

TEST_F(MainWindowTest, AChosenFileNotMatchingTheListPatternLeavesScanningGrayed) {
  rig.selectInput("notes.txt");
  EXPECT_EQ(rig.names(rig.main(), kInputList).size(), 2u);
  EXPECT_EQ(rig.tk.listSelection(rig.main(), kInputList), -1);
  EXPECT_TRUE(rig.grayed(rig.main(), kMenuScan));
  EXPECT_TRUE(rig.grayed(rig.main(), kMenuScanAll));
  EXPECT_EQ(rig.warnings(), std::vector<std::string>{"Warning: Selected file not found in input list"});
}

TEST_F(MainWindowTest, SelectOutputTakesThePathAndRaisesTheNewFileFlag) {
  rig.tk.answerFile(rig.dir.file("night1"));
  rig.tk.click(rig.main(), kSelectOutput);
  EXPECT_EQ(rig.state().control.resultsPath, rig.dir.file("night1.txt"));
  EXPECT_EQ(rig.text(rig.main(), kOutputField), "night1.txt");
  EXPECT_TRUE(rig.state().control.newResultsFile);
  // The folder with its separator, as the chosen path spells it.
  const std::string chosen = rig.dir.file("night1");
  EXPECT_EQ(rig.state().history.OutputDirectory, chosen.substr(0, chosen.size() - 6));

  // Zero-crossing output asks for its own pattern; cancelling forgets the file.
  rig.state().settings.OutputFormat = kOutputZcd;
  rig.tk.answerCancel();
  rig.tk.chooseMenu(rig.main(), kMenuSelectOutput);
  EXPECT_EQ(rig.tk.shown().back().text, ";*.00#");
  EXPECT_EQ(rig.state().control.resultsPath, "");
  EXPECT_EQ(rig.text(rig.main(), kOutputField), "<No File Selected>");

  // A path the program cannot hold is refused and the earlier choice stays.
  rig.tk.answerFile(rig.dir.file("kept.txt"));
  rig.tk.click(rig.main(), kSelectOutput);
  rig.tk.answerFile(rig.dir.file(std::string(520, 'n') + ".txt"));
  rig.tk.click(rig.main(), kSelectOutput);
  EXPECT_EQ(rig.state().control.resultsPath, rig.dir.file("kept.txt"));
  ASSERT_FALSE(rig.warnings().empty());
  EXPECT_NE(rig.warnings().back().find("too long"), std::string::npos);
}

TEST_F(MainWindowTest, MenuChoicesSetTheSettingsAndTheirChecks) {
  rig.tk.chooseMenu(rig.main(), kMenuLocal);
  EXPECT_EQ(rig.state().settings.TimeStandard, kTimeLocal);
  EXPECT_TRUE(rig.checked(rig.main(), kMenuLocal));
  EXPECT_FALSE(rig.checked(rig.main(), kMenuUtc));
  rig.tk.chooseMenu(rig.main(), kMenuExpansion10);
  EXPECT_EQ(rig.state().settings.DefaultExpansionFactor, 10);
  EXPECT_TRUE(rig.checked(rig.main(), kMenuExpansion10));
  EXPECT_FALSE(rig.checked(rig.main(), kMenuExpansion1));
}

TEST_F(MainWindowTest, WindowMenuChecksFollowTheToolWindows) {
  Window* results = rig.results();
  rig.tk.chooseMenu(rig.main(), kMenuSetupScanResults);
  EXPECT_TRUE(results->visible);
  EXPECT_TRUE(rig.checked(rig.main(), kMenuWindowScanResults));
  rig.tk.requestClose(results);
  EXPECT_FALSE(results->visible);
  EXPECT_FALSE(rig.checked(rig.main(), kMenuWindowScanResults));

  Window* trace = rig.app->ui().windows.trace;
  rig.tk.chooseMenu(rig.main(), kMenuWindowTrace);
  EXPECT_TRUE(trace->visible);
  EXPECT_TRUE(rig.checked(rig.main(), kMenuWindowTrace));
  rig.tk.requestClose(trace);
  EXPECT_FALSE(rig.checked(rig.main(), kMenuWindowTrace));
}

TEST_F(MainWindowTest, LevelSlidersLabelTheirValueWhileMoving) {
  rig.tk.moveSlider(rig.main(), kBrightness, 30);
  EXPECT_EQ(rig.text(rig.main(), kBrightnessLabel), "Brightness = 30");
  EXPECT_FLOAT_EQ(rig.state().settings.SonoBrightness, 70.0f);
  rig.tk.releaseSlider(rig.main(), kBrightness);
  EXPECT_EQ(rig.text(rig.main(), kBrightnessLabel), "Brightness");
  rig.tk.moveSlider(rig.main(), kContrast, 5);
  EXPECT_EQ(rig.text(rig.main(), kContrastLabel), "Contrast =  5");
  EXPECT_FLOAT_EQ(rig.state().settings.SonoContrast, 95.0f);
}

TEST_F(MainWindowTest, ProgressWindowPausesAndCannotBeClosed) {
  Window* progress = rig.progress();
  rig.tk.show(progress);
  rig.tk.click(progress, progress_ids::kPause);
  EXPECT_TRUE(rig.state().control.pauseFlag);
  EXPECT_EQ(rig.text(progress, progress_ids::kPause), "Continue");
  rig.tk.click(progress, progress_ids::kPause);
  EXPECT_FALSE(rig.state().control.pauseFlag);
  EXPECT_EQ(rig.text(progress, progress_ids::kPause), "Pause");
  rig.tk.clearShown();
  rig.tk.requestClose(progress);
  EXPECT_TRUE(progress->visible);
  ASSERT_EQ(rig.tk.shown().size(), 1u);
  EXPECT_EQ(rig.tk.shown()[0].text, "Current scan must complete before exiting");
  EXPECT_EQ(rig.tk.shown()[0].caption, "Progress Message");
}

TEST_F(MainWindowTest, AboutRunsModallyAndReturnsToTheProgram) {
  Window* about = rig.app->ui().windows.about;
  // The About window closes itself from within its own loop.
  rig.tk.post([&] { rig.tk.requestClose(about); });
  rig.tk.chooseMenu(rig.main(), kMenuAbout);
  EXPECT_FALSE(about->visible);
  EXPECT_EQ(rig.text(about, about_ids::kLibrary), "WAVPACK - Hybrid Lossless Wavefile Compressor");
  // The main window takes commands again.
  rig.tk.chooseMenu(rig.main(), kMenuLocal);
  EXPECT_EQ(rig.state().settings.TimeStandard, kTimeLocal);
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheProgramAndSavesTheHive) {
  rig.tk.chooseMenu(rig.main(), kMenuExpansion10);
  rig.tk.answerFile(rig.dir.file("out.txt"));
  rig.tk.click(rig.main(), kSelectOutput);
  rig.tk.post([&] { rig.tk.requestClose(rig.main()); });
  rig.tk.runLoop();  // returns once the close request has ended the loop
  rig.app->shutDown();
  const std::string hive = storedHive(rig.hive.hive());
  EXPECT_NE(hive.find("DefaultExpansionFactor"), std::string::npos) << hive;
  // The folder's name (the hive text escapes Windows' backslashes).
  EXPECT_NE(hive.find(rig.dir.path().filename().string()), std::string::npos) << hive;

  HeadlessToolkit tk2;
  Application second(tk2, rig.hive.hive(), false);
  second.start();
  EXPECT_EQ(second.state().settings.DefaultExpansionFactor, 10);
  const std::string chosen = rig.dir.file("out.txt");
  EXPECT_EQ(second.state().history.OutputDirectory, chosen.substr(0, chosen.size() - 7));
  second.shutDown();
}

}  // namespace
}  // namespace quilve::ui::test

namespace quilve::ui::test {
namespace {

TEST(TimerWindowLink, ATimerTickShowsTheClockAndStatusOnTheWindowThread) {
  DesktopRig rig;
  rig.app->timer().tick();
  Window* timer = rig.app->ui().windows.timer;
  rig.tk.dispatchPending();
  const std::string clock = rig.text(timer, timer_ids::kCurrentTime);
  ASSERT_EQ(clock.size(), 8u) << clock;
  EXPECT_EQ(clock[2], ':');
  EXPECT_EQ(clock[5], ':');
  EXPECT_EQ(rig.text(timer, timer_ids::kStatus), "IDLE");
}

}  // namespace
}  // namespace quilve::ui::test

namespace quilve::ui::test {
namespace {

TEST(DesktopStart, AnUnreadableHiveIsSetAsideWithAWarningAndDefaultsAreUsed) {
  SKIP_WITHOUT(quilve::test::noHiveFile());
  TempDir dir;
  const std::string hive = dir.file("hive.reg");
  quilve::test::writeFile(hive, {'n', 'o', 't', ' ', 'a', ' ', 'h', 'i', 'v', 'e', '\n'});
  HeadlessToolkit tk;
  Application app(tk, hive, false);
  app.start();
  ASSERT_EQ(tk.shown().size(), 1u);
  EXPECT_EQ(tk.shown()[0].kind, MessageKind::Warning);
  EXPECT_NE(tk.shown()[0].text.find(hive + ".corrupt"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(hive + ".corrupt"));
  EXPECT_EQ(app.state().settings.DefaultExpansionFactor, ScanSettings{}.DefaultExpansionFactor);
  app.shutDown();
  // The next start finds the hive written afresh.
  EXPECT_TRUE(std::filesystem::exists(hive));
}

TEST(DesktopStart, AnUnreadableHiveThatCannotBeSetAsideIsSaidSoAndKept) {
  SKIP_WITHOUT(quilve::test::noHiveFile());
  TempDir dir;
  const std::string hive = dir.file("hive.reg");
  const quilve::test::Bytes bytes{'n', 'o', 't', ' ', 'a', ' ', 'h', 'i', 'v', 'e', '\n'};
  quilve::test::writeFile(hive, bytes);
  // A folder holding a file where the set-aside copy would go: the rename fails.
  std::filesystem::create_directories(hive + ".corrupt");
  quilve::test::writeFile(hive + ".corrupt/x", {'x'});
  HeadlessToolkit tk;
  Application app(tk, hive, false);
  app.start();
  ASSERT_EQ(tk.shown().size(), 1u);
  const std::string& text = tk.shown()[0].text;
  EXPECT_EQ(text.find("set aside as"), std::string::npos) << text;
  EXPECT_NE(text.find("could not be set aside"), std::string::npos) << text;
  app.state().settings.DefaultExpansionFactor = 10;
  app.shutDown();
  // The file the user may still want is not written over at exit.
  EXPECT_EQ(slurp(hive), std::string(bytes.begin(), bytes.end()));
}

// The system refuses new threads: the program runs without the workers it
// could not start, says nothing about it, and still ends and saves.
TEST(DesktopStart, WorkersWhoseThreadCannotBeMadeAreLeftOutSilently) {
  for (const int refusedFrom : {0, 1}) {  // both threads; only the timer's
    TempDir dir;
    const quilve::test::HiveLocation location(dir);
    HeadlessToolkit tk;
    {
      Application app(tk, location.hive());
      int made = 0;
      app.setThreadLauncher([&](std::function<void()> body) {
        if (made++ >= refusedFrom)
          throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::move(body));
      });
      ASSERT_NO_THROW(app.start());
      EXPECT_EQ(made, 2);
      EXPECT_TRUE(tk.shown().empty()) << tk.shown()[0].text;
      app.state().settings.DefaultExpansionFactor = 10;
      tk.post([&] { tk.requestClose(app.ui().windows.main); });
      EXPECT_EQ(app.run(), 0);  // start() again does nothing; the joins return
    }
    HeadlessToolkit tk2;
    Application second(tk2, location.hive(), false);
    second.start();
    EXPECT_EQ(second.state().settings.DefaultExpansionFactor, 10) << refusedFrom;
  }
}

TEST(WorkerThread, RunsItsBodyOrReportsThatItCouldNotStart) {
  WorkerThread ok;
  std::atomic<bool> ran{false};
  EXPECT_TRUE(ok.start([&] { ran = true; }));
  ok.join();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(ok.started());
  WorkerThread refused;
  EXPECT_FALSE(refused.start([&] { ADD_FAILURE() << "ran"; }, [](std::function<void()>) -> std::thread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  }));
  refused.join();  // at once
  EXPECT_FALSE(refused.started());
}

TEST(DesktopStart, AHiveThatCannotBeSavedIsReportedAtExit) {
  TempDir dir;
  const quilve::test::HiveLocation location(dir);
  HeadlessToolkit tk;
  Application app(tk, location.unwritable(), false);
  app.start();
  tk.clearShown();
  app.shutDown();
  ASSERT_EQ(tk.shown().size(), 2u);
  EXPECT_EQ(tk.shown()[0].text, "Failed writing one or more save state values");
  EXPECT_EQ(tk.shown()[1].text, "Failed writing one or more history values");
}

}  // namespace
}  // namespace quilve::ui::test
