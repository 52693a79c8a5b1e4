// The scan worker driven pass by pass on generated recordings, and the batch
// scan that must write the same files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/batch_scan.h"
#include "engine/scan_worker.h"
#include "settings/scan_settings.h"
#include "support/memory_host.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve;
using namespace quilve::test;

namespace {

CallSpec sweep(double start) {
  CallSpec c;
  c.startTime = start;
  c.duration = 0.006;
  c.startFrequency = 70000;
  c.endFrequency = 35000;
  return c;
}

void writeRecording(const std::string& path, double seconds, const std::vector<double>& callTimes,
                    int factor = 1) {
  SignalGenerator gen(seconds);
  gen.addNoise(-60);
  for (double t : callTimes) gen.addCall(sweep(t));
  writeFile(path, gen.render(factor).wavFile());
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A directory of recordings and a worker over it.
struct WorkerRig {
  TempDir dir;
  ScanSettings settings;
  ScanControl control;
  ScanLists lists;
  ScanSession session;
  MemoryHost host;
  std::unique_ptr<ScanWorker> worker;

  WorkerRig() { worker = std::make_unique<ScanWorker>(control, lists, session, settings, host); }

  void selectInput() {
    // As the program keeps it: ending in the system's own separator.
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    lists.inputDirectory = dir.path().string() + separator;
    lists.input.fillFromDirectory(dir.path().string(), "*.w*");
  }

  // Passes until the worker is idle with nothing requested.
  void runToIdle(int maxPasses = 2000000) {
    for (int i = 0; i < maxPasses; ++i) {
      worker->pass();
      if (worker->state() == ScanState::Idle && control.scanRequestCounter == lastSeen()) return;
    }
    FAIL() << "worker did not come to rest";
  }
  std::uint32_t lastSeen() {
    worker->pass();  // an idle pass publishes scanDone
    return control.scanDone ? control.scanRequestCounter.load() : ~0u;
  }
  // Passes until `pred` holds.
  template <typename Pred>
  bool runUntil(Pred pred, int maxPasses = 2000000) {
    for (int i = 0; i < maxPasses; ++i) {
      if (pred()) return true;
      worker->pass();
    }
    return false;
  }
};

std::vector<std::pair<std::string, int>> entries(const FileList& l) {
  std::vector<std::pair<std::string, int>> out;
  for (const auto& e : l.entries()) out.emplace_back(e.name, e.value);
  return out;
}

}  // namespace

TEST(ScanWorker, ScanAllClassifiesEveryRecordingAndMatchesTheBatchScan) {
  WorkerRig rig;
  // A name that sorts first and is not a recording, two recordings whose
  // calls form one bat pass across them, noise only, and a 256-frame file.
  writeFile(rig.dir.file("a_notes.wav"), Bytes{'n', 'o', 't', 'e', 's'});
  writeRecording(rig.dir.file("rec01_D20140930T010203m000.wav"), 0.6, {0.1, 0.3, 0.5});
  writeRecording(rig.dir.file("rec02_D20140930T010205m000.wav"), 0.3, {0.1});
  writeRecording(rig.dir.file("rec03_noise.wav"), 0.3, {});
  writeFile(rig.dir.file("rec04_short.wav"), pcmWav(250000, 1, 16, pcm16(std::vector<std::int16_t>(256, 5))));
  rig.selectInput();
  rig.control.resultsPath = rig.dir.file("worker.txt");
  rig.control.newResultsFile = true;

  ASSERT_TRUE(requestScanAll(rig.control, rig.lists, rig.session, rig.settings, rig.host));
  ASSERT_EQ(rig.host.warnings.size(), 1u);
  EXPECT_NE(rig.host.warnings[0].find("a_notes.wav"), std::string::npos);
  rig.runToIdle();
  EXPECT_TRUE(rig.host.controlsEnabled);
  EXPECT_EQ(rig.host.endNotices, 1);

  using E = std::vector<std::pair<std::string, int>>;
  EXPECT_EQ(entries(rig.lists.passed),
            (E{{"rec01_D20140930T010203m000.wav", 3}, {"rec02_D20140930T010205m000.wav", 1}}));
  EXPECT_EQ(entries(rig.lists.failed), (E{{"a_notes.wav", 0}, {"rec03_noise.wav", 0}, {"rec04_short.wav", 0}}));
  EXPECT_EQ(rig.session.filesSelected, 2u);
  EXPECT_EQ(rig.session.totalChirpCount, 4u);
  EXPECT_EQ(rig.session.filesFailed, 3u);
  EXPECT_EQ(rig.session.batPassCount, 1u);  // 4 calls within 3 s of each other
  EXPECT_EQ(rig.host.shown.totalChirpCount, 4u);

  const std::string workerFile = slurp(rig.dir.file("worker.txt"));
  EXPECT_EQ(std::count(workerFile.begin(), workerFile.end(), '\n'), 5);  // header + 4 rows

  // The batch scan of the same recordings writes the same file, whatever
  // the number of threads.
  std::vector<std::string> paths;
  for (const auto& e : rig.lists.input.entries()) paths.push_back(rig.lists.inputDirectory + e.name);
  for (int jobs : {1, 2, 3}) {
    ScanLists lists;
    ScanSession session;
    BatchOptions options;
    options.jobs = jobs;
    options.resultsPath = rig.dir.file("batch" + std::to_string(jobs) + ".txt");
    MemoryHost reporter;
    options.reporter = &reporter;
    const BatchResult result = runBatchScan(paths, rig.settings, options, lists, session);
    EXPECT_EQ(slurp(options.resultsPath), workerFile) << jobs << " jobs";
    EXPECT_EQ(entries(lists.passed), entries(rig.lists.passed));
    EXPECT_EQ(entries(lists.failed), entries(rig.lists.failed));
    EXPECT_EQ(session.batPassCount, 1u);
    EXPECT_EQ(result.unreadable, 1u);
    EXPECT_FALSE(result.recordings[0].failure.empty());
  }
}

TEST(ScanWorker, ScanningTheSameFileTwiceUpdatesItsEntry) {
  WorkerRig rig;
  writeRecording(rig.dir.file("one.wav"), 0.3, {0.1});
  rig.selectInput();
  rig.lists.input.select(0);
  ASSERT_TRUE(requestScan(rig.control, rig.lists, rig.settings, rig.host));
  rig.runToIdle();
  rig.settings.ChirpDetectionThreshold = 2;  // now it fails
  ASSERT_TRUE(requestScan(rig.control, rig.lists, rig.settings, rig.host));
  rig.runToIdle();
  EXPECT_EQ(rig.lists.passed.size(), 0);
  ASSERT_EQ(rig.lists.failed.size(), 1);
  EXPECT_EQ(rig.lists.failed.at(0).value, 1);
  EXPECT_EQ(rig.session.filesFailed, 1u);
  EXPECT_EQ(rig.session.filesSelected, 0u);
}

TEST(ScanWorker, StopDuringACallDropsItAndEndsTheRun) {
  WorkerRig rig;
  writeRecording(rig.dir.file("a.wav"), 0.5, {0.05, 0.2, 0.35});
  writeRecording(rig.dir.file("b.wav"), 0.3, {0.1});
  rig.selectInput();
  ASSERT_TRUE(requestScanAll(rig.control, rig.lists, rig.session, rig.settings, rig.host));
  // Into the second call of a.wav.
  ASSERT_TRUE(rig.runUntil([&] {
    return rig.worker->analyzer().job().fileChirpCount == 1 && rig.worker->state() == ScanState::Track;
  }));
  rig.control.stopCounter.fetch_add(1);
  rig.runToIdle();
  ASSERT_EQ(rig.lists.passed.size(), 1);
  EXPECT_EQ(rig.lists.passed.at(0).name, "a.wav");
  EXPECT_EQ(rig.lists.passed.at(0).value, 1);  // the call under way was dropped
  EXPECT_EQ(rig.lists.failed.size(), 0);       // b.wav was never reached
  EXPECT_FALSE(rig.control.scanRequestFlag);
}

TEST(ScanWorker, PauseTakesEffectAfterTheCallUnderWay) {
  WorkerRig rig;
  writeRecording(rig.dir.file("a.wav"), 0.5, {0.05, 0.2, 0.35});
  rig.selectInput();
  rig.lists.input.select(0);
  ASSERT_TRUE(requestScan(rig.control, rig.lists, rig.settings, rig.host));
  ASSERT_TRUE(rig.runUntil([&] { return rig.worker->state() == ScanState::Track; }));
  rig.control.pauseFlag = true;
  ASSERT_TRUE(rig.runUntil([&] { return rig.worker->state() == ScanState::Paused; }));
  EXPECT_EQ(rig.worker->analyzer().job().fileChirpCount, 1u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(rig.worker->pass());  // nothing to do while paused
  }
  rig.control.pauseFlag = false;
  rig.runToIdle();
  ASSERT_EQ(rig.lists.passed.size(), 1);
  EXPECT_EQ(rig.lists.passed.at(0).value, 3);
}

TEST(ScanWorker, ARecordingThatVanishesAfterItsPreviewIsFailedAndTheRunGoesOn) {
  WorkerRig rig;
  writeRecording(rig.dir.file("a.wav"), 0.3, {0.1});
  writeRecording(rig.dir.file("b.wav"), 0.3, {0.1});
  rig.selectInput();
  ASSERT_TRUE(requestScanAll(rig.control, rig.lists, rig.session, rig.settings, rig.host));
  std::filesystem::remove(rig.dir.file("a.wav"));  // gone between preview and open
  rig.runToIdle();
  EXPECT_TRUE(rig.host.controlsEnabled);
  ASSERT_EQ(rig.lists.failed.size(), 1);
  EXPECT_EQ(rig.lists.failed.at(0).name, "a.wav");
  ASSERT_EQ(rig.lists.passed.size(), 1);
  EXPECT_EQ(rig.lists.passed.at(0).name, "b.wav");
  ASSERT_FALSE(rig.host.traces.empty());
  EXPECT_NE(rig.host.traces[0].find("Failed opening input file"), std::string::npos);
}

TEST(ScanWorker, ZeroCrossingFilesEqualThoseOfTheBatchScan) {
  WorkerRig rig;
  writeRecording(rig.dir.file("rec01_D20140930T010203m000.wav"), 0.4, {0.1, 0.3});
  writeRecording(rig.dir.file("rec02_D20140930T010205m000.wav"), 0.3, {0.1});
  rig.selectInput();
  std::filesystem::create_directory(rig.dir.file("w"));
  std::filesystem::create_directory(rig.dir.file("b"));
  rig.settings.OutputFormat = kOutputZcd;
  rig.control.resultsPath = rig.dir.file("w/results.txt");
  ASSERT_TRUE(requestScanAll(rig.control, rig.lists, rig.session, rig.settings, rig.host));
  rig.runToIdle();

  std::vector<std::string> paths;
  for (const auto& e : rig.lists.input.entries()) paths.push_back(rig.lists.inputDirectory + e.name);
  ScanLists lists;
  ScanSession session;
  BatchOptions options;
  options.jobs = 2;
  options.resultsPath = rig.dir.file("b/results.txt");
  runBatchScan(paths, rig.settings, options, lists, session);
  for (const char* name : {"rec01_D20140930T010203m000.00#", "rec02_D20140930T010205m000.00#"}) {
    const std::string w = slurp(rig.dir.file(std::string("w/") + name));
    EXPECT_GT(w.size(), 336u) << name;
    EXPECT_EQ(w, slurp(rig.dir.file(std::string("b/") + name))) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(rig.dir.file("w/results.txt")));
}

TEST(ScanWorker, ZeroCrossingFilesGoToTheOutputDirectoryFromTheNextRecordingOn) {
  // A timed run's results file lies elsewhere, and Save Selected may choose
  // another OutputDirectory between two scans.
  WorkerRig rig;
  writeRecording(rig.dir.file("rec01_D20140930T010203m000.wav"), 0.4, {0.1, 0.3});
  rig.selectInput();
  for (const char* d : {"results", "first", "second"}) std::filesystem::create_directory(rig.dir.file(d));
  rig.settings.OutputFormat = kOutputZcd;
  rig.control.resultsPath = rig.dir.file("results/night_D20260701T220509.tmp_txt");
  rig.control.outputDirectory = rig.dir.file("first/");
  ASSERT_TRUE(requestScanAll(rig.control, rig.lists, rig.session, rig.settings, rig.host));
  rig.runToIdle();
  const char* name = "rec01_D20140930T010203m000.00#";
  EXPECT_GT(slurp(rig.dir.file(std::string("first/") + name)).size(), 336u);
  EXPECT_FALSE(std::filesystem::exists(rig.dir.file(std::string("results/") + name)));

  rig.control.outputDirectory = rig.dir.file("second/");
  ASSERT_TRUE(requestScanAll(rig.control, rig.lists, rig.session, rig.settings, rig.host));
  rig.runToIdle();
  EXPECT_EQ(slurp(rig.dir.file(std::string("second/") + name)),
            slurp(rig.dir.file(std::string("first/") + name)));

  // No OutputDirectory yet: the results file's directory.
  rig.control.outputDirectory.clear();
  ASSERT_TRUE(requestScanAll(rig.control, rig.lists, rig.session, rig.settings, rig.host));
  rig.runToIdle();
  EXPECT_TRUE(std::filesystem::exists(rig.dir.file(std::string("results/") + name)));
}

TEST(ScanWorker, EmptyBandsOfARunAreToldInOneWarningNamingTheFirstFew) {
  // Time-expanded recordings that state no factor, read at x1: nothing lies
  // above MinimumFrequency below their Nyquist frequency.
  WorkerRig rig;
  for (int i = 1; i <= 5; ++i) {
    writeRecording(rig.dir.file("te" + std::to_string(i) + ".wav"), 0.2, {0.05}, 10);
  }
  writeRecording(rig.dir.file("tf.wav"), 0.2, {0.05});
  rig.selectInput();
  rig.control.resultsPath = rig.dir.file("r.txt");
  ASSERT_TRUE(requestScanAll(rig.control, rig.lists, rig.session, rig.settings, rig.host));
  rig.runToIdle();
  ASSERT_EQ(rig.host.warnings.size(), 1u);
  const std::string& w = rig.host.warnings[0];
  EXPECT_EQ(w.rfind("5 recordings were not analysed, their analysed band being empty:\n" +
                        rig.dir.file("te1.wav") + ": empty analysed band: MinimumFrequency 15 kHz",
                    0),
            0u)
      << w;
  EXPECT_NE(w.find(rig.dir.file("te3.wav") + ": empty"), std::string::npos) << w;
  EXPECT_EQ(w.find("te4.wav"), std::string::npos) << w;
  EXPECT_EQ(w.substr(w.size() - 11), "\nand 2 more");

  // A run of one names it alone, and the next run starts afresh.
  rig.host.warnings.clear();
  rig.lists.input.select(0);
  ASSERT_TRUE(requestScan(rig.control, rig.lists, rig.settings, rig.host));
  rig.runToIdle();
  ASSERT_EQ(rig.host.warnings.size(), 1u);
  EXPECT_EQ(rig.host.warnings[0].rfind(rig.dir.file("te1.wav") + ": empty analysed band: ", 0), 0u);
}

TEST(ScanWorker, AStopPressedBetweenRecordingsOrWhileOneIsFinishedEndsTheRun) {
  for (const bool whileFinishing : {false, true}) {
    WorkerRig rig;
    writeRecording(rig.dir.file("a.wav"), 0.3, {0.1});
    writeRecording(rig.dir.file("b.wav"), 0.3, {0.1});
    writeRecording(rig.dir.file("c.wav"), 0.3, {0.1});
    rig.selectInput();
    ASSERT_TRUE(requestScanAll(rig.control, rig.lists, rig.session, rig.settings, rig.host));
    if (whileFinishing) {
      ASSERT_TRUE(rig.runUntil([&] { return rig.worker->state() == ScanState::FinishFile; }));
    } else {
      // a.wav is classified and the worker waits for the next request.
      ASSERT_TRUE(rig.runUntil([&] {
        std::lock_guard<std::mutex> lock(rig.lists.mutex);
        return rig.lists.passed.size() == 1 && rig.worker->state() == ScanState::Idle;
      }));
    }
    rig.control.stopCounter.fetch_add(1);
    rig.runToIdle();
    EXPECT_EQ(rig.host.begun, std::vector<std::string>{rig.dir.file("a.wav")}) << whileFinishing;
    EXPECT_EQ(rig.lists.passed.size(), 1) << whileFinishing;
    EXPECT_FALSE(rig.control.scanRequestFlag);
    EXPECT_EQ(rig.host.endNotices, 1);
  }
}

TEST(ScanWorker, AnEntryWhosePathIsTooLongIsReportedAndSkippedAndTheRunGoesOn) {
  WorkerRig rig;
  const std::string deep = rig.dir.file(std::string(200, 'd'));
  std::filesystem::create_directory(deep);
  const std::string longName = "b" + std::string(60, 'x') + ".wav";
  writeRecording(deep + "/a.wav", 0.3, {0.1});
  writeRecording(deep + "/" + longName, 0.3, {0.1});
  writeRecording(deep + "/c.wav", 0.3, {0.1});
  rig.lists.inputDirectory = deep + "/";
  rig.lists.input.fillFromDirectory(deep, "*.w*");
  ASSERT_TRUE(requestScanAll(rig.control, rig.lists, rig.session, rig.settings, rig.host));
  rig.runToIdle();
  EXPECT_EQ(rig.host.begun, (std::vector<std::string>{deep + "/a.wav", deep + "/c.wav"}));
  ASSERT_EQ(rig.lists.failed.size(), 1);
  EXPECT_EQ(rig.lists.failed.at(0).path, deep + "/" + longName);
  EXPECT_NE(rig.lists.failed.at(0).hold.find("longer than 260"), std::string::npos);
  ASSERT_EQ(rig.host.warnings.size(), 1u);
  EXPECT_EQ(rig.host.warnings[0].rfind("Failed opening file " + deep + "/" + longName, 0), 0u);
  EXPECT_NE(rig.host.warnings[0].find("longer than 260 characters"), std::string::npos);
  EXPECT_EQ(rig.lists.passed.size(), 2);

  // The same when the long entry is the first one.
  WorkerRig first;
  writeRecording(deep + "/0" + std::string(60, 'y') + ".wav", 0.3, {0.1});
  first.lists.inputDirectory = deep + "/";
  first.lists.input.fillFromDirectory(deep, "*.w*");
  ASSERT_TRUE(requestScanAll(first.control, first.lists, first.session, first.settings, first.host));
  first.runToIdle();
  EXPECT_EQ(first.host.begun.size(), 2u);
  EXPECT_EQ(first.lists.failed.size(), 2);
}
