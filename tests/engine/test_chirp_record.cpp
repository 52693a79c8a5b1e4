#include <gtest/gtest.h>

#include <memory>

#include "engine/chirp_record.h"
#include "engine/trace_points.h"

namespace quilve {
namespace {

using test::appendPoint;

TEST(ChirpHelpers, LevelsColumnsAndTimeOfDay) {
  EXPECT_FLOAT_EQ(addLevels(60, 60), 63);
  EXPECT_FLOAT_EQ(addLevels(50, 60), 61);
  EXPECT_FLOAT_EQ(addLevels(60, 40), 60);

  EXPECT_EQ(samplesPerColumn(3, 250000), 29);
  EXPECT_EQ(samplesPerColumn(4, 250000), 39);  // 20 ms, as any unlisted index
  EXPECT_EQ(samplesPerColumn(0, 250000), 39);
  EXPECT_EQ(samplesPerColumn(1, 256000), 10);  // exactly 10, not 9.999
  EXPECT_EQ(samplesPerColumn(1, 8000), 1);     // a column always advances

  EXPECT_DOUBLE_EQ(timeOfDayFromName("C:\\bats\\D20120704T213015m250.wav"), 77415.25);
  EXPECT_DOUBLE_EQ(timeOfDayFromName("/data/x_D20120704T213015m250_1.wav"), 77415.25);
  EXPECT_DOUBLE_EQ(timeOfDayFromName("plain.wav"), 0.0);
  EXPECT_DOUBLE_EQ(timeOfDayFromName(nullptr), 0.0);
  EXPECT_DOUBLE_EQ(timeOfDayFromName("/D20120704T213015m250/rec.wav"), 0.0);  // name only
  EXPECT_DOUBLE_EQ(timeOfDayFromName("rec_D20120704T2130m250"), 0.0);         // cut short
  // A stamp cut short of its milliseconds still holds YYYYMMDDTHHMMSS.
  EXPECT_DOUBLE_EQ(timeOfDayFromName("rec_D20120704T213015m25"), 77415.0);
  EXPECT_DOUBLE_EQ(timeOfDayFromName("DxxxxxxxxTxxxxxxmxxx_D20120704T000010m500"), 10.5);
  // Recorder stamps of today give the time of day too.
  EXPECT_DOUBLE_EQ(timeOfDayFromName("/d/3517_SE_20220627_224246_759.wav"), 81766.759);
  EXPECT_DOUBLE_EQ(timeOfDayFromName("PAR_20200101T000010+0100.wav"), 10.0);
}

// A falling call: 80 kHz down to 44 kHz in 4 kHz steps, 0.2 ms apart.
void fallingCall(ChirpRecord& r) {
  for (int i = 0; i < 10; ++i) appendPoint(r, 0.0002f * i, 80000.0f - 4000.0f * i);
}

TEST(TrimChirp, RiseAfterTheMinimumCutsBeyondTwoAndAHalfKilohertz) {
  auto store = std::make_unique<ChirpStore>();
  ChirpRecord& cut = store->records[0];
  fallingCall(cut);
  appendPoint(cut, 0.0020f, 44000.0f + 2600.0f);
  appendPoint(cut, 0.0022f, 47000.0f);
  trimChirp(cut);
  EXPECT_EQ(cut.firstPoint, 0);
  EXPECT_EQ(cut.endPoint, 10);

  ChirpRecord& kept = store->records[1];
  fallingCall(kept);
  appendPoint(kept, 0.0020f, 44000.0f + 2400.0f);
  trimChirp(kept);
  EXPECT_EQ(kept.endPoint, 11);

  // A slow drift back is measured from the lowest point, not the last one.
  ChirpRecord& drift = store->records[2];
  fallingCall(drift);
  appendPoint(drift, 0.0020f, 45300.0f);
  appendPoint(drift, 0.0022f, 46600.0f);
  trimChirp(drift);
  EXPECT_EQ(drift.endPoint, 11);

  // A rising call is cut at a drop below its running peak.
  ChirpRecord& up = store->records[3];
  for (int i = 0; i < 6; ++i) appendPoint(up, 0.0002f * i, 30000.0f + 1000.0f * i);
  appendPoint(up, 0.0012f, 35000.0f - 2600.0f);
  trimChirp(up);
  EXPECT_EQ(up.endPoint, 6);
}

TEST(TrimChirp, WeakLeadInIsDroppedAndACutBeforeItLeavesOnePoint) {
  auto store = std::make_unique<ChirpStore>();
  ChirpRecord& r = store->records[0];
  r.levelThreshold = 50.0f;
  appendPoint(r, 0.0000f, 81000, 40.0f);
  appendPoint(r, 0.0002f, 80500, 49.9f);
  appendPoint(r, 0.0004f, 80000, 50.0f);
  appendPoint(r, 0.0006f, 76000, 70.0f);
  appendPoint(r, 0.0008f, 72000, 45.0f);  // later weak points stay
  trimChirp(r);
  EXPECT_EQ(r.firstPoint, 2);
  EXPECT_EQ(r.endPoint, 5);

  // The loud part starts at index 5 and its minimum is at index 9, so the
  // jump search starts at index 4, inside the weak lead-in.
  ChirpRecord& early = store->records[1];
  early.levelThreshold = 60.0f;
  const float weak[] = {60000, 55000, 50000, 47000, 45000};
  for (int i = 0; i < 5; ++i) appendPoint(early, 0.0002f * i, weak[i], 40);
  for (int i = 0; i < 5; ++i) appendPoint(early, 0.001f + 0.0002f * i, 48000.0f - 2000.0f * i, 70);
  trimChirp(early);
  EXPECT_EQ(early.endPoint, 5);
  EXPECT_EQ(early.firstPoint, 4);

  // A range outside the trace store is left alone.
  ChirpRecord& bad = store->records[2];
  bad.endPoint = kTracePoints + 1;
  trimChirp(bad);
  EXPECT_EQ(bad.endPoint, kTracePoints + 1);
}

}  // namespace
}  // namespace quilve
