// The batch scan with one job (calls committed while the recording is
// analysed) against several jobs (calls kept and committed afterwards):
// the same results bytes, reports and messages in the same order, also when
// a recording ends in a read error and when the results file cannot be
// written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/batch_scan.h"
#include "engine/recording_analyzer.h"
#include "records/outcome_file.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"
#include "support/platform.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace quilve {
namespace {

using namespace quilve::test;

class RecordingReporter final : public Reporter {
 public:
  void warning(const std::string& text) override { lines.push_back("W " + text); }
  void trace(const std::string& text) override { lines.push_back("T " + text); }
  std::vector<std::string> lines;
};

Bytes recordingWithCalls(double seconds, int calls) {
  SignalGenerator gen(seconds);
  gen.addNoise(-60);
  for (int i = 0; i < calls; ++i) {
    CallSpec c;
    c.startTime = 0.02 + 0.07 * i;
    c.duration = 0.005;
    c.startFrequency = 75000;
    c.endFrequency = 38000;
    gen.addCall(c);
  }
  return gen.render(1).wavFile();
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct ScanRun {
  std::vector<std::string> messages;
  std::vector<std::pair<std::string, std::uint32_t>> reports;
  std::vector<std::string> progress;
  std::string results;
  std::size_t writeFailures = 0;
};

using Tweak = std::function<void(ScanSettings&, BatchOptions&)>;

ScanRun scan(const std::vector<std::string>& paths, const std::string& resultsPath, int jobs,
             const Tweak& tweak = {}) {
  ScanSettings settings;
  ScanLists lists;
  ScanSession session;
  RecordingReporter reporter;
  BatchOptions options;
  options.jobs = jobs;
  options.resultsPath = resultsPath;
  options.reporter = &reporter;
  ScanRun run;
  options.progress = [&](const BatchProgress& p) {
    run.progress.push_back(std::to_string(p.filesDone) + "/" + std::to_string(p.filesTotal) + " " +
                           p.currentFile + " " + std::to_string(p.callsSoFar));
  };
  if (tweak) tweak(settings, options);
  const BatchResult result = runBatchScan(paths, settings, options, lists, session);
  run.messages = reporter.lines;
  for (const auto& r : result.recordings) {
    run.reports.emplace_back(r.path + (r.readError ? " read error" : ""), r.calls);
  }
  run.results = slurp(resultsPath);
  run.writeFailures = result.writeFailures;
  return run;
}

void expectSameRun(const ScanRun& a, const ScanRun& b) {
  EXPECT_EQ(a.reports, b.reports);
  EXPECT_EQ(a.messages, b.messages);
  EXPECT_EQ(a.progress, b.progress);
  EXPECT_EQ(a.results, b.results);
  EXPECT_EQ(a.writeFailures, b.writeFailures);
}

// Every file of a directory by name, with its bytes.
std::map<std::string, std::string> filesIn(const std::string& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    out[e.path().filename().string()] = slurp(e.path().string());
  }
  return out;
}

TEST(BatchScan, OneJobCommittingAsItGoesEqualsSeveralJobs) {
  TempDir dir;
  const std::string d = dir.path().string();
  writeFile(d + "/a.wav", recordingWithCalls(0.5, 6));
  // Cut inside the data: the reader hands over what exists, then fails.
  Bytes cut = recordingWithCalls(0.5, 6);
  cut.resize(cut.size() - 60000);
  writeFile(d + "/b.wav", cut);
  writeFile(d + "/c.wav", recordingWithCalls(0.3, 3));
  const std::vector<std::string> paths = {d + "/a.wav", d + "/b.wav", d + "/missing.wav",
                                          d + "/c.wav"};

  const ScanRun one = scan(paths, d + "/one.txt", 1);
  const ScanRun three = scan(paths, d + "/three.txt", 3);
  expectSameRun(one, three);
  ASSERT_EQ(one.reports.size(), 4u);
  ASSERT_EQ(one.progress.size(), 4u);
  EXPECT_EQ(one.progress[3], "4/4 " + d + "/c.wav " +
                                 std::to_string(one.reports[0].second + one.reports[1].second +
                                                one.reports[3].second));
  EXPECT_GT(one.reports[0].second, 0u);
  EXPECT_NE(one.reports[1].first.find("read error"), std::string::npos);
  EXPECT_GT(one.reports[1].second, 0u) << "the calls before the cut are kept";

  // A results file that cannot be written: its messages come after those of
  // the recording's analysis either way.
  const ScanRun oneBad = scan(paths, d + "/no/such/dir/r.txt", 1);
  const ScanRun threeBad = scan(paths, d + "/no/such/dir/r.txt", 3);
  EXPECT_EQ(oneBad.messages, threeBad.messages);
  EXPECT_GT(oneBad.messages.size(), one.messages.size());
}

// One analyzer takes every recording in turn: the slots a recording with many
// calls used are cleared before the next, so a recording gives the same rows
// after it as on its own.
TEST(BatchScan, ARecordingAfterOneWithMoreCallsGivesTheRowsItGivesAlone) {
  TempDir dir;
  const std::string d = dir.path().string();
  writeFile(d + "/a.wav", recordingWithCalls(0.9, 12));
  writeFile(d + "/c.wav", recordingWithCalls(0.3, 3));
  const ScanRun both = scan({d + "/a.wav", d + "/c.wav"}, d + "/both.txt", 1);
  const ScanRun alone = scan({d + "/c.wav"}, d + "/alone.txt", 1);
  ASSERT_EQ(both.reports.size(), 2u);
  EXPECT_GT(both.reports[0].second, both.reports[1].second);
  EXPECT_EQ(both.reports[1].second, alone.reports[0].second);
  const std::size_t header = alone.results.find('\n') + 1;
  const std::string aloneRows = alone.results.substr(header);
  ASSERT_FALSE(aloneRows.empty());
  ASSERT_GE(both.results.size(), aloneRows.size());
  EXPECT_EQ(both.results.substr(both.results.size() - aloneRows.size()), aloneRows);
}

// Recordings analysed ahead of their turn keep their calls, here every one
// of them in the temporary file (or, when none can be made, in memory), and
// take over committing as found once their turn comes: the same results,
// zero-crossing files, messages and progress as one job committing each
// call as it is found.
TEST(BatchScan, CallsKeptAheadOfTheirTurnGiveTheSameBytesAsOneJob) {
  TempDir dir;
  const std::string d = dir.path().string();
  // Lengths that let later recordings finish first and overtake.
  writeFile(d + "/a.wav", recordingWithCalls(1.6, 22));
  writeFile(d + "/b.wav", recordingWithCalls(0.3, 3));
  // Enough calls to go beyond a spool's chunk of memory.
  Bytes cut = recordingWithCalls(2.6, 36);
  cut.resize(cut.size() - 90000);
  writeFile(d + "/c.wav", cut);
  writeFile(d + "/e.wav", recordingWithCalls(0.9, 12));
  writeFile(d + "/f.wav", recordingWithCalls(0.2, 2));
  const std::vector<std::string> paths = {d + "/a.wav", d + "/b.wav", d + "/c.wav",
                                          d + "/missing.wav", d + "/e.wav", d + "/f.wav"};
  const Tweak spillAll = [](ScanSettings&, BatchOptions& o) { o.keptCallBytes = 1; };

  const ScanRun one = scan(paths, d + "/one.txt", 1);
  ASSERT_GT(one.reports[0].second, 10u);
  for (int jobs : {2, 3}) {
    SCOPED_TRACE(std::to_string(jobs) + " jobs");
    expectSameRun(one, scan(paths, d + "/kept.txt", jobs));
    expectSameRun(one, scan(paths, d + "/spilled.txt", jobs, spillAll));
  }

  {
    const test::TemporaryFolderAt nowhere(d + "/no/such/dir");
    expectSameRun(one, scan(paths, d + "/memory.txt", 2, spillAll));
  }

  // Zero-crossing files, one per recording and combined.
  for (bool combine : {false, true}) {
    SCOPED_TRACE(combine ? "combined" : "one file per recording");
    std::map<std::string, std::string> first;
    for (int jobs : {1, 3}) {
      const std::string out = d + "/zc" + std::to_string(combine) + std::to_string(jobs);
      std::filesystem::create_directory(out);
      const ScanRun run = scan(paths, out + "/unused.txt", jobs, [&](ScanSettings& s, BatchOptions& o) {
        s.OutputFormat = kOutputZcd;
        s.AllowFileCombining = combine;
        o.zeroCrossingDirectory = out;
        o.keptCallBytes = 1;
      });
      EXPECT_EQ(run.messages, one.messages);
      const auto files = filesIn(out);
      if (jobs == 1) {
        first = files;
        EXPECT_GE(first.size(), 1u);
      } else {
        EXPECT_EQ(files, first);
      }
    }
  }
}

// A batch analyzer holds only the slot of the call under way; the desktop's
// holds all 2048. Both give the same calls, bit for bit, also past the
// 2048th call of a recording, where the last slot is used again and again.
TEST(BatchScan, HoldingOnlyTheCurrentSlotGivesTheCallsOfHoldingEverySlot) {
  TempDir dir;
  const std::string path = dir.path().string() + "/busy.wav";
  SignalGenerator gen(43.0);
  gen.addNoise(-60);
  for (int i = 0; i < 2100; ++i) {
    CallSpec c;
    c.startTime = 0.01 + 0.02 * i;
    c.duration = 0.004;
    c.startFrequency = 70000 - 10 * (i % 50);
    c.endFrequency = 40000;
    gen.addCall(c);
  }
  writeFile(path, gen.render(1).wavFile());

  const ScanSettings settings;
  RecordingAnalyzer every(nullptr, nullptr, SlotsKept::Every);
  RecordingAnalyzer current(nullptr, nullptr, SlotsKept::Current);
  ASSERT_TRUE(every.analyse(path, settings));
  ASSERT_TRUE(current.analyse(path, settings));
  const RecordingOutcome a = every.takeOutcome();
  const RecordingOutcome b = current.takeOutcome();
  EXPECT_GT(a.fileChirpCount, 2048u);
  EXPECT_EQ(a.fileChirpCount, b.fileChirpCount);
  ASSERT_EQ(a.calls.size(), b.calls.size());
  // Every field the outcome carries, the traces up to their ends included.
  EXPECT_EQ(encodeOutcome(a), encodeOutcome(b));
}

}  // namespace
}  // namespace quilve
