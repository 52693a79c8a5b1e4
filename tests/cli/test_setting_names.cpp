// Settings on the command line: --set by name or by settings-file key, and
// --list-settings.
#include <gtest/gtest.h>

#include <sstream>

#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;

namespace {

ProgramRun scan(const std::string& args, const TempDir& dir) {
  return runProgram(std::string(QUILVE_SCAN_BINARY) + " " + args, dir);
}

}  // namespace

TEST(SettingNames, SetTakesTheNameOrTheSettingsFileKeyInTheSameUnit) {
  TempDir dir;
  writeFile(dir.file("night.wav"), batRecording(3, 7));

  // A band above the calls leaves none; by name or by key, in Hz alike.
  const ProgramRun plain = scan("-o " + dir.file("plain.txt") + " " + dir.file("night.wav"), dir);
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_NE(plain.out.find("Total chirp count: 3\n"), std::string::npos) << plain.out;
  for (const char* set : {"MinimumFrequency=40000", "SonoMinFrequency=40000"}) {
    const ProgramRun r = scan(std::string("--set ") + set + " " + dir.file("night.wav"), dir);
    EXPECT_EQ(r.status, 0) << set << ": " << r.err;
    EXPECT_NE(r.out.find("Total chirp count: 0\n"), std::string::npos) << set << ": " << r.out;
  }
  // The key's value goes where a settings file line puts it.
  const ProgramRun saved = scan("--set SonoTriggerThresholdDB=20 --set DominantFrequencyMinHz=12000.5 "
                                "--set CharacteristicSlopeMaxHz=-7 --save-settings " + dir.file("k.set"),
                                dir);
  ASSERT_EQ(saved.status, 0) << saved.err;
  const std::string file = fileText(dir.file("k.set"));
  for (const char* line : {"SonoTriggerThresholdDB = 20.000000\n", "DominantFrequencyMinHz  = 12000.500000\n",
                           "CharacteristicSlopeMaxHz  = -7.000000\n"}) {
    EXPECT_NE(file.find(line), std::string::npos) << line << file;
  }
  // Checked as a name is, and named as given.
  const ProgramRun bad = scan("--set SonoMaxFrequency=100 " + dir.file("night.wav"), dir);
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("MaximumFrequency=100: must be above MinimumFrequency (15000)"), std::string::npos)
      << bad.err;
  const ProgramRun unknown = scan("--set SonoTrigger=20 " + dir.file("night.wav"), dir);
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("--list-settings"), std::string::npos) << unknown.err;
}

TEST(SettingNames, ListSettingsShowsEverySettingWithKeyUnitDefaultAndRange) {
  TempDir dir;
  const ProgramRun r = scan("--list-settings", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  std::getline(lines, line);
  const std::size_t keyColumn = line.find("SETTINGS-FILE KEY");
  EXPECT_EQ(line.rfind("NAME", 0), 0u) << line;
  ASSERT_NE(keyColumn, std::string::npos) << line;
  for (const char* heading : {"UNIT", "DEFAULT", "RANGE", "MEANING"}) {
    EXPECT_NE(line.find(heading), std::string::npos) << heading;
  }
  int count = 0;
  std::string trigger, outputFormat;
  while (std::getline(lines, line)) {
    ++count;
    if (line.rfind("TriggerThreshold ", 0) == 0) trigger = line;
    if (line.rfind("OutputFormat ", 0) == 0) outputFormat = line;
  }
  EXPECT_EQ(count, 45);
  // Columns line up: each key starts under the heading.
  EXPECT_EQ(trigger.find("SonoTriggerThresholdDB"), keyColumn) << trigger;
  std::istringstream words(trigger);
  std::string name, key, unit, dflt, range;
  words >> name >> key >> unit >> dflt >> range;
  EXPECT_EQ(unit + " " + dflt + " " + range, "dB 18 any") << trigger;
  EXPECT_EQ(outputFormat.substr(keyColumn, 2), "- ") << outputFormat;  // no settings file holds it
  EXPECT_NE(outputFormat.find(" 0 to 4 "), std::string::npos) << outputFormat;
  // Nothing else runs: no recording needed, none read.
  EXPECT_EQ(r.err, "");
}
