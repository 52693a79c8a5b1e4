// Calls kept for a later commit: handed back whole and in order, from memory
// and from the temporary file beyond the memory bound, and kept in memory
// when no temporary file can be made.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/call_spool.h"
#include "support/platform.h"

namespace quilve {
namespace {

struct Handed {
  ChirpRecord trace;
  CallParameters call;
  CallParameters previous;
  std::string recording;
};

class Collect final : public CallOutput {
 public:
  void writeCall(const ChirpRecord& trace, const CallParameters& call,
                 const CallParameters& previous, const ScanJob& job) override {
    calls.push_back({trace, call, previous, job.recordingPath});
  }
  std::vector<Handed> calls;
};

// Call `i` of a test: `points` trace points in use, every field telling the
// call apart; the points past those in use hold garbage.
Handed callNumber(int i, int points) {
  Handed h{};
  h.trace.accepted = 1;
  h.trace.peakLevel = 10.0f + static_cast<float>(i);
  h.trace.levelThreshold = -static_cast<float>(i);
  h.trace.firstPoint = 1;
  h.trace.endPoint = points;
  for (int p = 0; p < kTracePoints; ++p) {
    TracePoint& t = h.trace.points[static_cast<std::size_t>(p)];
    t.time = static_cast<float>(i * 1000 + p);
    t.frequency = 40000.0f + static_cast<float>(p);
    t.smoothedCurvature = static_cast<float>(-i);
  }
  h.call.startTime = static_cast<float>(i);
  h.call.polyCoefficients[8] = static_cast<float>(i) / 3.0f;
  h.call.hasKnee = static_cast<std::uint8_t>(i % 2);
  h.previous.startTime = static_cast<float>(i - 1);
  return h;
}

void expectSame(const Handed& got, const Handed& sent, const std::string& recording) {
  EXPECT_EQ(got.recording, recording);
  EXPECT_EQ(got.trace.peakLevel, sent.trace.peakLevel);
  EXPECT_EQ(got.trace.levelThreshold, sent.trace.levelThreshold);
  EXPECT_EQ(got.trace.firstPoint, sent.trace.firstPoint);
  EXPECT_EQ(got.trace.endPoint, sent.trace.endPoint);
  const int inUse = std::max(0, std::min(sent.trace.endPoint, kTracePoints));
  for (int p = 0; p < kTracePoints; ++p) {
    const TracePoint& g = got.trace.points[static_cast<std::size_t>(p)];
    const TracePoint& s = sent.trace.points[static_cast<std::size_t>(p)];
    if (p < inUse) {
      ASSERT_EQ(g.time, s.time) << "point " << p;
      ASSERT_EQ(g.smoothedCurvature, s.smoothedCurvature) << "point " << p;
    } else {
      ASSERT_EQ(g.time, 0.0f) << "point " << p << " past those in use";
    }
  }
  EXPECT_EQ(got.call.startTime, sent.call.startTime);
  EXPECT_EQ(got.call.polyCoefficients[8], sent.call.polyCoefficients[8]);
  EXPECT_EQ(got.call.hasKnee, sent.call.hasKnee);
  EXPECT_EQ(got.previous.startTime, sent.previous.startTime);
}

// Writes calls with the given point counts, replays them and checks each.
void roundTrip(CallSpool& spool, const std::vector<int>& points, const std::string& recording,
               bool expectSpilled) {
  std::vector<Handed> sent;
  for (std::size_t i = 0; i < points.size(); ++i) {
    sent.push_back(callNumber(static_cast<int>(i), points[i]));
    spool.writeCall(sent.back().trace, sent.back().call, sent.back().previous, ScanJob{});
  }
  EXPECT_EQ(spool.size(), points.size());
  EXPECT_EQ(spool.spilled(), expectSpilled);
  Collect out;
  ScanJob job;
  job.recordingPath = recording;
  EXPECT_EQ(spool.replay(out, job), 0u);
  ASSERT_EQ(out.calls.size(), sent.size());
  for (std::size_t i = 0; i < sent.size(); ++i) {
    SCOPED_TRACE("call " + std::to_string(i));
    expectSame(out.calls[i], sent[i], recording);
  }
  EXPECT_EQ(spool.size(), 0u) << "a replay empties the spool";
  EXPECT_FALSE(spool.spilled());
}

// A long call, then short ones: the points a long call left behind must not
// show in the shorter calls read back after it. An end point outside the
// trace keeps the points there are.
const std::vector<int> kPointCounts = {kTracePoints, 3, 0, 40, kTracePoints + 9, -2, 1};

TEST(CallSpool, CallsComeBackInOrderFromMemoryAndFromTheFileBeyondTheBudget) {
  CallMemory roomyBudget(1 << 20);
  CallSpool roomy(roomyBudget);
  roundTrip(roomy, kPointCounts, "a.wav", false);
  EXPECT_EQ(roomyBudget.used.load(), 0u) << "a replay gives its memory back";

  // No budget: beyond a chunk the calls go to the file and come back before
  // those still in memory, in order.
  CallMemory none(0);
  CallSpool tight(none);
  std::vector<int> many;
  for (int i = 0; i < 40; ++i) many.push_back(kPointCounts[static_cast<std::size_t>(i) % kPointCounts.size()]);
  roundTrip(tight, many, "b.wav", true);
  // The next recording starts empty with the same spool.
  roundTrip(tight, {5, 6}, "c.wav", false);
  roundTrip(tight, many, "d.wav", true);
  EXPECT_EQ(none.used.load(), 0u);

  // The budget is shared: a second spool goes to its file once the first
  // holds it all.
  CallMemory shared(48000);
  CallSpool first(shared);
  CallSpool second(shared);
  const Handed big = callNumber(1, kTracePoints);
  for (int i = 0; i < 8; ++i) first.writeCall(big.trace, big.call, big.previous, ScanJob{});
  EXPECT_FALSE(first.spilled());
  for (int i = 0; i < 8; ++i) second.writeCall(big.trace, big.call, big.previous, ScanJob{});
  EXPECT_TRUE(second.spilled());
  first.clear();
  second.clear();
  EXPECT_EQ(shared.used.load(), 0u);
}

TEST(CallSpool, WithoutATemporaryFileTheCallsStayInMemory) {
  const test::TemporaryFolderAt nowhere("/nonexistent/quilve-no-such-dir");
  CallMemory none(0);
  CallSpool tight(none);
  std::vector<int> many(40, kTracePoints);
  roundTrip(tight, many, "a.wav", false);
}

}  // namespace
}  // namespace quilve
