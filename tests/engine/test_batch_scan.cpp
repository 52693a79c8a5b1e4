// The batch scan with one job (calls committed while the recording is
// analysed) against several jobs (calls kept and committed afterwards):
// the same results bytes, reports and messages in the same order, also when
// a recording ends in a read error and when the results file cannot be
// written.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/batch_scan.h"
#include "engine/recording_analyzer.h"
#include "records/outcome_file.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"
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
  std::string results;
};

ScanRun scan(const std::vector<std::string>& paths, const std::string& resultsPath, int jobs) {
  ScanSettings settings;
  ScanLists lists;
  ScanSession session;
  RecordingReporter reporter;
  BatchOptions options;
  options.jobs = jobs;
  options.resultsPath = resultsPath;
  options.reporter = &reporter;
  const BatchResult result = runBatchScan(paths, settings, options, lists, session);
  ScanRun run;
  run.messages = reporter.lines;
  for (const auto& r : result.recordings) {
    run.reports.emplace_back(r.path + (r.readError ? " read error" : ""), r.calls);
  }
  run.results = slurp(resultsPath);
  return run;
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
  EXPECT_EQ(one.reports, three.reports);
  EXPECT_EQ(one.messages, three.messages);
  EXPECT_EQ(one.results, three.results);
  ASSERT_EQ(one.reports.size(), 4u);
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
