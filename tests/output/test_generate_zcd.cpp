// Zero-crossing files: every file is read back with the test decoder, which
// is itself checked against two real zero-crossing files decoded by two
// independent readers.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "output/generate_zcd.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"
#include "support/zc_decoder.h"

namespace quilve {
namespace {

using test::ZcFile;

// A trace of `count` points `step` s apart from `start`, measured frequency
// starting at f0 and sweeping at `slope` Hz/s, with the tracker's slope set.
ChirpRecord sweep(float start, int count, float step, float f0, float slope) {
  ChirpRecord r;
  for (int i = 0; i < count; ++i) {
    TracePoint& p = r.points[r.endPoint++];
    p.time = start + step * static_cast<float>(i);
    p.frequency = f0 + slope * step * static_cast<float>(i);
    p.smoothedFrequency = p.frequency;
    p.smoothedSlope = slope;
  }
  return r;
}

DateTime when(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
  DateTime t;
  t.year = year; t.month = month; t.day = day;
  t.hour = hour; t.minute = minute; t.second = second; t.millisecond = ms;
  return t;
}

ZcFile decodeFile(const std::string& path) {
  ZcFile f;
  std::string error;
  EXPECT_TRUE(test::readZcFile(path, &f, &error)) << error;
  return f;
}

// One file holding the given calls, written with a default header.
class ZcdFile : public ::testing::Test {
 protected:
  std::string write(const std::vector<ChirpRecord>& calls) {
    GenerateZCD zcd;
    EXPECT_TRUE(zcd.openRecordingFile(dir.path().string(), "C:\\bats\\rec01.wav"));
    zcd.writeHeader(when(2014, 9, 30, 1, 2, 3), 0, 0, 0, false);
    for (const ChirpRecord& c : calls) EXPECT_TRUE(zcd.writeCall(c));
    last = zcd.lastCrossingTime();
    return dir.file("rec01.00#");
  }
  test::TempDir dir;
  double last = 0;
};

TEST_F(ZcdFile, HeaderFieldsAndTextBlock) {
  GenerateZCD zcd;
  zcd.setDevice("PELLAR01X");
  zcd.setComment("Pond, north side");
  ASSERT_TRUE(zcd.openFile(dir.path().string(), "night.wav", false));
  EXPECT_TRUE(zcd.writeHeader(when(2014, 9, 30, 1, 2, 3, 457), 45.12345f, -123.12345f,
                              250.7f, true));
  zcd.closeFile();

  const auto bytes = test::readBytes(dir.file("night.00#"));
  ASSERT_EQ(bytes.size(), kZcdHeaderSize);
  EXPECT_EQ(bytes[2] | bytes[4] | bytes[5], 0);
  EXPECT_EQ(bytes[281], 0) << "the text block ends in a zero byte";
  const ZcFile f = decodeFile(dir.file("night.00#"));
  const test::ZcHeader& h = f.header;
  EXPECT_EQ(h.dataInfoOffset, 282u);
  EXPECT_EQ(h.fileType, 132u);
  EXPECT_EQ(h.text.size(), kZcdTextSize);
  EXPECT_EQ(h.device(), "PELLAR01");
  EXPECT_EQ(h.date(), "20140930");
  EXPECT_EQ(h.textField(16, 106), "") << "the fields between date and comment stay blank";
  EXPECT_EQ(h.comment(), "Pond, north side");
  EXPECT_EQ(h.dataOffset, 336u);
  EXPECT_EQ(h.res1, 25000u);
  EXPECT_EQ(h.divideRatio, 16u);
  EXPECT_EQ(h.vres, 82u);
  EXPECT_EQ(std::vector<int>({h.year, h.month, h.day, h.hour, h.minute, h.second, h.hundredths,
                              static_cast<int>(h.microseconds)}),
            std::vector<int>({2014, 9, 30, 1, 2, 3, 45, 7000}));
  EXPECT_EQ(h.id, "TRKZCD");
  EXPECT_EQ(h.datum, "WGS84     ");
  EXPECT_EQ(h.latitude, "N4512345 ");
  EXPECT_EQ(h.longitude, "W12312345");
  EXPECT_EQ(h.altitude, "0250");
  EXPECT_TRUE(f.intervals.empty());
}

TEST_F(ZcdFile, ControlCharactersInTheTextFieldsBecomeBlanks) {
  GenerateZCD zcd;
  zcd.setDevice("PEL\tLAR");
  zcd.setComment("Pond,\r\nnorth \xE9t\xE9");
  ASSERT_TRUE(zcd.openFile(dir.path().string(), "night.wav", false));
  EXPECT_TRUE(zcd.writeHeader(when(2014, 9, 30, 1, 2, 3, 457), 0.0f, 0.0f, 0.0f, false));
  zcd.closeFile();
  const ZcFile f = decodeFile(dir.file("night.00#"));
  EXPECT_EQ(f.header.device(), "PEL LAR");
  EXPECT_EQ(f.header.comment(), "Pond,  north \xE9t\xE9");
  EXPECT_EQ(f.header.date(), "20140930");
  EXPECT_EQ(test::readBytes(dir.file("night.00#")).size(), kZcdHeaderSize);
}

TEST(ZcdPosition, FieldsKeepTheirWidthAndDigitPlaces) {
  EXPECT_EQ(GenerateZCD::latitudeField(5.5f, true), "N0550000 ");
  EXPECT_EQ(GenerateZCD::latitudeField(-33.25f, true), "S3325000 ");
  EXPECT_EQ(GenerateZCD::longitudeField(0.25f, true), "E00025000");
  EXPECT_EQ(GenerateZCD::longitudeField(-7.5f, true), "W00750000");
  EXPECT_EQ(GenerateZCD::latitudeField(95.0f, true), "N9000000 ") << "held to the poles";
  EXPECT_EQ(GenerateZCD::longitudeField(200.0f, true), "E18000000");
  EXPECT_EQ(GenerateZCD::latitudeField(NAN, true), "         ");
  EXPECT_EQ(GenerateZCD::longitudeField(45.0f, false), "         ");
  EXPECT_EQ(GenerateZCD::altitudeField(-5.9f, true), "-005");
  EXPECT_EQ(GenerateZCD::altitudeField(-2000.0f, true), "-999");
  EXPECT_EQ(GenerateZCD::altitudeField(12000.0f, true), "9999");
  EXPECT_EQ(GenerateZCD::altitudeField(100.0f, false), "    ");
}

TEST_F(ZcdFile, ConstantCallStartsWithItsStartTimeThenTwoHundredMicroseconds) {
  const ChirpRecord call = sweep(0.010f, 5, 0.0005f, 40000.0f, 0.0f);
  const std::string path = write({call});
  const auto bytes = test::readBytes(path);
  ASSERT_GE(bytes.size(), kZcdHeaderSize + 5);
  // 10000 us needs the three-byte form; then 200 us as 0x80 0xC8.
  EXPECT_EQ(bytes[336], 0xA0);
  EXPECT_EQ(bytes[337], 0x27);
  EXPECT_EQ(bytes[338], 0x10);
  EXPECT_EQ(bytes[339], 0x80);
  EXPECT_EQ(bytes[340], 0xC8);

  const ZcFile f = decodeFile(path);
  ASSERT_GE(f.intervals.size(), 11u);
  EXPECT_EQ(f.intervals[0].micros, 10000u);
  for (std::size_t i = 1; i < f.intervals.size(); ++i) EXPECT_EQ(f.intervals[i].micros, 200u);
  // The crossings run until the end of the trace is reached, not beyond.
  const double end = call.points[4].time;
  EXPECT_GE(last, end);
  EXPECT_LT(last - 0.0002, end);
}

TEST_F(ZcdFile, DownwardSweepFirstIntervalAndLengthening) {
  const std::string path = write({sweep(0.005f, 20, 0.0001f, 50000.0f, -1.0e6f)});
  const ZcFile f = decodeFile(path);
  ASSERT_GE(f.intervals.size(), 3u);
  EXPECT_EQ(f.intervals[0].micros, 5000u);
  EXPECT_EQ(f.intervals[1].micros, 160u) << "160.257 us rounds to 160";
  for (std::size_t i = 2; i < f.intervals.size(); ++i)
    EXPECT_GE(f.intervals[i].micros, f.intervals[i - 1].micros) << "falling frequency";
}

TEST_F(ZcdFile, LaterCallStartsWithTheGapFromTheLastCrossing) {
  const ChirpRecord first = sweep(0.100f, 5, 0.0005f, 40000.0f, 0.0f);
  const ChirpRecord second = sweep(0.350f, 5, 0.0005f, 25000.0f, 0.0f);
  const ZcFile f = decodeFile(write({first, second}));
  std::size_t gapAt = 0;
  for (std::size_t i = 1; i < f.intervals.size(); ++i)
    if (f.intervals[i].micros > 1000) gapAt = i;
  ASSERT_GT(gapAt, 0u);
  // The file's running time stays on the recording's clock, to rounding.
  EXPECT_NEAR(static_cast<double>(f.intervals[gapAt].timeMicros), 350000.0, 10.0);
  EXPECT_EQ(f.intervals[gapAt + 1].micros, 320u) << "25 kHz";
}

TEST(ZcdIntervals, SmallestFormAtEachBoundary) {
  struct Case { float start; std::vector<std::uint8_t> bytes; };
  const Case cases[] = {
      {0.008191f, {0x9F, 0xFF}},
      {0.008192f, {0xA0, 0x20, 0x00}},
      {2.097151f, {0xBF, 0xFF, 0xFF}},
      {2.097152f, {0xC0, 0x20, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    test::TempDir dir;
    GenerateZCD zcd;
    ASSERT_TRUE(zcd.openFile(dir.path().string(), "gap.00#", false));
    ChirpRecord one;
    one.points[0].time = c.start;
    one.endPoint = 1;
    ASSERT_TRUE(zcd.writeCall(one));
    zcd.closeFile();
    EXPECT_EQ(test::readBytes(dir.file("gap.00#")), c.bytes);
  }
}

TEST_F(ZcdFile, DegenerateContoursEndTheTranslation) {
  // The sweep would stop before its 8 cycles: the interval falls back to n/b
  // (1600 us at 5 kHz); the next local frequency is negative and ends it.
  ChirpRecord stalls = sweep(0.001f, 2, 0.01f, 5000.0f, -1.0e9f);
  // A local frequency far above anything a call holds would round to 0 us.
  ChirpRecord runaway = sweep(0.100f, 3, 0.001f, 1.0e9f, 0.0f);
  // A point at 0 Hz in the middle of a 40 kHz trace.
  ChirpRecord dropout = sweep(0.200f, 3, 0.0005f, 40000.0f, 0.0f);
  dropout.points[1].frequency = 0.0f;
  const ZcFile f = decodeFile(write({stalls, runaway, dropout}));
  ASSERT_GE(f.intervals.size(), 5u);
  EXPECT_EQ(f.intervals[0].micros, 1000u);
  EXPECT_EQ(f.intervals[1].micros, 1600u);
  EXPECT_NEAR(static_cast<double>(f.intervals[2].timeMicros), 100000.0, 2.0)
      << "the runaway call writes only its gap";
  EXPECT_NEAR(static_cast<double>(f.intervals[3].timeMicros), 200000.0, 2.0);
  for (std::size_t i = 4; i < f.intervals.size(); ++i) EXPECT_EQ(f.intervals[i].micros, 200u);
  EXPECT_GE(last, 0.2005);
  EXPECT_LT(last, 0.2008) << "ends at the 0 Hz point, not at the end of the trace";
}

TEST(ZcdOpen, NamesRefusalsAndAppend) {
  EXPECT_EQ(GenerateZCD::filePathFor("/out/", "C:\\bats\\rec01.wav"), "/out/rec01.00#");
  EXPECT_EQ(GenerateZCD::filePathFor("/out", "/data/a.b.WAV"), "/out/a.b.00#");
  EXPECT_EQ(GenerateZCD::filePathFor("/out/", "rec01_201409300102.03#"),
            "/out/rec01_201409300102.03#");
  EXPECT_EQ(GenerateZCD::filePathFor("/out/", "noext"), "/out/noext.00#");

  test::TempDir dir;
  const std::string d = dir.path().string();
  GenerateZCD zcd;
  EXPECT_FALSE(zcd.writeCall(sweep(0.01f, 3, 0.001f, 40000.0f, 0.0f))) << "no file open";
  EXPECT_FALSE(zcd.openFile("", "rec.wav", false));
  EXPECT_FALSE(zcd.openFile(d, "", false));
  EXPECT_FALSE(zcd.openFile(d + "/missing", "rec.wav", false));
  ASSERT_TRUE(zcd.openFile(d, "rec.wav", false));
  EXPECT_FALSE(zcd.openFile(d, "other.wav", false)) << "one file at a time";
  EXPECT_EQ(zcd.lastCrossingTime(), kZcdNoCrossing);
  zcd.writeHeader(when(2014, 9, 30, 1, 2, 3), 0, 0, 0, false);
  EXPECT_TRUE(zcd.closeFile());
  EXPECT_FALSE(zcd.closeFile());

  ASSERT_TRUE(zcd.openFile(d, "rec.wav", true));
  zcd.writeCall(sweep(0.01f, 3, 0.001f, 40000.0f, 0.0f));
  zcd.closeFile();
  const ZcFile f = decodeFile(dir.file("rec.00#"));
  EXPECT_EQ(f.header.year, 2014) << "appending keeps the header";
  EXPECT_FALSE(f.intervals.empty());
}

TEST(ZcdOpen, ARecordingUnderTheNameIsNeitherReplacedNorAppendedTo) {
  test::TempDir dir;
  const std::string d = dir.path().string();
  // A recording named like a zero-crossing file (given as an input by name).
  const test::Bytes wave = test::pcmWav(250000, 1, 16, test::Bytes(400, 7));
  test::writeFile(dir.file("rec.00#"), wave);
  GenerateZCD zcd;
  for (bool append : {false, true}) {
    EXPECT_FALSE(zcd.openFile(d, "rec.wav", append)) << append;
    EXPECT_NE(zcd.openProblem().find("holds a recording"), std::string::npos) << zcd.openProblem();
    EXPECT_EQ(test::readFile(dir.file("rec.00#")), wave);
  }
  // Any other file under the name is written as ever.
  test::writeFile(dir.file("rec.00#"), test::Bytes{'o', 'l', 'd'});
  ASSERT_TRUE(zcd.openFile(d, "rec.wav", false));
  EXPECT_TRUE(zcd.openProblem().empty());
  zcd.closeFile();
}

TEST(ZcdCombining, RecordingTimeAndCallWindow) {
  test::TempDir dir;
  GenerateZCD zcd;
  EXPECT_FALSE(zcd.acceptsRecordingTime(when(2014, 9, 30, 1, 2, 3))) << "no file open";
  ASSERT_TRUE(zcd.openFile(dir.path().string(), "rec.wav", false));
  zcd.writeHeader(when(2014, 9, 30, 1, 2, 3, 500), 0, 0, 0, false);
  zcd.writeCall(sweep(1.0f, 2, 0.001f, 40000.0f, 0.0f));
  const double last = zcd.lastCrossingTime();

  EXPECT_FALSE(zcd.acceptsRecordingTime(when(2014, 10, 1, 1, 2, 3, 500)));
  EXPECT_FALSE(zcd.acceptsRecordingTime(when(2014, 9, 30, 1, 2, 3, 480))) << "earlier";
  EXPECT_FALSE(zcd.acceptsRecordingTime(when(2014, 9, 30, 1, 2, 18, 500))) << "15 s on";
  EXPECT_TRUE(zcd.acceptsRecordingTime(when(2014, 9, 30, 1, 2, 3, 505)));
  EXPECT_EQ(zcd.lastCrossingTime(), last) << "within 10 ms nothing moves";
  EXPECT_TRUE(zcd.acceptsRecordingTime(when(2014, 9, 30, 1, 2, 5, 0)));
  EXPECT_NEAR(zcd.lastCrossingTime(), last - 1.5, 1e-9);
  EXPECT_NEAR(zcd.timeShift(), 1.5, 1e-9);
  EXPECT_EQ(zcd.reference().second, 5);
  EXPECT_EQ(zcd.reference().hundredths, 0);

  // The last crossing now lies just before -0.5 s on the new clock.
  EXPECT_TRUE(zcd.callFitsWindow(sweep(-0.49f, 2, 0.001f, 40000.0f, 0.0f)));
  EXPECT_TRUE(zcd.callFitsWindow(sweep(2.49f, 2, 0.001f, 40000.0f, 0.0f)));
  EXPECT_FALSE(zcd.callFitsWindow(sweep(2.51f, 2, 0.001f, 40000.0f, 0.0f)));
  EXPECT_FALSE(zcd.callFitsWindow(sweep(-0.6f, 2, 0.001f, 40000.0f, 0.0f)));
}

TEST(ZcdCombining, CombinedFileNames) {
  const DateTime t = when(2014, 9, 30, 1, 2, 3);
  EXPECT_EQ(GenerateZCD::combinedFileName("C:\\bats\\rec01.wav", t), "rec01_201409300102.03#");
  EXPECT_EQ(GenerateZCD::combinedFileName("/bats/20140930_0102.wav", t), "O_201409300102.03#");
  EXPECT_EQ(GenerateZCD::combinedFileName("site_D20140930T010203.wav", t),
            "site_201409300102.03#");
  // Year letters for names that start with a digit.
  const std::pair<int, char> letters[] = {{1995, '5'}, {2000, 'A'}, {2026, 'b'}, {2050, 'z'},
                                          {1980, 'z'}};
  for (const auto& [year, letter] : letters)
    EXPECT_EQ(GenerateZCD::combinedFileName("7.wav", when(year, 1, 2, 3, 4, 5))[0], letter);
  EXPECT_EQ(GenerateZCD::combinedFileName("", t), "");
  EXPECT_EQ(GenerateZCD::combinedFileName("/bats/", t), "");
  EXPECT_EQ(GenerateZCD::combinedFileName("rec01.wav", when(0, 9, 30, 1, 2, 3)), "");
}

// ---- the decoder on real files -------------------------------------------

// Rows of a decoded table: the header lines as key/value, then the rows.
struct Table {
  std::map<std::string, std::string> header;
  std::vector<std::vector<std::string>> rows;
};

Table readTable(const std::string& path) {
  Table t;
  std::ifstream in(path);
  std::string line;
  bool columns = false;
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, '\t')) cells.push_back(cell);
    if (!line.empty() && line[0] == '#') {
      t.header[cells[0].substr(1)] = cells.size() > 1 ? cells[1] : "";
    } else if (!columns) {
      columns = true;  // the column names
    } else {
      t.rows.push_back(cells);
    }
  }
  return t;
}

TEST(ZcDecoder, RealFilesAgreeWithTwoIndependentReaders) {
  const std::string real = test::realDataDir();
  if (real.empty()) GTEST_SKIP() << "real data not found at " << QUILVE_REAL_DATA_DIR;
  const std::string names[] = {"BioAcoustica_zcjs_demo", "bioacoustics_LACI_hoary_bat"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string base = real + "/zc/" + name;
    const ZcFile f = decodeFile(base + ".zc");
    const Table intervals = readTable(base + ".zcant_intervals.tsv");
    const Table dots = readTable(base + ".bioacousticsR_dots.tsv");
    ASSERT_FALSE(intervals.rows.empty()) << "reference table missing";

    const test::ZcHeader& h = f.header;
    EXPECT_EQ(std::to_string(h.fileType), intervals.header.at("file_type"));
    EXPECT_EQ(std::to_string(h.dataOffset), intervals.header.at("data_pointer"));
    EXPECT_EQ(std::to_string(h.divideRatio), intervals.header.at("divratio"));
    EXPECT_EQ(std::to_string(h.res1), intervals.header.at("res1"));
    EXPECT_EQ(std::to_string(h.vres), intervals.header.at("vres"));
    EXPECT_EQ(h.textField(16, 40), intervals.header.at("loc"));
    EXPECT_EQ(h.textField(122, 73), intervals.header.at("note1"));
    EXPECT_EQ(h.textField(56, 50), dots.header.at("SPECIES"));
    EXPECT_EQ(h.year, 0);

    ASSERT_EQ(std::to_string(f.intervals.size()), intervals.header.at("n_intervals"));
    ASSERT_EQ(f.intervals.size(), intervals.rows.size());
    for (std::size_t i = 0; i < f.intervals.size(); ++i) {
      const auto& row = intervals.rows[i];
      ASSERT_EQ(std::to_string(f.intervals[i].micros), row[1]) << "interval " << i;
      ASSERT_EQ(std::to_string(f.intervals[i].timeMicros), row[2]) << "interval " << i;
      ASSERT_EQ(f.intervals[i].off ? "1" : "0", row[3]) << "interval " << i;
    }
    EXPECT_EQ(std::to_string(f.intervals.back().timeMicros),
              intervals.header.at("total_time_us"));

    // The other reader lists the dots from time 0 on.
    ASSERT_GE(dots.rows.size(), 2u);
    ASSERT_LE(dots.rows.size(), f.intervals.size() + 1);
    EXPECT_EQ(dots.rows[0][1], "0");
    for (std::size_t i = 1; i < dots.rows.size(); ++i)
      ASSERT_EQ(std::to_string(f.intervals[i - 1].timeMicros), dots.rows[i][1]) << "dot " << i;
  }
}

}  // namespace
}  // namespace quilve
