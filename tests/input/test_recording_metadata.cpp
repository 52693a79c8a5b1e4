#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "input/recording.h"
#include "input/recording_time.h"
#include "settings/scan_settings.h"
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

Recording withGuano(const std::vector<std::pair<std::string, std::string>>& fields,
                    const std::string& attributes = "", bool parsed = false) {
  Recording rec;
  rec.attributesParsed = parsed;
  rec.attributeText = attributes;
  const test::Bytes body = test::guanoBody(fields);
  rec.hasGuano = true;
  rec.guano = parseGuano(body.data(), body.size());
  return rec;
}

TEST(RecordingMetadataFill, TimeComesFromBlockThenGuanoThenNameThenFile) {
  test::TempDir dir;
  const std::string named = dir.file("S4U_20210615_222235_319.wav");
  const std::string plain = dir.file("plain.wav");
  for (const std::string& p : {named, plain}) test::writeFile(p, test::pcmWav(22050, 1, 8, {128}));
  const std::vector<std::pair<std::string, std::string>> guano = {
      {"Timestamp", "2022-06-27T22:42:46.759-06:00"}};
  const std::string block = "UTC=2014:09:30::01:02:03.456,LTB=300";

  Recording rec = withGuano(guano, block, true);
  fillMetadata(named, rec);
  EXPECT_EQ(rec.metadata.timeSource, TimeSource::Attribute);
  EXPECT_TRUE(rec.metadata.timeFromUtc);
  EXPECT_TRUE(rec.metadata.utcOffsetKnown);
  EXPECT_EQ(rec.metadata.utcOffsetMinutes, -300);

  rec = withGuano(guano);
  fillMetadata(named, rec);
  EXPECT_EQ(rec.metadata.timeSource, TimeSource::Guano);
  EXPECT_FALSE(rec.metadata.timeFromUtc);
  // The recorder's own local time, not converted to this machine's zone.
  expectTime(rec.metadata.recordingTime, 2022, 6, 27, 22, 42, 46, 759);
  EXPECT_EQ(rec.metadata.utcOffsetMinutes, -360);
  EXPECT_EQ(rec.metadata.recordingTime.dayOfWeek, 1);  // a Monday

  rec = withGuano({{"Timestamp", "not a time"}});
  fillMetadata(named, rec);
  EXPECT_EQ(rec.metadata.timeSource, TimeSource::Name);
  expectTime(rec.metadata.recordingTime, 2021, 6, 15, 22, 22, 35, 319);
  EXPECT_FALSE(rec.metadata.utcOffsetKnown);

  rec = Recording{};
  fillMetadata(plain, rec);
  EXPECT_EQ(rec.metadata.timeSource, TimeSource::File);
  EXPECT_TRUE(rec.metadata.utcOffsetKnown);
  EXPECT_LT(std::abs(secondsFromNow(rec.metadata.recordingTime)), 120.0);
}

TEST(RecordingMetadataFill, GuanoFillsWhatTheBlockLeavesOpen) {
  const std::vector<std::pair<std::string, std::string>> guano = {
      {"Make", "Wildlife Acoustics"}, {"Model", "SM4BAT"}, {"Serial", "S4U01234"},
      {"Loc Position", "40.16872 -105.90369"}, {"Loc Elevation", "2501"},
      {"Note", "by the river"}};
  Recording rec = withGuano(guano);
  fillMetadata("/nonexistent/a.wav", rec);
  EXPECT_EQ(rec.metadata.device, "Wildlife Acoustics SM4BAT S4U01234");
  EXPECT_EQ(rec.metadata.comment, "by the river");
  EXPECT_EQ(previewComment(rec), "by the river");
  ASSERT_TRUE(rec.metadata.gpsValid);
  EXPECT_FLOAT_EQ(rec.metadata.latitude, 40.16872f);
  EXPECT_FLOAT_EQ(rec.metadata.longitude, -105.90369f);
  EXPECT_FLOAT_EQ(rec.metadata.altitude, 2501.0f);

  rec = withGuano(guano, "DEV=PELLAR-2,CMT=pond,GPS=lat:51.5 lon:-0.125 alt:35", true);
  fillMetadata("/nonexistent/a.wav", rec);
  EXPECT_EQ(rec.metadata.device, "PELLAR-2");
  EXPECT_EQ(rec.metadata.comment, "pond");
  EXPECT_FLOAT_EQ(rec.metadata.latitude, 51.5f);

  // Only a serial; a long note is cut on a character boundary.
  rec = withGuano({{"Serial", "1234"}, {"Note", std::string(254, 'n') + "é"}});
  fillMetadata("/nonexistent/a.wav", rec);
  EXPECT_EQ(rec.metadata.device, "1234");
  EXPECT_EQ(rec.metadata.comment, std::string(254, 'n'));
}

TEST(OpenRecordingExpansion, BlockThenGuanoThenDefault) {
  test::TempDir dir;
  ScanSettings settings;
  settings.DefaultExpansionFactor = 10;
  const test::Bytes data = test::pcm16({1, 2, 3, 4});
  auto open = [&](const std::string* block, const test::Bytes* guano) {
    test::RiffBuilder b;
    test::Bytes fmt = test::fmtFields(1, 1, 25000, 16);
    if (block) {
      test::putU16(fmt, static_cast<std::uint16_t>(block->size()));
      test::putText(fmt, *block);
    }
    b.chunk("fmt ", fmt).chunk("data", data);
    if (guano) b.chunk("guan", *guano);
    const std::string path = dir.file("e.wav");
    test::writeFile(path, b.build());
    Recording rec;
    std::string reason;
    EXPECT_EQ(openRecording(path, settings, rec, &reason), kStatusOk) << reason;
    return rec;
  };
  const test::Bytes te1 = test::guanoBody({{"TE", "1"}});
  const std::string stating = "MMMMMMMMM<&10&>MMMMMMMMM";
  const std::string silent = "MMMMMMMMMDEV=xMMMMMMMMM";

  Recording rec = open(&stating, &te1);
  EXPECT_EQ(rec.metadata.expansionFactor, 10);
  EXPECT_EQ(rec.metadata.expansionSource, ExpansionSource::Attribute);
  rec = open(&silent, &te1);
  EXPECT_EQ(rec.metadata.expansionFactor, 1);
  EXPECT_EQ(rec.metadata.expansionSource, ExpansionSource::Guano);
  EXPECT_FLOAT_EQ(rec.effectiveSampleRate, 25000.0f);
  rec = open(nullptr, &te1);
  EXPECT_EQ(rec.metadata.expansionSource, ExpansionSource::Guano);
  rec = open(&silent, nullptr);
  EXPECT_EQ(rec.metadata.expansionFactor, 10);
  EXPECT_EQ(rec.metadata.expansionSource, ExpansionSource::Default);
  EXPECT_STREQ(expansionSourceName(rec.metadata.expansionSource), "default");
  // GUANO that cannot be read changes nothing.
  const test::Bytes broken = test::guanoBody({{"TE", "x"}, {"", "garbage"}});
  rec = open(nullptr, &broken);
  EXPECT_EQ(rec.metadata.expansionSource, ExpansionSource::Default);
  EXPECT_EQ(rec.guano.problems.size(), 2u);
}

}  // namespace
}  // namespace quilve
