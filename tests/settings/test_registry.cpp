// The registry hive and the settings and history stored in it: in a hive
// file, or on Windows in the current user's registry.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "settings/registry.h"
#include "settings/registry_store.h"
#include "settings/reporter.h"
#include "support/temp_dir.h"

using namespace quilve;
using quilve::test::TempDir;

namespace {

#ifdef _WIN32
std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// A key of the test's own under HKEY_CURRENT_USER\Software, removed with all
// it holds at the end; the hive keeps its keys under it.
class HiveLocation {
 public:
  explicit HiveLocation(const std::string& = {}) {
    static std::atomic<int> count{0};
    key_ = std::string(kParent) + "\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
  }
  ~HiveLocation() {
    RegDeleteTreeW(HKEY_CURRENT_USER, wide(key_).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, wide(kParent).c_str());  // only when no other test's key is left
  }
  const std::string& hive() const { return key_; }
  bool stored() const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, wide(key_ + "\\" + kSettingsKeyPath).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(key);
    return true;
  }
  // Stores the keys and values of hive text as they are, types included.
  void store(const std::string& text) const {
    RegistryHive hive(key_);
    std::string error;
    ASSERT_TRUE(hive.parse(text, &error)) << error;
    ASSERT_TRUE(hive.save(&error)) << error;
  }

 private:
  static constexpr const char* kParent = "Software\\QUILVE tests";
  std::string key_;
};
#else
// A hive file in a fresh folder.
class HiveLocation {
 public:
  explicit HiveLocation(const std::string& name = "registry.reg") : file_(dir_.file(name)) {}
  const std::string& hive() const { return file_; }
  bool stored() const { return std::filesystem::exists(file_); }
  void store(const std::string& text) const { std::ofstream(file_) << text; }

 private:
  TempDir dir_;
  std::string file_;
};
#endif

struct Recorder : Reporter {
  std::vector<std::string> warnings, traces;
  void warning(const std::string& t) override { warnings.push_back(t); }
  void trace(const std::string& t) override { traces.push_back(t); }
};

std::uint32_t dwordOf(RegistryHive& hive, const char* key, const char* name) {
  const RegValue* v = hive.open(key, false)->value(name);
  EXPECT_TRUE(v && v->type == RegType::Dword) << name;
  return v ? v->dword : 0xDEADBEEF;
}

// Saves settings and history into a fresh hive file and loads them back from
// a second hive reading the same file.
void roundTrip(const std::string& file, const ScanSettings& in, const DirectoryHistory& hin,
               ScanSettings& out, DirectoryHistory& hout) {
  RegistryHive hive(file);
  ScanSettings scratch;
  DirectoryHistory hscratch;
  loadSettings(hive, kSettingsKeyPath, scratch);
  loadHistory(hive, kHistoryKeyPath, hscratch);
  saveSettings(hive, kSettingsKeyPath, in, nullptr);
  saveHistory(hive, kHistoryKeyPath, hin, nullptr);
  RegistryHive again(file);
  ASSERT_TRUE(again.load(nullptr));
  loadSettings(again, kSettingsKeyPath, out);
  loadHistory(again, kHistoryKeyPath, hout);
}

}  // namespace

TEST(RegistryStore, FirstStartCreatesKeysKeepsDefaultsAndShutdownWritesEverything) {
  const HiveLocation where("cfg/quilve/registry.reg");
  RegistryHive hive(where.hive());
  ASSERT_TRUE(hive.load(nullptr));  // no file yet
  ScanSettings s;
  DirectoryHistory h;
  loadSettings(hive, kSettingsKeyPath, s);
  loadHistory(hive, kHistoryKeyPath, h);
  EXPECT_EQ(s.TriggerThreshold, 18.0f);
  EXPECT_EQ(s.DetailSelection, 3);
  ASSERT_NE(hive.open(kSettingsKeyPath, false), nullptr);
  ASSERT_NE(hive.open(kHistoryKeyPath, false), nullptr);
  Recorder r;
  saveSettings(hive, kSettingsKeyPath, s, &r);
  saveHistory(hive, kHistoryKeyPath, h, &r);
  EXPECT_TRUE(r.warnings.empty());
  EXPECT_EQ(hive.open(kSettingsKeyPath, false)->valueNames().size(), 41u);
  // Empty head directories are not written; the sixteen program values are.
  EXPECT_EQ(hive.open(kHistoryKeyPath, false)->valueNames().size(), 16u);
  ASSERT_FALSE(r.traces.empty());
  EXPECT_EQ(r.traces.front(), "\nNumber of Subkeys: 0\n\nNumber of values: 0\n");
  EXPECT_TRUE(where.stored());
}

TEST(RegistryStore, StoredFormsAndSignedRoundTrips) {
  const HiveLocation where;
  ScanSettings s;
  s.MinimumDuration = 0.0005f;
  s.TriggerThreshold = 18.5f;
  s.PowerThreshold = -3.0f;  // negative thresholds come back as saved
  s.IncludeCurvature = true;
  s.AllowFileCombining = true;
  s.CurvatureMinValue = -8.0f;
  s.UpperSlopeMinValue = -42.0f;
  s.ProgramStartTime = "21:30:00";
  s.TimerProgram3Enable = true;
  s.DefaultExpansionFactor = 10;
  s.DetailSelection = 16;
  DirectoryHistory h;
  h.InputDirectory = "/data/night 1";
  h.OutputDirectory = "/results/";
  h.Program2OutputFileName = "/out/with \"quotes\" and \\ back";
  h.Program4ArchiveDirectory = "/arch\tive";  // a control character survives too
  h.SettingsDirectory = "/donn\u00e9es/\u03bd\u03cd\u03c7\u03c4\u03b1/\u591c";  // and names in any script
  const std::string file = where.hive();
  ScanSettings back;
  DirectoryHistory hback;
  roundTrip(file, s, h, back, hback);

  RegistryHive hive(file);
  ASSERT_TRUE(hive.load(nullptr));
  EXPECT_EQ(dwordOf(hive, kSettingsKeyPath, "MinimumDuration"), 5u);
  EXPECT_EQ(dwordOf(hive, kSettingsKeyPath, "TriggerThreshold"), 1850u);
  EXPECT_EQ(dwordOf(hive, kSettingsKeyPath, "OutputOptions"), 258u);
  EXPECT_EQ(dwordOf(hive, kSettingsKeyPath, "CurvatureMinValue"), static_cast<std::uint32_t>(-8));

  EXPECT_FLOAT_EQ(back.MinimumDuration, 0.0005f);
  EXPECT_FLOAT_EQ(back.TriggerThreshold, 18.5f);
  EXPECT_FLOAT_EQ(back.PowerThreshold, -3.0f);
  EXPECT_TRUE(back.IncludeCurvature);
  EXPECT_TRUE(back.AllowFileCombining);
  EXPECT_FALSE(back.IncludeSoundPressureLevel);
  EXPECT_EQ(back.CurvatureMinValue, -8.0f);
  EXPECT_EQ(back.UpperSlopeMinValue, -42.0f);
  EXPECT_EQ(back.ProgramStartTime, "21:30:00");
  EXPECT_TRUE(back.TimerProgram3Enable);
  EXPECT_EQ(back.DefaultExpansionFactor, 10);
  EXPECT_EQ(back.DetailSelection, 16);
  EXPECT_EQ(hback.InputDirectory, h.InputDirectory);
  EXPECT_EQ(hback.OutputDirectory, h.OutputDirectory);
  EXPECT_EQ(hback.Program2OutputFileName, h.Program2OutputFileName);
  EXPECT_EQ(hback.Program4ArchiveDirectory, h.Program4ArchiveDirectory);
  EXPECT_EQ(hback.SettingsDirectory, h.SettingsDirectory);
}

TEST(RegistryStore, WrongTypesAndEmptyDirectories) {
  const HiveLocation where;
  const std::string file = where.hive();
  {
    where.store("Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CURRENT_USER\\SOFTWARE\\Velmora\\Fennick\\QUILVE\\1.8\\Settings]\n"
           "\"ProgramStartTime\"=dword:0000000c\n"
           "\"DetailSelection\"=\"7\"\n"
           "\"FitSelection\"=dword:00000002\n\n"
           "[HKEY_CURRENT_USER\\SOFTWARE\\Velmora\\Fennick\\QUILVE\\1.8\\History]\n"
           "\"InputDirectory\"=\"/kept/from/before\"\n"
           "\"OutputDirectory\"=dword:00000001\n");
  }
  RegistryHive hive(file);
  ASSERT_TRUE(hive.load(nullptr));
  ScanSettings s;
  s.ProgramStartTime = "01:00:00";
  loadSettings(hive, kSettingsKeyPath, s);
  EXPECT_EQ(s.ProgramStartTime, "");  // stored as a number: loads as empty
  EXPECT_EQ(s.DetailSelection, 3);    // wrong type: keeps its value
  EXPECT_EQ(s.FitSelection, 2);
  DirectoryHistory h;
  h.OutputDirectory = "/x/";
  loadHistory(hive, kHistoryKeyPath, h);
  EXPECT_EQ(h.InputDirectory, "/kept/from/before");
  EXPECT_EQ(h.OutputDirectory, "");
  // An empty InputDirectory is not written: the earlier value stays stored.
  h.InputDirectory.clear();
  saveHistory(hive, kHistoryKeyPath, h, nullptr);
  RegistryHive again(file);
  ASSERT_TRUE(again.load(nullptr));
  DirectoryHistory back;
  loadHistory(again, kHistoryKeyPath, back);
  EXPECT_EQ(back.InputDirectory, "/kept/from/before");
  // A value longer than the 260-byte buffer loads as empty.
  again.open(kHistoryKeyPath, false)->setString("SettingsDirectory", std::string(300, 'a'));
  loadHistory(again, kHistoryKeyPath, back);
  EXPECT_EQ(back.SettingsDirectory, "");
}

#ifdef _WIN32
constexpr const char* kNoHiveFile = "the registry keeps itself whole: no hive file on Windows";
#endif

TEST(RegistryHive, CorruptHiveIsSetAsideAndDefaultsAreUsed) {
#ifdef _WIN32
  GTEST_SKIP() << kNoHiveFile;
#endif
  TempDir dir;
  const std::string file = dir.file("registry.reg");
  for (const std::string& junk :
       {std::string("garbage\n"),
        std::string("Windows Registry Editor Version 5.00\n\"x\"=dword:1\n"),
        std::string("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:12345678z\n"),
        std::string("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex(1):4\n"),
        std::string("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"unterminated=\"v\n"),
        std::string("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n"),
        std::string("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\\\\B]\n"),
        std::string("Windows Registry Editor Version 5.00\0\n", 38)}) {
    std::filesystem::remove(file + ".corrupt");
    { std::ofstream(file, std::ios::binary) << junk; }
    RegistryHive hive(file);
    Recorder r;
    EXPECT_FALSE(hive.load(&r)) << junk;
    EXPECT_TRUE(std::filesystem::exists(file + ".corrupt")) << junk;
    EXPECT_FALSE(std::filesystem::exists(file)) << junk;
    ASSERT_EQ(r.traces.size(), 1u);
    EXPECT_NE(r.traces[0].find("defaults are used"), std::string::npos);
    ScanSettings s;
    loadSettings(hive, kSettingsKeyPath, s);
    EXPECT_EQ(s.TriggerThreshold, 18.0f);
  }
}

TEST(RegistryHive, InterruptedSaveLeavesThePreviousHive) {
#ifdef _WIN32
  GTEST_SKIP() << kNoHiveFile;
#endif
  TempDir dir;
  const std::string file = dir.file("registry.reg");
  RegistryHive hive(file);
  hive.open("SOFTWARE\\T", true)->setDword("A", 1);
  ASSERT_TRUE(hive.save(nullptr));
  const std::string before = hive.serialize();
  // A process killed between writing the temporary file and the rename
  // leaves a stray temporary file; the hive itself is untouched.
  { std::ofstream(file + ".tmp") << "Windows Registry Editor Version 5.00\n[HKEY_CURR"; }
  RegistryHive reread(file);
  ASSERT_TRUE(reread.load(nullptr));
  EXPECT_EQ(reread.serialize(), before);
  // A save that cannot write its temporary file fails and keeps the old hive
  // (a directory in the temporary file's place stops it even for root).
  std::filesystem::remove(file + ".tmp");
  std::filesystem::create_directory(file + ".tmp");
  hive.open("SOFTWARE\\T", false)->setDword("A", 2);
  std::string error;
  EXPECT_FALSE(hive.save(&error));
  EXPECT_FALSE(error.empty());
  RegistryHive kept(file);
  ASSERT_TRUE(kept.load(nullptr));
  EXPECT_EQ(kept.serialize(), before);
}

TEST(RegistryHive, QueriesKeysAndDump) {
#ifdef _WIN32
  // A key name longer than the registry allows: nothing can be stored.
  const HiveLocation where;
  RegistryHive hive(where.hive() + "\\" + std::string(300, 'k'));
#else
  RegistryHive hive("/dev/null/quilve/registry.reg");
#endif
  EXPECT_EQ(hive.open("SOFTWARE\\X", false), nullptr);
  RegistryHive::Key* key = hive.open("SOFTWARE\\X\\Y", true);
  ASSERT_NE(key, nullptr);
  hive.open("SOFTWARE\\X\\Z", true);
  key->setString("Name", "abc");
  key->setDword("Count", 7);
  char buf[4];
  std::uint32_t size = sizeof buf;
  RegType type;
  EXPECT_EQ(key->query("name", &type, buf, &size), RegResult::Success);  // names ignore case
  EXPECT_EQ(std::string(buf), "abc");
  size = 3;
  EXPECT_EQ(key->query("Name", &type, buf, &size), RegResult::MoreData);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(key->query("Missing", &type, buf, &size), RegResult::FileNotFound);
  EXPECT_EQ(keyDump(*hive.open("software\\x", false)),
            "\nNumber of Subkeys: 2\n(1) Y\n(2) Z\n\nNumber of values: 0\n");
  EXPECT_EQ(keyDump(*key), "\nNumber of Subkeys: 0\n\nNumber of values: 2\n(1) Name\n(2) Count\n");
  std::string error;
  EXPECT_FALSE(hive.save(&error));  // the folder cannot be made
}

TEST(RegistryStore, ScaledValuesSurviveARestartToTheLastDigitShown) {
  // Every Min Duration the setup window can show (0.0 .. 50.0 ms in tenths),
  // and thresholds in hundredths of a dB, come back from the hive as typed:
  // the float nearest 2.1 ms lies a hair below it.
  // (The hive file keeps the stored numbers as they are; the restart itself
  // is the round trip above.)
  const HiveLocation where;
  RegistryHive hive(where.hive());
  ScanSettings defaults;
  loadSettings(hive, kSettingsKeyPath, defaults);
  int lost = 0;
  for (int tenths = 0; tenths <= 500; ++tenths) {
    ScanSettings s;
    s.MinimumDuration = msToSeconds(static_cast<float>(tenths) / 10.0f);
    s.TriggerThreshold = static_cast<float>(tenths) / 100.0f + 10.0f;
    s.PowerThreshold = -static_cast<float>(tenths) / 100.0f;
    saveSettings(hive, kSettingsKeyPath, s, nullptr);
    ScanSettings back;
    loadSettings(hive, kSettingsKeyPath, back);
    char typed[16], shown[16];
    std::snprintf(typed, sizeof typed, "%3.1f", static_cast<float>(tenths) / 10.0f);
    std::snprintf(shown, sizeof shown, "%3.1f", secondsToMs(back.MinimumDuration));
    const std::uint32_t duration = dwordOf(hive, kSettingsKeyPath, "MinimumDuration");
    const std::uint32_t trigger = dwordOf(hive, kSettingsKeyPath, "TriggerThreshold");
    const std::uint32_t power = dwordOf(hive, kSettingsKeyPath, "PowerThreshold");
    if (std::string(typed) != shown || duration != static_cast<std::uint32_t>(tenths) ||
        trigger != static_cast<std::uint32_t>(tenths + 1000) ||
        power != static_cast<std::uint32_t>(-tenths)) {
      ++lost;
      ADD_FAILURE() << typed << " ms came back as " << shown << " ms (stored " << duration
                    << ", " << trigger << ", " << static_cast<std::int32_t>(power) << ")";
    }
  }
  EXPECT_EQ(lost, 0);
  // Whole-number values keep their whole part only.
  ScanSettings s;
  s.CurvatureMinValue = -2.7f;
  s.MinimumFrequency = 15000.9f;
  saveSettings(hive, kSettingsKeyPath, s, nullptr);
  EXPECT_EQ(dwordOf(hive, kSettingsKeyPath, "CurvatureMinValue"), static_cast<std::uint32_t>(-2));
  EXPECT_EQ(dwordOf(hive, kSettingsKeyPath, "MinimumFrequency"), 15000u);
}

#ifdef _WIN32
namespace {

// A value as any reader of the registry sees it.
DWORD typeOf(const std::string& key, const wchar_t* name, std::vector<BYTE>* data) {
  DWORD type = REG_NONE;
  DWORD size = 0;
  const std::wstring path = wide(key);
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return REG_NONE;
  }
  data->assign(size, 0);
  RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, data->data(), &size);
  data->resize(size);
  return type;
}

}  // namespace

TEST(RegistryStore, WindowsRegistryHoldsNumbersAndTextAsOtherReadersExpect) {
  const HiveLocation where;
  const std::string settingsKey = where.hive() + "\\" + kSettingsKeyPath;
  const std::string historyKey = where.hive() + "\\" + kHistoryKeyPath;
  {
    RegistryHive hive(where.hive());
    ScanSettings s;
    DirectoryHistory h;
    loadSettings(hive, kSettingsKeyPath, s);
    loadHistory(hive, kHistoryKeyPath, h);
    s.TriggerThreshold = 18.5f;
    s.PowerThreshold = -3.0f;
    s.ProgramStartTime = "21:30:00";
    h.InputDirectory = "C:\\Donn\u00e9es\\\u03bd\u03cd\u03c7\u03c4\u03b1\\\u591c";
    Recorder r;
    saveSettings(hive, kSettingsKeyPath, s, &r);
    saveHistory(hive, kHistoryKeyPath, h, &r);
    EXPECT_TRUE(r.warnings.empty());
  }
  std::vector<BYTE> data;
  ASSERT_EQ(typeOf(settingsKey, L"TriggerThreshold", &data), static_cast<DWORD>(REG_DWORD));
  ASSERT_EQ(data.size(), 4u);
  DWORD n = 0;
  std::memcpy(&n, data.data(), 4);
  EXPECT_EQ(n, 1850u);
  ASSERT_EQ(typeOf(settingsKey, L"PowerThreshold", &data), static_cast<DWORD>(REG_DWORD));
  std::memcpy(&n, data.data(), 4);
  EXPECT_EQ(n, static_cast<DWORD>(-300));
  ASSERT_EQ(typeOf(settingsKey, L"ProgramStartTime", &data), static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), L"21:30:00");
  // Text is stored as UTF-16 with its terminator.
  ASSERT_EQ(typeOf(historyKey, L"InputDirectory", &data), static_cast<DWORD>(REG_SZ));
  const std::wstring expected = L"C:\\Donn\u00e9es\\\u03bd\u03cd\u03c7\u03c4\u03b1\\\u591c";
  EXPECT_EQ(data.size(), (expected.size() + 1) * sizeof(wchar_t));
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), expected);

  // A value another program stored with a type of its own is passed over
  // when loading, and saving the hive does not write it back as another.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, wide(settingsKey).c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  const unsigned long long wideNumber = 16;
  RegSetValueExW(key, L"DetailSelection", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&wideNumber),
                 sizeof wideNumber);
  RegSetValueExW(key, L"FitSelection", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&(n = 2)), 4);
  RegCloseKey(key);
  RegistryHive again(where.hive());
  ASSERT_TRUE(again.load(nullptr));
  ScanSettings back;
  DirectoryHistory hback;
  loadSettings(again, kSettingsKeyPath, back);
  loadHistory(again, kHistoryKeyPath, hback);
  EXPECT_EQ(back.DetailSelection, 3);
  EXPECT_EQ(back.FitSelection, 2);
  EXPECT_FLOAT_EQ(back.TriggerThreshold, 18.5f);
  EXPECT_EQ(hback.InputDirectory, "C:\\Donn\u00e9es\\\u03bd\u03cd\u03c7\u03c4\u03b1\\\u591c");
  ASSERT_TRUE(again.save(nullptr));
  EXPECT_EQ(typeOf(settingsKey, L"DetailSelection", &data), static_cast<DWORD>(REG_QWORD));
}
#endif
