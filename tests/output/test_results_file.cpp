// Results files: the four layouts against checked-in files (the values in
// them were worked out by hand from three hand-built calls), the columns
// that depend on the previous call, and what happens when the file cannot
// be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "output/results_file.h"
#include "support/platform.h"
#include "support/temp_dir.h"

namespace quilve {
namespace {

const char* const kRecordingPath = "C:\\Bats\\2012\\D20120704T213015m250_bats.wav";

// A 50 -> 25 kHz hockey-stick call with a knee and a second harmonic; the
// first call of its recording.
CallParameters firstCall() {
  CallParameters c;
  c.startTime = 0.125f; c.duration = 0.004f;
  c.maxLevel = 78.4f; c.maxHarmonicLevel = 42.5f;
  c.globalSlope = -6.0f; c.globalSlopeOct = 250.0f;
  c.startFrequency = 50000; c.initialSlope = -12.5f; c.initialSlopeOct = 410.3f;
  c.endFrequency = 25000; c.endSlope = -0.75f;
  c.maxFrequency = 50000; c.maxFrequencyTime = 0.125f;
  c.minFrequency = 24800; c.minFrequencyTime = 0.1288f;
  c.dominantFrequency = 27500; c.dominantTime = 0.003f; c.meanFrequency = 31250;
  c.harmonicFundamental = 30000; c.harmonicFrequency = 60000;
  c.charFrequency = 25.4f; c.charSlope = -0.6f; c.charSlopeOct = 34.5f; c.charTime = 3.6f;
  c.kneeFrequency = 30.0f; c.kneeTime = 1.6f; c.kneeSlope = -2.5f; c.kneeDeviation = 4.2f;
  c.hasKnee = 1;
  c.upperMeanFrequency = 39000; c.upperSlope = -12.5f; c.upperSlopeOct = 491.2f;
  c.upperDuration = 1.6f;
  c.lowerMeanFrequency = 26900; c.lowerSlope = -2.083333f; c.lowerSlopeOct = 129.3f;
  c.lowerDuration = 2.4f;
  c.curvature = 2.6f; c.fitErrorPercent = 3.25f;
  c.linearR2 = 0.871234f; c.linearCoeff = -6.012345f;
  c.quadraticR2 = 0.95f; c.quadraticCoeff1 = -11.5f; c.quadraticCoeff2 = 1.25f;
  c.cubicR2 = 0.991f; c.cubicCoeff1 = -15.25f; c.cubicCoeff2 = 3.5f; c.cubicCoeff3 = -0.3125f;
  c.polyFitQuality = 0.9612f; c.polyOrder = 3;
  c.polyCoefficients = {49.875f, -15.25f, 3.5f, -0.3125f, 0, 0, 0, 0, 0};
  return c;
}

// 108.5 ms after the end of the first call; no knee, no harmonic.
CallParameters secondCall() {
  CallParameters c;
  c.startTime = 0.2375f; c.duration = 0.0035f;
  c.maxLevel = 71.3f; c.maxHarmonicLevel = 0;
  c.globalSlope = -4.2f; c.globalSlopeOct = 210.5f;
  c.startFrequency = 46000; c.initialSlope = -8.75f; c.initialSlopeOct = 300.25f;
  c.endFrequency = 31000; c.endSlope = -3.5f;
  c.maxFrequency = 46500; c.maxFrequencyTime = 0.2385f;
  c.minFrequency = 31000; c.minFrequencyTime = 0.241f;
  c.dominantFrequency = 36500; c.dominantTime = 0.0015f; c.meanFrequency = 38200;
  c.charFrequency = 31.0f; c.charSlope = -4.2f; c.charSlopeOct = 210.5f; c.charTime = 3.5f;
  c.kneeFrequency = 46.0f; c.hasKnee = 0;
  c.upperMeanFrequency = 38200; c.upperSlope = -4.2f; c.upperSlopeOct = 210.5f;
  c.upperDuration = 3.5f;
  c.lowerMeanFrequency = 38200; c.lowerSlope = -4.2f; c.lowerSlopeOct = 210.5f;
  c.lowerDuration = 3.5f;
  c.curvature = -1.4f; c.fitErrorPercent = 1.5f;
  c.linearR2 = 0.9975f; c.linearCoeff = -4.25f;
  c.quadraticR2 = 0.998f; c.quadraticCoeff1 = -4.5f; c.quadraticCoeff2 = 0.0625f;
  c.cubicR2 = 0.999f; c.cubicCoeff1 = -4.75f; c.cubicCoeff2 = 0.125f;
  c.cubicCoeff3 = -0.015625f;
  c.polyFitQuality = 0.9871f; c.polyOrder = 1;
  c.polyCoefficients = {46.125f, -4.25f, 0, 0, 0, 0, 0, 0, 0};
  return c;
}

// Starts 2 ms before the second call ends (a negative gap); its upper part
// is flatter than its lower part.
CallParameters thirdCall() {
  CallParameters c;
  c.startTime = 0.2390f; c.duration = 0.002f;
  c.maxLevel = 65.5f; c.maxHarmonicLevel = 12.0f;
  c.globalSlope = -10.5f; c.globalSlopeOct = 600.0f;
  c.startFrequency = 62000; c.initialSlope = -2.0f; c.initialSlopeOct = 45.0f;
  c.endFrequency = 41000; c.endSlope = -18.0f;
  c.maxFrequency = 62500; c.maxFrequencyTime = 0.2392f;
  c.minFrequency = 40500; c.minFrequencyTime = 0.2404f;
  c.dominantFrequency = 58000; c.dominantTime = 0.0005f; c.meanFrequency = 55500;
  c.harmonicFundamental = 58500; c.harmonicFrequency = 117250;
  c.charFrequency = 60.5f; c.charSlope = -1.25f; c.charSlopeOct = 30.0f; c.charTime = 0.5f;
  c.kneeFrequency = 59.0f; c.kneeTime = 0.8f; c.kneeSlope = -8.0f; c.kneeDeviation = 1.75f;
  c.hasKnee = 1;
  c.upperMeanFrequency = 60400; c.upperSlope = -3.75f; c.upperSlopeOct = 100.25f;
  c.upperDuration = 0.8f;
  c.lowerMeanFrequency = 49500; c.lowerSlope = -15.0f; c.lowerSlopeOct = 420.75f;
  c.lowerDuration = 1.2f;
  c.curvature = -3.0f; c.fitErrorPercent = 6.13f;
  c.linearR2 = 0.75f; c.linearCoeff = -10.5f;
  c.quadraticR2 = 0.875f; c.quadraticCoeff1 = -3.25f; c.quadraticCoeff2 = -3.5f;
  c.cubicR2 = 0.9375f; c.cubicCoeff1 = -1.5f; c.cubicCoeff2 = -6.0f; c.cubicCoeff3 = 0.75f;
  c.polyFitQuality = 0.9412f; c.polyOrder = 3;
  c.polyCoefficients = {62.0f, -1.5f, -6.0f, 0.75f, 0, 0, 0, 0, 0};
  return c;
}

RecordingMetadata position(bool valid) {
  RecordingMetadata m;
  m.latitude = 51.123456f;
  m.longitude = -1.234567f;
  m.altitude = 87.5f;
  m.gpsValid = valid;
  return m;
}

ScanSettings layout(int format, bool spl = false, bool curvature = false, bool fit = false,
                    bool gps = false) {
  ScanSettings s;
  s.OutputFormat = format;
  s.IncludeSoundPressureLevel = spl;
  s.IncludeCurvature = curvature;
  s.IncludeCurveFitError = fit;
  s.IncludeGPSCoordinates = gps;
  return s;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '\t')) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.push_back("");
  return fields;
}

std::string withoutNewline(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// The value under `title` in a one-row table of `header` and `row`.
std::string column(const std::string& header, const std::string& row, const std::string& title) {
  const auto titles = splitTabs(withoutNewline(header));
  const auto values = splitTabs(withoutNewline(row));
  const auto at = std::find(titles.begin(), titles.end(), title);
  if (at == titles.end() || values.size() != titles.size()) return "<no such column>";
  return values[static_cast<std::size_t>(at - titles.begin())];
}

class RecordingReporter : public Reporter {
 public:
  void warning(const std::string& text) override { warnings.push_back(text); }
  void trace(const std::string& text) override { traces.push_back(text); }
  std::vector<std::string> warnings;
  std::vector<std::string> traces;
};

// --- The layouts against the checked-in files ----------------------------------

struct ExpectedFile {
  const char* name;
  ScanSettings settings;
  bool gpsValid;
};

class ResultsLayoutFile : public ::testing::TestWithParam<ExpectedFile> {};

// Row 1 is the first call of its recording (Prev and TBC 0, its previous call
// being itself), row 2 follows a gap, row 3 starts before row 2 ends (TBC 0).
TEST_P(ResultsLayoutFile, ThreeCallsMatchTheCheckedInFileByteForByte) {
  const ExpectedFile& expected = GetParam();
  auto store = std::make_unique<ChirpStore>();
  store->parameters[0] = firstCall();
  store->parameters[1] = secondCall();
  store->parameters[2] = thirdCall();

  test::TempDir dir;
  const std::string results = dir.file("results.txt");
  ResultsFileLog log;
  for (int slot = 0; slot < 3; ++slot) {
    ASSERT_TRUE(writeResultRow(results, *store, slot, slot == 0, kRecordingPath,
                               position(expected.gpsValid), expected.settings, &log));
  }
  const std::string want =
      readFile(std::string(QUILVE_SOURCE_DIR) + "/tests/output/data/" + expected.name);
  ASSERT_FALSE(want.empty()) << expected.name;
  EXPECT_EQ(readFile(results), want) << expected.name;
}

INSTANTIATE_TEST_SUITE_P(
    AllLayouts, ResultsLayoutFile,
    ::testing::Values(
        ExpectedFile{"analook.txt", layout(kOutputAnalook), true},
        ExpectedFile{"analook_options.txt", layout(kOutputAnalook, true, true, true, true), true},
        ExpectedFile{"sonobat2.txt", layout(kOutputSonoBat2), true},
        ExpectedFile{"sonobat2_options_no_gps.txt",
                     layout(kOutputSonoBat2, true, true, true, true), false},
        // Echoclass has no optional parts: every option on must change nothing.
        ExpectedFile{"echoclass.txt", layout(kOutputEchoclass), true},
        ExpectedFile{"echoclass.txt", layout(kOutputEchoclass, true, true, true, true), true},
        // The own layout always has its level, curvature and fit columns.
        ExpectedFile{"own.txt", layout(kOutputQuilve, true, true, true, false), true},
        ExpectedFile{"own.txt", layout(kOutputQuilve), true},
        ExpectedFile{"own_gps.txt", layout(kOutputQuilve, false, false, false, true), true}),
    [](const ::testing::TestParamInfo<ExpectedFile>& info) {
      std::string name = info.param.name;
      name = name.substr(0, name.find('.'));
      return name + "_" + std::to_string(info.index);
    });

// --- Headers and rows -----------------------------------------------------------

TEST(ResultsHeader, EveryRowHasOneValuePerHeaderColumnWithAnyOptions) {
  const CallParameters call = firstCall();
  for (int format : {kOutputAnalook, kOutputSonoBat2, kOutputEchoclass, kOutputQuilve}) {
    for (int options = 0; options < 16; ++options) {
      for (bool valid : {true, false}) {
        const ScanSettings s =
            layout(format, options & 1, options & 2, options & 4, options & 8);
        const std::string header = resultsHeader(s);
        const std::string row = formatResultRow(call, call, "a.wav", position(valid), s);
        ASSERT_EQ(header.back(), '\n');
        ASSERT_EQ(row.back(), '\n');
        EXPECT_EQ(std::count(header.begin(), header.end(), '\n'), 1);
        EXPECT_EQ(std::count(row.begin(), row.end(), '\n'), 1);
        EXPECT_EQ(splitTabs(withoutNewline(header)).size(),
                  splitTabs(withoutNewline(row)).size())
            << "format " << format << " options " << options << " gps " << valid;
      }
    }
  }
}

TEST(ResultsHeader, DoubledPercentSignsAreWrittenSingle) {
  const std::string analook = resultsHeader(layout(kOutputAnalook, false, false, true));
  const std::string sonobat = resultsHeader(layout(kOutputSonoBat2, false, false, true));
  const std::string echoclass = resultsHeader(layout(kOutputEchoclass));
  const std::string own = resultsHeader(layout(kOutputQuilve));
  for (const std::string* header : {&analook, &sonobat, &echoclass, &own}) {
    EXPECT_EQ(header->find("%%"), std::string::npos) << *header;
  }
  EXPECT_NE(analook.find("\tFit (%RMS)\n"), std::string::npos);
  EXPECT_NE(sonobat.find("\tLdom (%)\t"), std::string::npos);
  EXPECT_NE(sonobat.find("\tLhi (%)\t"), std::string::npos);
  EXPECT_NE(echoclass.find("\tTBC\t%k\t"), std::string::npos);
  EXPECT_NE(own.find("\tFit (%)\tOrder\tCoef0\t"), std::string::npos);
}

TEST(ResultsHeader, UnknownFormatsUseAnalookAndZeroCrossingOutputHasNoLines) {
  const std::string analook = resultsHeader(layout(kOutputAnalook));
  EXPECT_EQ(resultsHeader(layout(5)), analook);
  EXPECT_EQ(resultsHeader(layout(-1)), analook);
  EXPECT_EQ(resultsHeader(layout(kOutputZcd)), "");
  const CallParameters call = firstCall();
  EXPECT_EQ(formatResultRow(call, call, "a.wav", position(true), layout(kOutputZcd)), "");
}

TEST(ResultsRow, CallOfZeroDurationWritesNoNonNumbers) {
  // Never measured by the scan (the duration test comes first), but a row
  // must stay readable whatever it is given.
  CallParameters flat;
  for (int format : {kOutputAnalook, kOutputSonoBat2, kOutputEchoclass, kOutputQuilve}) {
    const std::string row =
        formatResultRow(flat, flat, "a.wav", position(true), layout(format, true, true, true, true));
    EXPECT_EQ(row.find("nan"), std::string::npos) << row;
    EXPECT_EQ(row.find("inf"), std::string::npos) << row;
  }
}

TEST(ResultsRow, ConstantFrequencyCallHasALineAngleOf180) {
  CallParameters cf = secondCall();
  cf.endFrequency = cf.startFrequency;
  const ScanSettings s = layout(kOutputEchoclass);
  EXPECT_EQ(column(resultsHeader(s), formatResultRow(cf, cf, "a.wav", position(true), s),
                   "Line Angle"),
            "180.00");
}

TEST(ResultsRow, FileNameIsTheLastPathComponentAndLongNamesAreKept) {
  EXPECT_EQ(recordingFileName("C:\\Bats\\night 1\\a.wav"), "a.wav");
  EXPECT_EQ(recordingFileName("/data/bats/b.wav"), "b.wav");
  EXPECT_EQ(recordingFileName("c.wav"), "c.wav");
  EXPECT_EQ(recordingFileName("/data/bats/"), "");

  const std::string longName(700, 'x');
  const CallParameters call = firstCall();
  const std::string row = formatResultRow(call, call, longName, position(false),
                                          layout(kOutputAnalook));
  EXPECT_EQ(row.substr(0, longName.size() + 8), longName + "\t125.00\t");
  EXPECT_EQ(row.back(), '\n');
}

TEST(ResultsRow, ANameWithTabsOrLineEndsStaysInItsColumn) {
  const CallParameters call = firstCall();
  for (int format : {kOutputAnalook, kOutputSonoBat2, kOutputEchoclass, kOutputQuilve}) {
    const ScanSettings s = layout(format);
    const std::string plain = formatResultRow(call, call, "a_b_c_\xE9.wav", position(false), s);
    const std::string odd = formatResultRow(call, call, "a\tb\nc\r\xE9.wav", position(false), s);
    // Only the name differs: each control character is one "?".
    std::string expected = plain;
    expected.replace(0, std::string("a_b_c_").size(), "a?b?c?");
    EXPECT_EQ(odd, expected);
  }
}

// --- Writing the file -------------------------------------------------------------

class ResultsWriting : public ::testing::Test {
 protected:
  bool write(const std::string& path, int slot, bool newFile, RecordingReporter* reporter = nullptr) {
    log.reporter = reporter;
    return writeResultRow(path, *store, slot, newFile, kRecordingPath, position(true), settings,
                          &log);
  }
  void SetUp() override {
    store = std::make_unique<ChirpStore>();
    store->parameters[0] = firstCall();
    store->parameters[1] = secondCall();
    store->parameters[2] = thirdCall();
  }
  std::string header() const { return resultsHeader(settings); }
  std::string row(int slot) const {
    const auto& p = store->parameters;
    return formatResultRow(p[slot], p[slot == 0 ? 0 : slot - 1], "D20120704T213015m250_bats.wav",
                           position(true), settings);
  }

  std::unique_ptr<ChirpStore> store;
  ScanSettings settings = layout(kOutputAnalook);
  ResultsFileLog log;
  test::TempDir dir;
};

TEST_F(ResultsWriting, NewFileTruncatesAndWritesTheHeaderAppendWritesRowsOnly) {
  const std::string path = dir.file("results.txt");
  { std::ofstream(path) << "old contents\n"; }

  ASSERT_TRUE(write(path, 0, true));
  // Closed after every row: the file on disk is complete at once.
  EXPECT_EQ(readFile(path), header() + row(0));
  ASSERT_TRUE(write(path, 1, false));
  EXPECT_EQ(readFile(path), header() + row(0) + row(1));

  // No handle is kept between rows: a file removed in between is started
  // again by the next append (without a header, as nobody asked for one).
  std::filesystem::remove(path);
  ASSERT_TRUE(write(path, 2, false));
  EXPECT_EQ(readFile(path), row(2));
}

TEST_F(ResultsWriting, EmptyPathAndZeroCrossingOutputWriteNothing) {
  EXPECT_TRUE(write("", 0, true));
  settings.OutputFormat = kOutputZcd;
  const std::string path = dir.file("zcd.txt");
  EXPECT_TRUE(write(path, 0, true));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ResultsWriting, UnopenableFileIsReportedOncePerPathAndTheScanGoesOn) {
  RecordingReporter reporter;
  const std::string missing = dir.file("no such folder/results.txt");
  const std::string other = dir.file("nor this one/results.txt");
  const std::string good = dir.file("results.txt");

  EXPECT_FALSE(write(missing, 0, true, &reporter));
  EXPECT_FALSE(write(missing, 1, false, &reporter));
  EXPECT_FALSE(write(missing, 2, true, &reporter));
  ASSERT_EQ(reporter.warnings, std::vector<std::string>{"Failed opening results file " + missing + ": No such file or directory"});
  ASSERT_EQ(reporter.traces,
            std::vector<std::string>{"Failed opening results file " + missing + ": No such file or directory\n"});

  EXPECT_FALSE(write(other, 0, true, &reporter));
  EXPECT_EQ(reporter.warnings.size(), 2u);
  EXPECT_EQ(reporter.warnings.back(),
            "Failed opening results file " + other + ": No such file or directory");

  // Later rows to a good file are written as usual.
  EXPECT_TRUE(write(good, 0, true, &reporter));
  EXPECT_EQ(readFile(good), header() + row(0));
  EXPECT_EQ(reporter.warnings.size(), 2u);

  // Without a reporter the failure is only returned.
  EXPECT_FALSE(writeResultRow(missing, *store, 0, true, kRecordingPath, position(true), settings,
                              nullptr));
}

TEST_F(ResultsWriting, FailedWriteIsReported) {
  SKIP_WITHOUT(test::noDevices());
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  RecordingReporter reporter;
  EXPECT_FALSE(write("/dev/full", 0, true, &reporter));
  EXPECT_FALSE(write("/dev/full", 1, false, &reporter));
  EXPECT_EQ(reporter.warnings, std::vector<std::string>{"Failed writing results file /dev/full: No space left on device"});
}

}  // namespace
}  // namespace quilve
