// The Operation Timer window over the headless toolkit: the clock and status
// fields, the two activation methods and their fields, and the program rows
// with their pickers and enabling rules.
#include "setup_test_fixture.h"
#include "ui/setup/operation_timer_window.h"
#include "ui/setup/setup_ids.h"

namespace quilve::ui::test {
namespace {

using namespace timer_ids;

class TimerWindowTest : public SetupWindowTest {
 protected:
  void SetUp() override { build(); }
  void build() {
    w = timer.create();
    ASSERT_NE(w, nullptr);
  }
  // Picks an input directory and a results file for program n.
  void completeProgram(int n, const std::string& input, const std::string& output) {
    tk.answerFolder(input);
    ASSERT_TRUE(tk.click(w, programInput(n)));
    tk.answerFile(output);
    ASSERT_TRUE(tk.click(w, programOutput(n)));
  }
  OperationTimerWindow timer{ui};
  Window* w = nullptr;
};

TEST_F(TimerWindowTest, IsAHiddenToolWindowWithTheInitialClockAndState) {
  EXPECT_EQ(ui.windows.timer, w);
  EXPECT_EQ(w->kind, WindowKind::Tool);
  EXPECT_EQ(w->title, "Operation Timer");
  EXPECT_EQ(w->width, 688);
  EXPECT_EQ(w->height, 352);
  EXPECT_EQ(w->x, 138);
  EXPECT_EQ(w->y, 206);
  EXPECT_FALSE(w->visible);
  // A plain background in the button-face colour, across the whole width.
  ASSERT_EQ(w->canvas.width(), 688);
  for (const int x : {0, 400, 687})
    EXPECT_EQ(w->canvas.pixel(x, 351), Toolkit::kDefaultFaceColour) << x;
  EXPECT_EQ(text(w, kCurrentTime), "00:00:00");
  EXPECT_EQ(text(w, kTimeStandard), "UTC");
  EXPECT_EQ(text(w, kStatus), "IDLE");
  EXPECT_EQ(text(w, kStartTime), "00:00:00");
  EXPECT_EQ(text(w, kInterval), "1");
  EXPECT_EQ(text(w, kOutputCaption), "Ouput File");
  EXPECT_FALSE(checked(w, kRunAt));
  EXPECT_FALSE(checked(w, kRunEvery));
  EXPECT_TRUE(enabled(w, kRunAt));
  for (int n = 1; n <= 4; ++n) {
    EXPECT_EQ(text(w, programInputLabel(n)), "<No directory selected>");
    EXPECT_EQ(text(w, programOutputLabel(n)), "<No file selected>");
    EXPECT_EQ(text(w, programArchiveLabel(n)), "<No archive selected>");
    EXPECT_FALSE(enabled(w, programEnable(n)));
    EXPECT_TRUE(enabled(w, programInput(n)));
  }
}

TEST_F(TimerWindowTest, ClockStatusAndStartTimeTextGoThroughTheFields) {
  timer.showClock("22:05:09", "Local");
  timer.showStatus("SCANNING 2");
  EXPECT_EQ(text(w, kCurrentTime), "22:05:09");
  EXPECT_EQ(text(w, kTimeStandard), "Local");
  EXPECT_EQ(text(w, kStatus), "SCANNING 2");
  tk.type(w, kStartTime, "7:5:9");
  EXPECT_EQ(timer.startTimeText(), "7:5:9");
  tk.type(w, kStartTime, std::string(80, '1'));
  EXPECT_EQ(timer.startTimeText().size(), 63u);
}

TEST_F(TimerWindowTest, StartTimeFieldEnablesRunScanAtOnlyForAValidTime) {
  ASSERT_TRUE(tk.type(w, kStartTime, "12:00"));
  EXPECT_FALSE(enabled(w, kRunAt));
  EXPECT_TRUE(app.settings.ProgramStartTime.empty());
  EXPECT_FALSE(tk.click(w, kRunAt));
  tk.type(w, kStartTime, "12:00:00");
  EXPECT_TRUE(enabled(w, kRunAt));
  EXPECT_EQ(app.settings.ProgramStartTime, "12:00:00");
  for (const char* bad : {"24:00:00", "12:60:00", " 12:00:00", "12:00:00:00", "-1:00:00"}) {
    tk.type(w, kStartTime, bad);
    EXPECT_FALSE(enabled(w, kRunAt)) << bad;
    EXPECT_EQ(app.settings.ProgramStartTime, "12:00:00") << bad;
  }
}

TEST_F(TimerWindowTest, TheTwoActivationMethodsExcludeEachOther) {
  ASSERT_TRUE(tk.click(w, kRunAt));
  EXPECT_EQ(app.settings.TimerOperationMode, kTimerRunAt);
  EXPECT_FALSE(enabled(w, kStartTime));
  EXPECT_FALSE(tk.type(w, kStartTime, "1:00:00"));

  ASSERT_TRUE(tk.click(w, kRunEvery));
  EXPECT_EQ(app.settings.TimerOperationMode, kTimerRunEvery);
  EXPECT_FALSE(checked(w, kRunAt));
  EXPECT_TRUE(enabled(w, kStartTime));
  EXPECT_FALSE(enabled(w, kInterval));

  ASSERT_TRUE(tk.click(w, kRunEvery));
  EXPECT_EQ(app.settings.TimerOperationMode, kTimerOff);
  EXPECT_TRUE(enabled(w, kInterval));
  EXPECT_FALSE(checked(w, kRunAt));
  EXPECT_FALSE(checked(w, kRunEvery));
}

TEST_F(TimerWindowTest, StoredModesAreShownWithTheirFieldLocked) {
  app.settings.TimerOperationMode = kTimerRunEvery;
  app.settings.RepeatIntervalMinutes = 15;
  app.settings.ProgramStartTime = "06:30:00";
  app.settings.TimeStandard = kTimeLocal;
  timer.refresh();
  EXPECT_TRUE(checked(w, kRunEvery));
  EXPECT_FALSE(enabled(w, kInterval));
  EXPECT_EQ(text(w, kInterval), "15");
  EXPECT_EQ(text(w, kStartTime), "06:30:00");
  EXPECT_EQ(text(w, kTimeStandard), "Local");

  // A stored mode with an unusable value can still be switched off.
  app.settings.TimerOperationMode = kTimerRunAt;
  app.settings.ProgramStartTime = "25:00:00";
  timer.refresh();
  EXPECT_TRUE(enabled(w, kRunAt));
  ASSERT_TRUE(tk.click(w, kRunAt));
  EXPECT_EQ(app.settings.TimerOperationMode, kTimerOff);
  EXPECT_TRUE(enabled(w, kStartTime));
}

TEST_F(TimerWindowTest, IntervalFieldRoundsToWholeMinutesAndRefusesLessThanOne) {
  tk.type(w, kInterval, "2.5");
  EXPECT_EQ(app.settings.RepeatIntervalMinutes, 3);
  EXPECT_TRUE(enabled(w, kRunEvery));
  tk.type(w, kInterval, "7.4");
  EXPECT_EQ(app.settings.RepeatIntervalMinutes, 7);
  for (const char* bad : {"abc", "", "0", "0.4", "-5", "5 min"}) {
    tk.type(w, kInterval, bad);
    EXPECT_FALSE(enabled(w, kRunEvery)) << bad;
    EXPECT_EQ(app.settings.RepeatIntervalMinutes, 7) << bad;
  }
  tk.type(w, kInterval, "0.5");
  EXPECT_EQ(app.settings.RepeatIntervalMinutes, 1);
  EXPECT_TRUE(enabled(w, kRunEvery));
}

TEST_F(TimerWindowTest, AProgramCanBeEnabledOnceItHasInputAndResultsFile) {
  tk.answerFolder("/data/night1/");
  ASSERT_TRUE(tk.click(w, programInput(2)));
  EXPECT_EQ(app.history.Program2InputDirectory, "/data/night1");
  EXPECT_EQ(text(w, programInputLabel(2)), "night1");
  EXPECT_FALSE(enabled(w, programEnable(2)));

  tk.answerFile("/out/runs/night.txt");
  ASSERT_TRUE(tk.click(w, programOutput(2)));
  EXPECT_EQ(tk.shown().back().text, ";*.txt");
  EXPECT_EQ(app.history.Program2OutputFileName, "/out/runs/night.txt");
  EXPECT_EQ(app.history.Program2OutputDirectory, "/out/runs/");
  EXPECT_EQ(text(w, programOutputLabel(2)), "night.txt");
  EXPECT_TRUE(enabled(w, programEnable(2)));
  EXPECT_FALSE(enabled(w, programEnable(1)));

  ASSERT_TRUE(tk.click(w, programEnable(2)));
  EXPECT_TRUE(app.settings.TimerProgram2Enable);
  for (int id : {programInput(2), programOutput(2), programArchive(2)}) EXPECT_FALSE(enabled(w, id));
  EXPECT_TRUE(enabled(w, programInput(3)));
  ASSERT_TRUE(tk.click(w, programEnable(2)));
  EXPECT_FALSE(app.settings.TimerProgram2Enable);
  EXPECT_TRUE(enabled(w, programOutput(2)));
}

TEST_F(TimerWindowTest, ACancelledOutputPickClearsTheNameAndDisablesTheProgram) {
  completeProgram(1, "/data/a", "/out/a.txt");
  ASSERT_TRUE(enabled(w, programEnable(1)));
  tk.answerCancel();
  ASSERT_TRUE(tk.click(w, programOutput(1)));
  EXPECT_TRUE(app.history.Program1OutputFileName.empty());
  EXPECT_EQ(app.history.Program1OutputDirectory, "/out/");  // start of the next pick
  EXPECT_EQ(text(w, programOutputLabel(1)), "<No file selected>");
  EXPECT_FALSE(enabled(w, programEnable(1)));
  EXPECT_FALSE(tk.click(w, programEnable(1)));
  EXPECT_FALSE(app.settings.TimerProgram1Enable);

  tk.answerFile("/out/b.txt");
  tk.click(w, programOutput(1));
  EXPECT_TRUE(enabled(w, programEnable(1)));
}

TEST_F(TimerWindowTest, ACancelledInputPickClearsTheDirectory) {
  completeProgram(3, "/data/c", "/out/c.txt");
  tk.answerCancel();
  tk.click(w, programInput(3));
  EXPECT_TRUE(app.history.Program3InputDirectory.empty());
  EXPECT_EQ(text(w, programInputLabel(3)), "<No directory selected>");
  EXPECT_FALSE(enabled(w, programEnable(3)));
}

TEST_F(TimerWindowTest, TheArchiveDirectoryIsOptional) {
  completeProgram(4, "/data/d", "/out/d.txt");
  tk.answerFolder("/archive/bats");
  tk.click(w, programArchive(4));
  EXPECT_EQ(app.history.Program4ArchiveDirectory, "/archive/bats");
  EXPECT_EQ(text(w, programArchiveLabel(4)), "bats");
  tk.answerCancel();
  tk.click(w, programArchive(4));
  EXPECT_TRUE(app.history.Program4ArchiveDirectory.empty());
  EXPECT_EQ(text(w, programArchiveLabel(4)), "<No archive selected>");
  EXPECT_TRUE(enabled(w, programEnable(4)));
}

TEST_F(TimerWindowTest, ZeroCrossingOutputPicksWithItsOwnFilter) {
  app.settings.OutputFormat = kOutputZcd;
  tk.answerFile("/out/zc");
  tk.click(w, programOutput(1));
  EXPECT_EQ(tk.shown().back().text, ";*.00#");
  EXPECT_EQ(app.history.Program1OutputFileName, "/out/zc.00#");
}

TEST_F(TimerWindowTest, OverlongPicksAreRefusedWithAWarningAndChangeNothing) {
  completeProgram(1, "/data/a", "/out/a.txt");
  const std::string longDir = "/" + std::string(300, 'x');
  tk.answerFolder(longDir);
  tk.click(w, programInput(1));
  tk.answerFile(longDir + "/night.txt");
  tk.click(w, programOutput(1));
  tk.answerFolder(longDir);
  tk.click(w, programArchive(1));
  EXPECT_EQ(warningsShown(), 3);
  EXPECT_EQ(app.history.Program1InputDirectory, "/data/a");
  EXPECT_EQ(app.history.Program1OutputFileName, "/out/a.txt");
  EXPECT_EQ(app.history.Program1OutputDirectory, "/out/");
  EXPECT_TRUE(app.history.Program1ArchiveDirectory.empty());
  EXPECT_EQ(text(w, programInputLabel(1)), "a");
  EXPECT_TRUE(enabled(w, programEnable(1)));

  // 259 characters still fit.
  const std::string fits = "/" + std::string(258, 'y');
  tk.answerFolder(fits);
  tk.click(w, programArchive(1));
  EXPECT_EQ(app.history.Program1ArchiveDirectory, fits);
  EXPECT_EQ(warningsShown(), 3);
}

TEST_F(TimerWindowTest, StoredProgramsAreShownAndAnEnabledOneCanBeSwitchedOff) {
  app.history.Program1InputDirectory = "/data/night1";
  app.history.Program1OutputFileName = "/out/night.txt";
  app.history.Program1ArchiveDirectory = "/archive";
  app.settings.TimerProgram1Enable = true;
  // Enabled, but its paths are gone.
  app.settings.TimerProgram2Enable = true;
  timer.refresh();
  EXPECT_TRUE(checked(w, programEnable(1)));
  EXPECT_EQ(text(w, programInputLabel(1)), "night1");
  EXPECT_EQ(text(w, programOutputLabel(1)), "night.txt");
  EXPECT_EQ(text(w, programArchiveLabel(1)), "archive");
  EXPECT_FALSE(enabled(w, programInput(1)));

  ASSERT_TRUE(tk.click(w, programEnable(2)));
  EXPECT_FALSE(app.settings.TimerProgram2Enable);
  EXPECT_FALSE(enabled(w, programEnable(2)));
  EXPECT_TRUE(enabled(w, programInput(2)));
}

TEST_F(TimerWindowTest, CloseHidesTheWindowAndUnchecksItsMenuItem) {
  tk.show(w);
  tk.checkMenuItem(ui.windows.main, main_ids::kMenuWindowTimer);
  tk.requestClose(w);
  EXPECT_FALSE(w->visible);
  EXPECT_FALSE(menuChecked(main_ids::kMenuWindowTimer));
}

}  // namespace
}  // namespace quilve::ui::test
