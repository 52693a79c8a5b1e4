// The settings file: byte-exact writing, the reader's key and value rules.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "settings/settings_file.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve;
using quilve::test::TempDir;

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void spit(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Reads a file made of the header and `body`; returns what was printed.
std::string readBody(const TempDir& dir, const std::string& body, ScanSettings& s,
                     bool* ok = nullptr) {
  const std::string path = dir.file("x.set");
  spit(path, "QUILVE Configuration File\n" + body);
  std::FILE* warnings = std::tmpfile();
  const bool result = readSettingsFile(path, s, warnings);
  if (ok) *ok = result;
  std::rewind(warnings);
  std::string out;
  char buf[512];
  while (std::fgets(buf, sizeof buf, warnings)) out += buf;
  std::fclose(warnings);
  return out;
}

}  // namespace

TEST(SettingsFileWrite, DefaultFileIsWrittenByteForByte) {
  TempDir dir;
  const std::string path = dir.file("default.set");
  ASSERT_TRUE(writeSettingsFile(path, ScanSettings{}));
  const std::string expected =
      "QUILVE Configuration File\n"
      "DetailSelection = 3\n"
      "PopFilterSelection = 0\n"
      "ClutterFilterSelection = 1\n"
      "RestrictionSelection = 1\n"
      "SonoPowerThresholdDB = 21.000000\n"
      "SonoTriggerThresholdDB = 18.000000\n"
      "SonoMinDuration = 0.000500\n"
      "SonoMinFrequency = 15000.000000\n"
      "SonoMaxFrequency = 125000.000000\n"
      "DominantFrequencyEnable = 0\n"
      "DominantFrequencyMinHz  = 10000.000000\n"
      "DominantFrequencyMaxHz  = 120000.000000\n"
      "EndingFrequencyEnable = 0\n"
      "EndingFrequencyMinHz  = 10000.000000\n"
      "EndingFrequencyMaxHz  = 120000.000000\n"
      "CharacteristicFrequencyEnable = 0\n"
      "CharacteristicFrequencyMinHz  = 10000.000000\n"
      "CharacteristicFrequencyMaxHz  = 120000.000000\n"
      "CharacteristicSlopeEnable = 0\n"
      "CharacteristicSlopeMinHz  = -100.000000\n"
      "CharacteristicSlopeMaxHz  = 100.000000\n"
      "UpperSlopeEnable = 0\n"
      "UpperSlopeMinHz  = -100.000000\n"
      "UpperSlopeMaxHz  = 100.000000\n"
      "CurvatureFilterEnable = 0\n"
      "CurvatureFilterMin  = -8.000000\n"
      "CurvatureFilterMax  = 8.000000\n";
  EXPECT_EQ(slurp(path), expected);
  EXPECT_FALSE(writeSettingsFile(dir.file("no/such/dir.set"), ScanSettings{}));
}

TEST(SettingsFileWrite, NamesInAnyScriptAndWritesThatFail) {
  TempDir dir;
  // UTF-8 names, as every part of the program passes them.
  const std::string path = dir.file("r\u00e9glages \u03bd\u03cd\u03c7\u03c4\u03b1 \u591c.set");
  ScanSettings s;
  s.DetailSelection = 7;
  ASSERT_TRUE(writeSettingsFile(path, s));
  ScanSettings back;
  ASSERT_TRUE(readSettingsFile(path, back, nullptr));
  EXPECT_EQ(back.DetailSelection, 7);
  // A file that cannot take the text is not a saved settings file.
  if (std::FILE* full = std::fopen("/dev/full", "w")) {
    std::fclose(full);
    errno = 0;
    EXPECT_FALSE(writeSettingsFile("/dev/full", s));
    EXPECT_EQ(errno, ENOSPC);
  }
}

TEST(SettingsFileRead, RoundTripKeepsEveryValueToSixDecimals) {
  TempDir dir;
  ScanSettings s;
  s.DetailSelection = 9;
  s.PopSelection = 1;
  s.FitSelection = 3;
  s.TriggerThreshold = -4.5f;
  s.MinimumDuration = 0.0000004f;  // below six decimals: comes back as 0
  s.EnableUpperSlopeFilter = true;
  s.UpperSlopeMinValue = -2.25f;
  s.CurvatureMaxValue = 3.125f;
  s.OutputFormat = 3;  // not part of the file
  const std::string path = dir.file("round.set");
  ASSERT_TRUE(writeSettingsFile(path, s));
  ScanSettings back;
  ASSERT_TRUE(readSettingsFile(path, back, nullptr));
  EXPECT_EQ(back.DetailSelection, 9);
  EXPECT_EQ(back.PopSelection, 1);
  EXPECT_EQ(back.FitSelection, 3);
  EXPECT_FLOAT_EQ(back.TriggerThreshold, -4.5f);
  EXPECT_EQ(back.MinimumDuration, 0.0f);
  EXPECT_TRUE(back.EnableUpperSlopeFilter);
  EXPECT_FLOAT_EQ(back.UpperSlopeMinValue, -2.25f);
  EXPECT_FLOAT_EQ(back.CurvatureMaxValue, 3.125f);
  EXPECT_EQ(back.OutputFormat, 0);
}

TEST(SettingsFileRead, KeysAndSeparators) {
  TempDir dir;
  ScanSettings s;
  EXPECT_EQ(readBody(dir, "DetailSelection 7\n", s), "");
  EXPECT_EQ(s.DetailSelection, 7);
  s = ScanSettings{};
  readBody(dir, "DetailSelection   =   8\n", s);
  EXPECT_EQ(s.DetailSelection, 8);
  // "=" straight after the key: the value text is empty.
  s = ScanSettings{};
  EXPECT_EQ(readBody(dir, "DetailSelection=7\n", s),
            "\n WARNING: Bad key value - DetailSelection=7 : \n");
  EXPECT_EQ(s.DetailSelection, 3);
  // The written slope key carries "Hz"; the reader's key stops before it.
  s = ScanSettings{};
  readBody(dir, "CharacteristicSlopeMinHz  = -12.5\nUpperSlopeMaxWhatever = 4\n", s);
  EXPECT_FLOAT_EQ(s.CharacteristicSlopeMinValue, -12.5f);
  EXPECT_FLOAT_EQ(s.UpperSlopeMaxValue, 4.0f);
  // Unknown keys, blank lines and comments are ignored silently.
  s = ScanSettings{};
  EXPECT_EQ(readBody(dir, "\n# comment\nNoSuchKey = 5\nDetailSelection\n", s), "");
  EXPECT_EQ(s.DetailSelection, 3);
}

TEST(SettingsFileRead, ValuesAreTruncatedOrFlaggedAndBadOnesWarn) {
  TempDir dir;
  ScanSettings s;
  readBody(dir, "DetailSelection = 3.9\nDominantFrequencyEnable = 0.5\n", s);
  EXPECT_EQ(s.DetailSelection, 3);
  EXPECT_FALSE(s.EnableDominantFreqFilter);
  readBody(dir, "DominantFrequencyEnable = 2\nEndingFrequencyEnable = -1\n", s);
  EXPECT_TRUE(s.EnableDominantFreqFilter);
  EXPECT_FALSE(s.EnableEndingFreqFilter);
  readBody(dir, "SonoMinDuration = .001\n", s);
  EXPECT_FLOAT_EQ(s.MinimumDuration, 0.001f);
  const std::string out = readBody(dir, "SonoMinDuration = 1e-3\nSonoMinFrequency = 5 \n", s);
  EXPECT_FLOAT_EQ(s.MinimumDuration, 0.001f);
  EXPECT_FLOAT_EQ(s.MinimumFrequency, 15000.0f);
  EXPECT_NE(out.find("SonoMinDuration = 1e-3 : 1e-3"), std::string::npos) << out;
  EXPECT_NE(out.find("SonoMinFrequency = 5  : 5 "), std::string::npos) << out;
  // A number too large for the setting is a bad value, not undefined behaviour.
  readBody(dir, "DetailSelection = " + std::string(60, '9') + "\n", s);
  EXPECT_EQ(s.DetailSelection, 3);
}

TEST(SettingsFileRead, CrLfLineEndsLoadLikeLf) {
  TempDir dir;
  // A whole file written with CR LF, as saved on another platform.
  ScanSettings written;
  written.DetailSelection = 9;
  written.TriggerThreshold = -4.5f;
  written.EnableUpperSlopeFilter = true;
  const std::string lf = dir.file("lf.set");
  ASSERT_TRUE(writeSettingsFile(lf, written));
  std::string crlf;
  for (char c : slurp(lf)) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  spit(dir.file("crlf.set"), crlf);
  ScanSettings back;
  std::FILE* warnings = std::tmpfile();
  ASSERT_TRUE(readSettingsFile(dir.file("crlf.set"), back, warnings));
  EXPECT_EQ(std::ftell(warnings), 0L) << "no line may be refused";
  std::fclose(warnings);
  EXPECT_EQ(back.DetailSelection, 9);
  EXPECT_FLOAT_EQ(back.TriggerThreshold, -4.5f);
  EXPECT_TRUE(back.EnableUpperSlopeFilter);
  // A bad value on a CR LF line warns without the CR; a CR inside the line is
  // shown, not printed raw.
  ScanSettings s;
  EXPECT_EQ(readBody(dir, "DetailSelection=7\r\n", s),
            "\n WARNING: Bad key value - DetailSelection=7 : \n");
  EXPECT_EQ(readBody(dir, "DetailSelection = 7\rx\r\n", s),
            "\n WARNING: Bad key value - DetailSelection = 7\\rx : 7\\rx\n");
}

TEST(SettingsFileRead, HeaderDecidesWhetherAnythingIsRead) {
  TempDir dir;
  const std::string path = dir.file("h.set");
  spit(path, "QUILVEx anything\nDetailSelection = 5\n");
  ScanSettings s;
  EXPECT_TRUE(readSettingsFile(path, s, nullptr));
  EXPECT_EQ(s.DetailSelection, 5);
  spit(path, "# QUILVE Configuration File\nDetailSelection = 6\n");
  EXPECT_FALSE(readSettingsFile(path, s, nullptr));
  EXPECT_EQ(s.DetailSelection, 5);
  EXPECT_FALSE(readSettingsFile(dir.file("missing.set"), s, nullptr));
  EXPECT_FALSE(readSettingsFile(dir.path().string(), s, nullptr));
}

TEST(SettingsNumber, Syntax) {
  float v = -1;
  for (const char* good : {"5", "5.", ".5", "-0.25", "."}) {
    EXPECT_TRUE(parseSettingsNumber(good, &v)) << good;
  }
  EXPECT_TRUE(parseSettingsNumber(".", &v));
  EXPECT_EQ(v, 0.0f);
  EXPECT_TRUE(parseSettingsNumber("-0.25", &v));
  EXPECT_FLOAT_EQ(v, -0.25f);
  for (const char* bad : {"", "-", "5 ", "1e3", "+5", "5.5.5", "5\r"}) {
    EXPECT_FALSE(parseSettingsNumber(bad, &v)) << bad;
  }
}
