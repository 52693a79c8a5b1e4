// The catalogue of settings behind --set and --list-settings: names and
// settings-file keys reach the same setting, the documented defaults and
// ranges are those the program holds, and the manual lists it as it is.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

#include "settings/settings_check.h"
#include "settings/settings_file.h"
#include "settings/settings_names.h"
#include "support/temp_dir.h"

using namespace quilve;
using quilve::test::TempDir;

namespace {

bool nameIn(const std::vector<std::string>& problems, const std::string& name) {
  for (const std::string& p : problems) {
    if (p.compare(0, name.size() + 1, name + "=") == 0) return true;
  }
  return false;
}

// The problems of the default settings with one setting changed.
std::vector<std::string> problemsWith(const std::string& name, const std::string& value) {
  ScanSettings s;
  std::string error;
  EXPECT_TRUE(setSettingByName(s, name, value, &error)) << name << "=" << value << ": " << error;
  return settingsProblems(s);
}

std::string numberText(double v) {
  std::ostringstream out;
  out.precision(9);
  out << v;
  return out.str();
}

// A value in range for every setting that a settings file holds, unlike its default.
std::string otherValue(const SettingDescription& d) {
  if (d.range == "0 or 1") return d.defaultText == "0" ? "1" : "0";
  if (d.whole) return d.defaultText == "2" ? "3" : "2";
  return "12345.5";
}

// troff text: minus signs escaped.
std::string troff(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
  return out;
}

// The manual page's settings list as the catalogue gives it.
std::string manualList() {
  std::string out;
  for (const SettingDescription& d : settingsCatalogue()) {
    out += ".TP\n\\fB" + d.name + "\\fR";
    if (!d.fileKey.empty()) out += ", settings file \\fB" + d.fileKey + "\\fR";
    out += "\nUnit: " + troff(d.unit) + ". Default: " + troff(d.defaultText) + ". Range: " + troff(d.range) + ".\n";
    std::string meaning = troff(d.meaning);
    meaning[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(meaning[0])));
    out += meaning + ".\n";
  }
  return out;
}

}  // namespace

TEST(SettingsCatalogue, NameAndSettingsFileKeyReachTheSameSettingInTheSameUnit) {
  const std::vector<SettingDescription> catalogue = settingsCatalogue();
  ASSERT_EQ(catalogue.size(), settingNames().size());
  TempDir dir;
  std::set<std::string> keys;
  for (std::size_t n = 0; n < catalogue.size(); ++n) {
    const SettingDescription& d = catalogue[n];
    EXPECT_EQ(d.name, settingNames()[n]);
    EXPECT_FALSE(d.unit.empty() || d.range.empty() || d.meaning.empty() || d.defaultText.empty()) << d.name;
    if (d.fileKey.empty()) continue;
    keys.insert(d.fileKey);
    const std::string value = otherValue(d);
    ScanSettings byName, byKey, byFile;
    std::string error;
    ASSERT_TRUE(setSettingByName(byName, d.name, value, &error)) << error;
    ASSERT_TRUE(setSettingByName(byKey, d.fileKey, value, &error)) << d.fileKey << ": " << error;
    EXPECT_NE(settingsValuesText(byName), settingsValuesText(ScanSettings{})) << d.name;
    EXPECT_EQ(settingsValuesText(byKey), settingsValuesText(byName)) << d.fileKey;
    // The key takes its value as a settings file line does.
    std::ofstream(dir.file("k.set")) << "QUILVE Configuration File\n" << d.fileKey << " = " << value << "\n";
    ASSERT_TRUE(readSettingsFile(dir.file("k.set"), byFile, nullptr));
    EXPECT_EQ(settingsValuesText(byFile), settingsValuesText(byName)) << d.fileKey;
  }
  // Every line a settings file holds has its key in the catalogue.
  ASSERT_TRUE(writeSettingsFile(dir.file("all.set"), ScanSettings{}));
  std::ifstream in(dir.file("all.set"));
  std::string line;
  std::getline(in, line);
  std::set<std::string> written;
  while (std::getline(in, line)) written.insert(line.substr(0, line.find(' ')));
  EXPECT_EQ(keys, written);

  ScanSettings s;
  std::string error;
  EXPECT_FALSE(setSettingByName(s, "SonoTriggerThreshold", "20", &error));  // a key is whole or nothing
  EXPECT_FALSE(setSettingByName(s, "", "20", &error));
  EXPECT_NE(error.find("--list-settings"), std::string::npos) << error;
  EXPECT_TRUE(setSettingByName(s, "SonoMinDuration", "0.002", &error));
  EXPECT_FLOAT_EQ(s.MinimumDuration, 0.002f);  // seconds, as the key and the name say
}

TEST(SettingsCatalogue, DefaultsAndRangesAreThoseTheProgramHolds) {
  for (const SettingDescription& d : settingsCatalogue()) {
    // The default, set again, changes nothing.
    if (d.defaultText != "empty") {
      ScanSettings s;
      std::string error;
      ASSERT_TRUE(setSettingByName(s, d.name, d.defaultText, &error)) << error;
      EXPECT_EQ(settingsValuesText(s), settingsValuesText(ScanSettings{})) << d.name << "=" << d.defaultText;
    }
    const double step = d.whole ? 1 : 0.5;
    if (d.low) {
      EXPECT_FALSE(nameIn(problemsWith(d.name, numberText(*d.low)), d.name)) << d.name << " at " << *d.low;
      ScanSettings s;
      std::string error;
      if (setSettingByName(s, d.name, numberText(*d.low - step), &error)) {
        EXPECT_TRUE(nameIn(settingsProblems(s), d.name)) << d.name << " below " << *d.low;
      } else {
        EXPECT_EQ(d.unit, "0/1") << d.name << ": " << error;  // only a flag takes no other value
      }
    }
    if (d.high) {
      EXPECT_FALSE(nameIn(problemsWith(d.name, numberText(*d.high)), d.name)) << d.name << " at " << *d.high;
      ScanSettings s;
      std::string error;
      if (setSettingByName(s, d.name, numberText(*d.high + step), &error)) {
        EXPECT_TRUE(nameIn(settingsProblems(s), d.name)) << d.name << " above " << *d.high;
      } else {
        EXPECT_EQ(d.unit, "0/1") << d.name << ": " << error;
      }
    }
    if (d.range == "any") {
      for (const char* far : {"-99999999", "99999999"}) {
        EXPECT_FALSE(nameIn(problemsWith(d.name, far), d.name)) << d.name << "=" << far;
      }
    }
  }
}

TEST(SettingsCatalogue, TheManualListsEverySettingAsTheCatalogueDoes) {
  const std::string page = quilve::test::fileText(std::string(QUILVE_SOURCE_DIR) + "/packaging/man/quilve-scan.1");
  const std::size_t section = page.find("\n.SH SETTINGS\n");
  ASSERT_NE(section, std::string::npos) << "no SETTINGS section in the manual page";
  const std::size_t from = page.find("\n.TP\n", section);
  const std::size_t to = page.find("\n.SH ", section + 1);
  ASSERT_LT(from, to);
  EXPECT_EQ(page.substr(from + 1, to - from - 1), manualList())
      << "the SETTINGS list of packaging/man/quilve-scan.1 should read:\n"
      << manualList();
}
