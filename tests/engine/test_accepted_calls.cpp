#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/accepted_calls.h"
#include "engine/tile_sink.h"
#include "engine/trace_points.h"
#include "fit/linear_fit.h"
#include "fit/poly_fit.h"
#include "support/temp_dir.h"

namespace quilve {
namespace {

ScanSession sessionAfter(const std::vector<double>& times) {
  ScanSession s;
  for (double t : times) trackBatPass(s, t);
  return s;
}

TEST(BatPasses, ShortGapsFormPassesAndLongOnesCloseThem) {
  ScanSession s = sessionAfter({0, 2, 4, 6});
  EXPECT_EQ(s.passChirpCount, 4u);
  EXPECT_EQ(s.batPassCount, 0u);  // counted only when it closes
  closeOpenPass(s);
  EXPECT_EQ(s.batPassCount, 1u);
  EXPECT_EQ(s.passChirpCount, 0u);

  ScanSession lone = sessionAfter({0, 5, 10});
  closeOpenPass(lone);
  EXPECT_EQ(lone.batPassCount, 0u);
  EXPECT_EQ(lone.passChirpCount, 1u);  // a short pass stays open

  // 0 .. 15 s in 2.5 s steps is one pass of 7; 17.5 s would stretch it
  // beyond 15 s and opens the next one.
  std::vector<double> times;
  for (int i = 0; i <= 7; ++i) times.push_back(2.5 * i);
  ScanSession steps = sessionAfter(times);
  EXPECT_EQ(steps.batPassCount, 1u);
  EXPECT_EQ(steps.passChirpCount, 1u);
  EXPECT_DOUBLE_EQ(steps.passStartTime, 17.5);
}

TEST(BatPasses, OpenPassCarriesAcrossRunsAndTimeGoingBackCloses) {
  ScanSession s = sessionAfter({100, 101});
  closeOpenPass(s);  // end of a run with two calls: stays open
  trackBatPass(s, 102);
  EXPECT_EQ(s.passChirpCount, 3u);
  trackBatPass(s, 90);  // an earlier recording's call is a gap as well
  EXPECT_EQ(s.batPassCount, 1u);
  EXPECT_EQ(s.passChirpCount, 1u);
}

// Accepted calls as the outputs see them.
struct RecordedCall {
  float start;
  float previousStart;
  std::int32_t slot;
};

class RecordingOutput : public CallOutput {
 public:
  void writeCall(const ChirpRecord&, const CallParameters& call, const CallParameters& previous,
                 const ScanJob& job) override {
    calls.push_back({call.startTime, previous.startTime, job.chirpIndex});
  }
  std::vector<RecordedCall> calls;
};

class CountingTiles : public TileSink {
 public:
  void clearTile(int slot) override { cleared.push_back(slot); }
  void appendFrame(int, const float*) override {}
  int columnCount(int) const override { return 0; }
  std::vector<int> cleared;
};

class FinishCandidate : public ::testing::Test {
 protected:
  FinishCandidate() : store(std::make_unique<ChirpStore>()) {
    settings.FitSelection = kFitOff;
  }

  // A clean falling sweep of 2 ms in the job's current slot.
  void traceCall(float start) {
    ChirpRecord& r = store->records[job.chirpIndex];
    resetChirpRecord(r);
    r.peakLevel = 80;
    r.peakNoise = 30;
    r.levelThreshold = 50;
    test::appendSweep(r, 21, start, 0.0001f, 60000.0f, -10000000.0f);
  }

  ChainResult finish() {
    CallFinishing f{settings, linearFit, polyFit, results, zeroCrossing, &tiles};
    return finishCandidate(*store, job, session, f);
  }

  std::unique_ptr<ChirpStore> store;
  ScanSettings settings;
  LinearFit linearFit;
  PolyFit polyFit;
  RecordingOutput results;
  RecordingOutput* zeroCrossing = nullptr;
  CountingTiles tiles;
  ScanJob job;
  ScanSession session;
};

TEST_F(FinishCandidate, AcceptedCallIsWrittenCountedAndMovesToTheNextSlot) {
  job.timeOfDay = 100.0;
  traceCall(0.5f);
  ASSERT_EQ(finish(), ChainResult::Accepted);
  EXPECT_EQ(store->records[0].accepted, 1);
  ASSERT_EQ(results.calls.size(), 1u);
  // The first call of a recording is its own previous call.
  EXPECT_FLOAT_EQ(results.calls[0].previousStart, 0.5f);
  EXPECT_EQ(job.chirpIndex, 1);
  EXPECT_EQ(job.fileChirpCount, 1u);
  EXPECT_EQ(tiles.cleared, std::vector<int>{1});
  EXPECT_EQ(session.passChirpCount, 1u);
  EXPECT_DOUBLE_EQ(session.lastChirpTime, 100.5);

  // The accepted call keeps its parameters; the new slot starts clean.
  EXPECT_FLOAT_EQ(store->parameters[0].startTime, 0.5f);
  EXPECT_EQ(store->parameters[1].globalFitRms, 999.0f);

  traceCall(0.6f);
  ASSERT_EQ(finish(), ChainResult::Accepted);
  EXPECT_FLOAT_EQ(results.calls[1].previousStart, 0.5f);
  EXPECT_EQ(session.passChirpCount, 2u);
}

TEST_F(FinishCandidate, RejectedCandidateLeavesNoTrace) {
  traceCall(0.5f);
  store->records[0].peakLevel = 40;  // not 21 dB above its background
  EXPECT_EQ(finish(), ChainResult::TooWeak);
  EXPECT_EQ(store->records[0].accepted, 0);
  EXPECT_TRUE(results.calls.empty());
  EXPECT_EQ(job.chirpIndex, 0);
  EXPECT_EQ(job.fileChirpCount, 0u);
  EXPECT_EQ(session.passChirpCount, 0u);
  EXPECT_TRUE(tiles.cleared.empty());
}

TEST_F(FinishCandidate, ZeroCrossingModeSendsCallsToItsOwnOutput) {
  settings.OutputFormat = kOutputZcd;
  RecordingOutput zcd;
  zeroCrossing = &zcd;
  traceCall(0.5f);
  ASSERT_EQ(finish(), ChainResult::Accepted);
  EXPECT_TRUE(results.calls.empty());
  EXPECT_EQ(zcd.calls.size(), 1u);

  // Without a zero-crossing writer the call still counts.
  zeroCrossing = nullptr;
  traceCall(0.7f);
  ASSERT_EQ(finish(), ChainResult::Accepted);
  EXPECT_EQ(job.fileChirpCount, 2u);
  EXPECT_EQ(session.passChirpCount, 2u);
}

TEST_F(FinishCandidate, SlotsSaturateAtTheLastOneAndCallsStillCount) {
  job.chirpIndex = kLastChirpSlot - 1;
  job.fileChirpCount = kLastChirpSlot - 1;
  for (int i = 0; i < 3; ++i) {
    traceCall(1.0f + 0.01f * i);
    ASSERT_EQ(finish(), ChainResult::Accepted) << i;
  }
  EXPECT_EQ(job.chirpIndex, kLastChirpSlot);
  EXPECT_EQ(job.fileChirpCount, 2049u);
  ASSERT_EQ(results.calls.size(), 3u);
  EXPECT_EQ(results.calls[1].slot, kLastChirpSlot);
  EXPECT_EQ(results.calls[2].slot, kLastChirpSlot);
  // The 2049th call, written from the reused slot, still measures its time
  // to the call right before it.
  EXPECT_FLOAT_EQ(results.calls[2].previousStart, 1.01f);
  EXPECT_EQ(tiles.cleared, (std::vector<int>{kLastChirpSlot, kLastChirpSlot, kLastChirpSlot}));
}

std::string readAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

int countLines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

TEST_F(FinishCandidate, ResultsFileStartsWithItsHeaderOnce) {
  test::TempDir dir;
  ResultsTarget target{dir.file("results.txt"), true};
  ResultsFileOutput file(target, settings, nullptr);
  job.recordingPath = "/bats/D20120704T213015m250.wav";
  CallFinishing f{settings, linearFit, polyFit, file, nullptr, nullptr};
  for (int i = 0; i < 2; ++i) {
    traceCall(0.5f + 0.1f * i);
    ASSERT_EQ(finishCandidate(*store, job, session, f), ChainResult::Accepted);
    EXPECT_FALSE(target.newResultsFile);
  }
  const std::string text = readAll(target.path);
  EXPECT_EQ(text.rfind("Filename\t", 0), 0u);
  EXPECT_EQ(countLines(text), 3);  // header and two rows
  EXPECT_NE(text.find("D20120704T213015m250.wav\t"), std::string::npos);

  // A file that cannot be opened keeps the flag, so the first line that is
  // written later still gets the header.
  ResultsTarget missing{dir.file("no/such/dir/results.txt"), true};
  ResultsFileOutput lost(missing, settings, nullptr);
  CallFinishing g{settings, linearFit, polyFit, lost, nullptr, nullptr};
  traceCall(0.9f);
  ASSERT_EQ(finishCandidate(*store, job, session, g), ChainResult::Accepted);
  EXPECT_TRUE(missing.newResultsFile);
}

}  // namespace
}  // namespace quilve
