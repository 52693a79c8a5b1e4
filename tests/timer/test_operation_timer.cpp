#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "support/temp_dir.h"
#include "support/wav_writer.h"
#include "timer/operation_timer.h"
#include "timer/start_time.h"

namespace quilve {
namespace {

namespace fs = std::filesystem;

// A clock that advances one second per sleep; `onSleep` plays the scan worker.
struct FakeClock : TimerClock {
  std::time_t seconds = 0;
  int localOffset = 2 * 3600;
  std::function<void()> onSleep;
  CivilTime now(bool local) override {
    const std::time_t s = seconds + (local ? localOffset : 0);
    std::tm tm{};
    gmtime_r(&s, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  }
  void sleep(std::chrono::milliseconds) override {
    ++seconds;
    if (onSleep) onSleep();
  }
};

struct RecordingHost : TimerHost, DispositionHost, Reporter {
  std::string startTime = "12:00:00", clock, standard, status = "IDLE";
  std::vector<std::string> traces, warnings;
  void showClock(const std::string& t, const std::string& s) override { clock = t, standard = s; }
  void showStatus(const std::string& s) override { status = s; }
  std::string startTimeText() override { return startTime; }
  void showScanResults() override {}
  void inputListRefilled() override {}
  void showResultsFileName(const std::string&) override {}
  void resultsCleared() override {}
  void showComment(const std::string&) override {}
  bool askYesNo(const std::string&, const std::string&) override { return false; }
  void warning(const std::string& t) override { warnings.push_back(t); }
  bool pickFolder(const std::string&, std::string*) override { return false; }
  void trace(const std::string& t) override { traces.push_back(t); }
};

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(tmp.path() / "in");
    fs::create_directory(tmp.path() / "out");
    fs::create_directory(tmp.path() / "archive");
    test::writeFile(tmp.file("in/n1.wav"),
                    test::pcmWav(250000, 1, 16, test::pcm16(std::vector<std::int16_t>(600))));
    history.Program1InputDirectory = tmp.file("in");
    history.Program1OutputFileName = tmp.file("out/night.txt");
    history.Program1ArchiveDirectory = tmp.file("archive");
    control.scanDone = true;  // the worker is idle
    clock.onSleep = [this] { worker(); };
  }

  // Takes up a request and, when `finishScans`, scans it at once: every
  // input entry passes and one results line is written.
  void worker() {
    if (control.scanRequestCounter == taken) return;
    if (!finishScans) return;
    taken = control.scanRequestCounter;
    for (const FileEntry& e : lists.input.entries()) lists.passed.add(e.name, 3);
    std::ofstream(control.resultsPath) << "row\n";
    control.scanDone = true;
  }

  // Ticks until the clock reads `untilSecond`, recording the status of each.
  std::map<int, std::string> runDay(int untilSecond) {
    std::map<int, std::string> statusAt;
    while (clock.seconds < untilSecond) {
      timer.tick();
      statusAt[static_cast<int>(clock.seconds)] = host.status;
      clock.sleep(std::chrono::seconds(1));
    }
    return statusAt;
  }

  test::TempDir tmp;
  ScanSettings settings;
  DirectoryHistory history;
  ScanControl control;
  ScanLists lists;
  ScanSession session;
  DispositionState disposition;
  RecordingHost host;
  FakeClock clock;
  std::uint32_t taken = 0;
  bool finishScans = true;
  OperationTimer timer{TimerContext{settings, history, control, lists, session, disposition, host,
                                    clock, host, host}};
};

TEST(StartTime, ParsesOnlyThreeFieldsInRange) {
  int a = -1, b = -1;
  EXPECT_TRUE(parseStartTime("7:5:9", &a));
  EXPECT_TRUE(parseStartTime("07:05:09", &b));
  EXPECT_EQ(a, 25509);
  EXPECT_EQ(a, b);
  EXPECT_TRUE(parseStartTime("0000023:59:59", &a));
  EXPECT_EQ(a, 86399);
  for (const char* bad : {"24:00:00", "12:60:00", "12:00:60", "12:00", " 12:00:00", "12:00:00 ",
                          "12:00:00:00", "+1:00:00", "12::00", "", "1a:00:00"}) {
    EXPECT_FALSE(parseStartTime(bad, &a)) << bad;
  }
}

TEST(TimerNames, StampedResultsNamesKeepDirectoryDots) {
  const CivilTime t{2026, 7, 1, 22, 5, 9};
  EXPECT_EQ(timedResultsNames("/out/night.txt", t).temporary,
            "/out/night_D20260701T220509.tmp_txt");
  EXPECT_EQ(timedResultsNames("/out/night.txt", t).final, "/out/night_D20260701T220509.txt");
  EXPECT_EQ(timedResultsNames("/out/night", t).final, "/out/night_D20260701T220509.txt");
  EXPECT_EQ(timedResultsNames("/out.old/night", t).final, "/out.old/night_D20260701T220509.txt");
}

TEST(TimerOffset, IntervalsBelowOneMinuteCountAsOne) {
  for (int minutes : {0, -5, 1}) {
    EXPECT_EQ(timerOffset(kTimerRunEvery, 3600 + 31, "", minutes), -29) << minutes;
    EXPECT_EQ(timerOffset(kTimerRunEvery, 3600 + 30, "", minutes), 30) << minutes;
  }
  EXPECT_EQ(timerOffset(kTimerOff, 43200, "12:00:00", 1), -43200);
  EXPECT_EQ(timerOffset(kTimerRunAt, 43200, "bad", 1), -43200);
}

TEST_F(TimerTest, RunAtNoonLocalWaitsChecksRunsAndIdlesUntilMidnight) {
  settings.TimerOperationMode = kTimerRunAt;
  settings.TimeStandard = kTimeLocal;
  settings.TimerProgram1Enable = true;
  clock.seconds = 86400 * 20635 - clock.localOffset;  // 2026-07-01 00:00:00 local
  const int day = static_cast<int>(clock.seconds);
  session.filesSelected = 7;
  disposition.moveDirectory = "/somewhere/";

  std::map<int, std::string> at = runDay(day + 86400 + 1);
  for (int t = 0; t < 43200; t += 599) EXPECT_EQ(at[day + t], "WAIT") << t;
  EXPECT_EQ(at[day + 43199], "WAIT");
  EXPECT_EQ(at[day + 43200], "CHECKING 1");
  EXPECT_EQ(at[day + 43201], "SCANNING 1");
  EXPECT_EQ(at[day + 43202], "CHECKING 2");
  for (int t = 43206; t < 86400; t += 601) EXPECT_EQ(at[day + t], "IDLE") << t;
  EXPECT_EQ(at[day + 86399], "IDLE");
  EXPECT_EQ(at[day + 86400], "WAIT");
  EXPECT_EQ(host.clock, "00:00:00");
  EXPECT_EQ(host.standard, "Local");

  // The run: Clear All before the start, the results under their final
  // name, the passed recording moved to the archive directory.
  EXPECT_EQ(session.filesSelected, 0u);
  EXPECT_TRUE(disposition.moveDirectory.empty());
  EXPECT_EQ(timer.runNames().final, tmp.file("out/night_D20260701T120001.txt"));
  EXPECT_TRUE(fs::exists(timer.runNames().final));
  EXPECT_FALSE(fs::exists(timer.runNames().temporary));
  EXPECT_TRUE(fs::exists(tmp.file("archive/n1.wav")));
  EXPECT_TRUE(lists.passed.empty());
  EXPECT_TRUE(host.traces.empty());
  EXPECT_TRUE(host.warnings.empty());
}

TEST_F(TimerTest, QuarterHourIntervalsArmAtSevenMinutesThirtyOne) {
  settings.TimerOperationMode = kTimerRunEvery;
  settings.RepeatIntervalMinutes = 15;
  std::map<int, std::string> at = runDay(1800);
  EXPECT_EQ(at[450], "IDLE");
  EXPECT_EQ(at[451], "WAIT");
  EXPECT_EQ(at[899], "WAIT");
  // Four disabled programs: one tick each, IDLE on the fifth tick.
  EXPECT_EQ(at[900], "CHECKING 1");
  EXPECT_EQ(at[903], "CHECKING 4");
  EXPECT_EQ(at[904], "IDLE");
  EXPECT_EQ(at[1350], "IDLE");
  EXPECT_EQ(at[1351], "WAIT");
  EXPECT_EQ(host.standard, "UTC");
  EXPECT_EQ(control.scanRequestCounter, 0u);
}

TEST_F(TimerTest, ModeOffDuringScanNeitherRenamesNorDisposes) {
  settings.TimerOperationMode = kTimerRunEvery;
  settings.TimerProgram1Enable = true;
  finishScans = false;
  clock.seconds = 59;
  runDay(62);  // WAIT, CHECKING 1, SCANNING 1
  ASSERT_EQ(host.status, "SCANNING 1");
  EXPECT_EQ(control.scanRequestCounter, 1u);
  EXPECT_TRUE(control.scanRequestFlag);
  EXPECT_FALSE(control.scanDone);
  EXPECT_EQ(control.resultsPath, timer.runNames().temporary);

  settings.TimerOperationMode = kTimerOff;
  timer.tick();
  EXPECT_EQ(host.status, "IDLE");
  finishScans = true;
  runDay(200);
  EXPECT_EQ(host.status, "IDLE");
  EXPECT_TRUE(fs::exists(timer.runNames().temporary));
  EXPECT_FALSE(fs::exists(timer.runNames().final));
  EXPECT_TRUE(fs::exists(tmp.file("in/n1.wav")));
  EXPECT_EQ(lists.passed.size(), 1u);
}

TEST_F(TimerTest, BusyWorkerDelaysTheStartAndFailedStartsAreSkipped) {
  settings.TimerOperationMode = kTimerRunEvery;
  settings.TimerProgram1Enable = true;
  settings.TimerProgram2Enable = true;  // no paths: skipped
  control.scanDone = false;             // a scan from the windows is running
  lists.passed.add("manual.wav", 2);
  clock.seconds = 59;
  runDay(65);
  EXPECT_EQ(host.status, "CHECKING 1");
  EXPECT_EQ(lists.passed.size(), 1u);
  EXPECT_TRUE(control.resultsPath.empty());

  control.scanDone = true;
  runDay(70);
  EXPECT_EQ(host.status, "IDLE");
  EXPECT_EQ(control.scanRequestCounter, 1u);
  ASSERT_EQ(host.traces.size(), 1u);
  EXPECT_NE(host.traces[0].find("Timer program 2"), std::string::npos);
}

TEST_F(TimerTest, FailedRenameIsTracedAndRecordingsStillDisposed) {
  settings.TimerOperationMode = kTimerRunEvery;
  settings.TimerProgram1Enable = true;
  history.Program1ArchiveDirectory.clear();  // passed files go to the trash
  setenv("XDG_DATA_HOME", tmp.file("share").c_str(), 1);
  clock.onSleep = [this] {
    if (control.scanRequestCounter == taken) return;
    taken = control.scanRequestCounter;
    lists.failed.add("n1.wav", 0);  // no results line, so no results file
    control.scanDone = true;
  };
  clock.seconds = 59;
  runDay(64);
  EXPECT_EQ(host.traces, std::vector<std::string>{"ERROR renamimg file\n"});
  EXPECT_FALSE(fs::exists(tmp.file("in/n1.wav")));
  EXPECT_TRUE(lists.failed.empty());
  EXPECT_TRUE(lists.input.empty());
}

}  // namespace
}  // namespace quilve
