#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "input/recording.h"
#include "input/recording_time.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace quilve {
namespace {

DateTime dt(int y, int mo, int d, int h, int mi, int s, int ms) {
  DateTime t;
  t.year = y, t.month = mo, t.day = d, t.hour = h, t.minute = mi, t.second = s, t.millisecond = ms;
  return t;
}

void expectTime(const DateTime& t, int y, int mo, int d, int h, int mi, int s, int ms) {
  EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}),
            std::vector<int>({y, mo, d, h, mi, s, ms}));
}

// Seconds between a local DateTime and now, in the machine's zone.
double secondsFromNow(const DateTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  return std::difftime(std::mktime(&tm), std::time(nullptr));
}

TEST(BiasConversion, OnlyTheBiasIsApplied) {
  DateTime local;
  ASSERT_TRUE(utcToLocalWithBias(dt(2014, 9, 30, 1, 2, 3, 456), 300, &local));
  expectTime(local, 2014, 9, 29, 20, 2, 3, 456);
  EXPECT_EQ(local.dayOfWeek, 1);  // a Monday

  ASSERT_TRUE(utcToLocalWithBias(dt(2014, 9, 30, 1, 2, 3, 456), -120, &local));
  expectTime(local, 2014, 9, 30, 3, 2, 3, 456);

  ASSERT_TRUE(utcToLocalWithBias(dt(2014, 12, 31, 23, 30, 0, 0), -60, &local));
  expectTime(local, 2015, 1, 1, 0, 30, 0, 0);  // year rolls forward

  ASSERT_TRUE(utcToLocalWithBias(dt(2015, 1, 1, 0, 10, 0, 999), 15, &local));
  expectTime(local, 2014, 12, 31, 23, 55, 0, 999);  // and back

  ASSERT_TRUE(utcToLocalWithBias(dt(2016, 3, 1, 2, 0, 0, 0), 180, &local));
  expectTime(local, 2016, 2, 29, 23, 0, 0, 0);  // leap day

}

TEST(BiasConversion, ImpossibleDatesAndBiasesFail) {
  DateTime local;
  EXPECT_FALSE(utcToLocalWithBias(dt(2014, 13, 1, 0, 0, 0, 0), 0, &local));
  EXPECT_FALSE(utcToLocalWithBias(dt(2015, 2, 29, 0, 0, 0, 0), 0, &local));
  EXPECT_FALSE(utcToLocalWithBias(dt(2014, 9, 30, 24, 0, 0, 0), 0, &local));
  EXPECT_FALSE(utcToLocalWithBias(dt(2014, 9, 30, 0, 60, 0, 0), 0, &local));
  EXPECT_FALSE(utcToLocalWithBias(dt(0, 1, 1, 0, 0, 0, 0), 0, &local));
  EXPECT_FALSE(utcToLocalWithBias(dt(2014, 9, 30, 0, 0, 0, 0), 2147483647L, &local));
}

Recording withAttributes(const std::string& text) {
  Recording rec;
  rec.attributesParsed = true;
  rec.attributeText = text;
  return rec;
}

TEST(RecordingMetadataFill, BlockSuppliesPositionTimeDeviceAndComment) {
  Recording rec = withAttributes(
      "DEV=PELLAR-2,GPS=lat:51.5 lon:-0.125 alt:35,UTC=2014:09:30::01:02:03.456,LTB=300,"
      "CMT=<near the pond, north side>");
  fillMetadata("/nonexistent/file.wav", rec);
  const RecordingMetadata& md = rec.metadata;
  ASSERT_TRUE(md.gpsValid);
  EXPECT_FLOAT_EQ(md.latitude, 51.5f);
  EXPECT_FLOAT_EQ(md.longitude, -0.125f);
  EXPECT_FLOAT_EQ(md.altitude, 35.0f);
  ASSERT_TRUE(md.timeKnown);
  EXPECT_TRUE(md.timeFromUtc);
  expectTime(md.recordingTime, 2014, 9, 29, 20, 2, 3, 456);
  EXPECT_EQ(md.device, "PELLAR-2");
  EXPECT_EQ(md.comment, "near the pond, north side");
}

TEST(RecordingMetadataFill, IncompleteAttributesLeaveTheirFieldsUnset) {
  test::TempDir dir;
  const std::string path = dir.file("rec.wav");
  test::writeFile(path, test::pcmWav(22050, 1, 16, test::pcm16({1, 2, 3})));

  // GPS without altitude; UTC without LTB; a malformed UTC with LTB.
  for (const std::string& text : {std::string("GPS=lat:51.5 lon:-0.1,UTC=2014:09:30::01:02:03.456"),
                                 std::string("UTC=2014:9:30::01:02:03.456,LTB=0"),
                                 std::string("UTC=2014:02:30::01:02:03.456,LTB=0"),
                                 std::string("UTC=2014:09:30::01:02:03.456,LTB=abc")}) {
    Recording rec = withAttributes(text);
    fillMetadata(path, rec);
    EXPECT_FALSE(rec.metadata.gpsValid) << text;
    EXPECT_FALSE(rec.metadata.timeFromUtc) << text;
    ASSERT_TRUE(rec.metadata.timeKnown) << text;  // from the file instead
    EXPECT_LT(std::abs(secondsFromNow(rec.metadata.recordingTime)), 120.0) << text;
    EXPECT_EQ(rec.metadata.device, kNoDeviceText);
    EXPECT_EQ(rec.metadata.comment, "");
  }
}

TEST(RecordingMetadataFill, WithoutABlockTheFileTimeIsUsed) {
  test::TempDir dir;
  const std::string path = dir.file("plain.wav");
  test::writeFile(path, test::pcmWav(22050, 1, 8, {128, 129}));

  Recording rec;
  rec.attributeText = "DEV=ignored,UTC=2014:09:30::01:02:03.456,LTB=300";  // block did not parse
  rec.metadata.gpsValid = true;  // stale values from an earlier file
  rec.metadata.comment = "old";
  fillMetadata(path, rec);
  EXPECT_FALSE(rec.metadata.gpsValid);
  EXPECT_FALSE(rec.metadata.timeFromUtc);
  ASSERT_TRUE(rec.metadata.timeKnown);
  EXPECT_LT(std::abs(secondsFromNow(rec.metadata.recordingTime)), 120.0);
  EXPECT_EQ(rec.metadata.device, "<No device found>");
  EXPECT_EQ(rec.metadata.comment, "");

  Recording missing;
  fillMetadata(dir.file("absent.wav"), missing);
  EXPECT_FALSE(missing.metadata.timeKnown);
}

TEST(RecordingMetadataFill, LongValuesAreBounded) {
  Recording rec = withAttributes("DEV=" + std::string(600, 'd') + ",CMT=" + std::string(600, 'c'));
  fillMetadata("/nonexistent/file.wav", rec);
  EXPECT_EQ(rec.metadata.device, std::string(255, 'd'));
  EXPECT_EQ(rec.metadata.comment, std::string(255, 'c'));
}

}  // namespace
}  // namespace quilve
