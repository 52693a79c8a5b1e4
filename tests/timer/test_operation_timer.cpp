#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "engine/scan_worker.h"
#include "support/memory_host.h"
#include "support/platform.h"
#include "support/signal_generator.h"
#include "support/small_file_system.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"
#include "timer/operation_timer.h"
#include "timer/start_time.h"

namespace quilve {
namespace {

namespace fs = std::filesystem;

// The trash of this test program. GIO reads XDG_DATA_HOME once, when it
// first trashes something, and keeps it for the process: every test that
// trashes sets it here, before that.
const fs::path& trashHome() {
  static test::TempDir dir;
  static const bool set = test::setEnvironment("XDG_DATA_HOME", dir.path().u8string());
  (void)set;
  return dir.path();
}

// A clock that advances one second per sleep; `onSleep` plays the scan worker.
struct FakeClock : TimerClock {
  std::time_t seconds = 0;
  int localOffset = 2 * 3600;
  std::function<void()> onSleep;
  CivilTime now(bool local) override {
    const std::time_t s = seconds + (local ? localOffset : 0);
    const std::tm tm = test::utcTime(s);
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
  trashHome();
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

// A scan host that also plays a detector still writing one recording: as
// soon as the scan has opened it, the detector appends to it.
struct LiveWriterHost : test::MemoryHost {
  std::string livePath;
  void beginFile(const std::string& path) override {
    MemoryHost::beginFile(path);
    if (path == livePath) std::ofstream(path, std::ios::binary | std::ios::app) << kAppended;
  }
  static inline const std::string kAppended = std::string(512, '\0');
};

// The timer over the real scan worker: each clock sleep runs the worker
// until it rests, as its thread does between two ticks.
class TimedScanTest : public TimerTest {
 protected:
  void SetUp() override {
    TimerTest::SetUp();
    trashHome();
    fs::remove(tmp.file("in/n1.wav"));
    settings.TimerOperationMode = kTimerRunEvery;
    settings.TimerProgram1Enable = true;
    clock.seconds = 86400 * 20635 + 59;  // 2026-07-01 00:00:59 UTC
    worker = std::make_unique<ScanWorker>(control, lists, session, settings, scanHost);
    clock.onSleep = [this] { runWorker(); };
  }

  void runWorker() {
    for (int i = 0; i < 5000000; ++i) {
      const bool idle = worker->pass();
      if (idle && worker->state() == ScanState::Idle && control.scanDone) return;
    }
    ADD_FAILURE() << "the scan did not come to rest";
  }

  // WAIT at 00:00:59, the program starts at 00:01:01 and is finished on
  // the next tick; IDLE after the three disabled programs.
  void runTheProgram() {
    runDay(static_cast<int>(clock.seconds) + 8);
    ASSERT_EQ(host.status, "IDLE");
    ASSERT_EQ(timer.runNames().final, tmp.file("out/night_D20260701T000101.txt"));
  }

  std::string input(const std::string& name) const { return tmp.file("in/" + name); }
  void write(const std::string& name, const test::Bytes& bytes) {
    test::writeFile(input(name), bytes);
    written[name] = test::fileText(input(name));
  }

  // Whether `path` holds exactly `bytes`; says only how it differs, not
  // what a recording holds.
  static ::testing::AssertionResult holds(const std::string& path, const std::string& bytes) {
    if (!fs::exists(path)) return ::testing::AssertionFailure() << path << " is not there";
    const std::string now = test::fileText(path);
    if (now == bytes) return ::testing::AssertionSuccess();
    if (now.size() == bytes.size()) {
      return ::testing::AssertionFailure() << path << " holds other bytes of the same size";
    }
    return ::testing::AssertionFailure() << path << " holds " << now.size() << " bytes, not the "
                                         << bytes.size() << " expected";
  }

  static std::vector<std::string> names(const FileList& list) {
    std::vector<std::string> out;
    for (const FileEntry& e : list.entries()) out.push_back(e.name);
    return out;
  }

  // The trashed files whose names start with `stem`.
  static std::vector<std::string> trashed(const std::string& stem) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(trashHome() / "Trash" / "files", ec)) {
      if (e.path().filename().string().rfind(stem, 0) == 0) out.push_back(e.path().string());
    }
    return out;
  }

  LiveWriterHost scanHost;
  std::unique_ptr<ScanWorker> worker;
  std::map<std::string, std::string> written;
};

TEST_F(TimedScanTest, RealScanFilesThePassedTrashesTheFailedAndHoldsTheCutAndTheLive) {
  write("a_pass.wav", test::batRecording(3, 1));
  write("b_fail.wav", test::batRecording(0, 2));
  // Its calls start at 0.05 s; the file ends at 0.04 s although its data
  // chunk claims 0.4 s: read in part, it fails for want of calls.
  test::Bytes cut = test::batRecording(3, 3);
  cut.resize(44 + 20000);
  write("c_cut.wav", cut);
  // Passes, and is appended to while it is scanned.
  write("d_live.wav", test::batRecording(3, 4));
  scanHost.livePath = input("d_live.wav");

  ASSERT_NO_FATAL_FAILURE(runTheProgram());
  EXPECT_EQ(scanHost.begun.size(), 4u);
  EXPECT_EQ(scanHost.endNotices, 1);

  // The results under their final name, with the rows of the recordings
  // with calls.
  EXPECT_FALSE(fs::exists(timer.runNames().temporary));
  const std::string results = test::fileText(timer.runNames().final);
  EXPECT_NE(results.find("a_pass.wav"), std::string::npos) << results;
  EXPECT_NE(results.find("d_live.wav"), std::string::npos) << results;
  EXPECT_EQ(results.find("b_fail.wav"), std::string::npos) << results;
  EXPECT_TRUE(host.traces.empty()) << host.traces[0];

  // Passed: moved into the archive whole. Failed: in the trash.
  EXPECT_TRUE(holds(tmp.file("archive/a_pass.wav"), written["a_pass.wav"]));
  EXPECT_FALSE(fs::exists(input("a_pass.wav")));
  EXPECT_FALSE(fs::exists(input("b_fail.wav")));
  // The freedesktop.org trash keeps the file where it can be looked at;
  // the Windows recycle bin keeps no such files.
  if (test::trashUnderDataHome()) {
    const std::vector<std::string> failedInTrash = trashed("b_fail");
    ASSERT_EQ(failedInTrash.size(), 1u);
    EXPECT_TRUE(holds(failedInTrash[0], written["b_fail.wav"]));
  }
  EXPECT_EQ(disposition.passedAction, PassedAction::Move);

  // Held: where they were, as they are, neither archived nor trashed, and
  // still listed.
  EXPECT_TRUE(holds(input("c_cut.wav"), written["c_cut.wav"]));
  EXPECT_TRUE(holds(input("d_live.wav"), written["d_live.wav"] + LiveWriterHost::kAppended));
  for (const char* held : {"c_cut.wav", "d_live.wav"}) {
    EXPECT_FALSE(fs::exists(tmp.file(std::string("archive/") + held))) << held;
    EXPECT_TRUE(trashed(fs::path(held).stem().string()).empty()) << held;
  }
  EXPECT_EQ(names(lists.passed), std::vector<std::string>{"d_live.wav"});
  EXPECT_EQ(names(lists.failed), std::vector<std::string>{"c_cut.wav"});
  EXPECT_EQ(names(lists.input), (std::vector<std::string>{"c_cut.wav", "d_live.wav"}));

  // One warning for each list, naming the held recording and why.
  ASSERT_EQ(host.warnings.size(), 2u);
  EXPECT_NE(host.warnings[0].find(input("d_live.wav") + ": it is still being written"),
            std::string::npos)
      << host.warnings[0];
  EXPECT_NE(host.warnings[1].find(input("c_cut.wav") + ": it was not read whole"),
            std::string::npos)
      << host.warnings[1];
  for (const std::string& w : host.warnings) {
    EXPECT_EQ(w.find("a_pass"), std::string::npos) << w;
    EXPECT_EQ(w.find("b_fail"), std::string::npos) << w;
  }
}

TEST_F(TimedScanTest, ArchiveThatFillsUpDuringTheMoveKeepsTheRecordingItsEntryAndNoPart) {
  test::SmallFileSystem disk(tmp.file("small"), "256k");
  if (!disk.mounted()) GTEST_SKIP() << disk.whyNot();
  history.Program1ArchiveDirectory = disk.path();
  write("a_small.wav", test::batRecording(1, 1, 0.1));
  write("b_large.wav", test::batRecording(6, 2, 0.8));
  // After the small one the large one starts to be copied and runs out of
  // room past its first blocks.
  const std::uint64_t pages = (written["a_small.wav"].size() + 4095) / 4096;
  const std::uint64_t leftForLarge = disk.freeBytes() - pages * 4096;
  ASSERT_GT(leftForLarge, 2u * 65536);
  ASSERT_LT(leftForLarge, written["b_large.wav"].size());

  ASSERT_NO_FATAL_FAILURE(runTheProgram());
  EXPECT_EQ(scanHost.begun.size(), 2u);
  EXPECT_TRUE(fs::exists(timer.runNames().final));
  EXPECT_TRUE(holds(disk.path() + "/a_small.wav", written["a_small.wav"]));
  EXPECT_FALSE(fs::exists(input("a_small.wav")));
  // The large one: whole where it was, nothing of it in the archive, still
  // listed, and named in one warning with the reason.
  EXPECT_TRUE(holds(input("b_large.wav"), written["b_large.wav"]));
  EXPECT_EQ(disk.names(), std::vector<std::string>{"a_small.wav"});
  EXPECT_EQ(names(lists.passed), std::vector<std::string>{"b_large.wav"});
  EXPECT_EQ(names(lists.input), std::vector<std::string>{"b_large.wav"});
  ASSERT_EQ(host.warnings.size(), 1u);
  EXPECT_EQ(host.warnings[0].rfind("1 of 2 files were not moved to " + disk.path() + ":\n", 0), 0u)
      << host.warnings[0];
  EXPECT_NE(host.warnings[0].find("b_large.wav: "), std::string::npos) << host.warnings[0];
  EXPECT_NE(host.warnings[0].find("No space left on device"), std::string::npos)
      << host.warnings[0];
}

}  // namespace
}  // namespace quilve
