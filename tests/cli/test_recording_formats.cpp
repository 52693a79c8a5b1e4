// Recordings as other programs write them: copies of a 16-bit recording in
// wider and float formats made by an outside writer (sox), their WavPack
// copies (the wavpack tool), and real recordings with GUANO metadata.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;

namespace {

bool haveTool(const char* versionCommand) {
  return std::system((std::string(versionCommand) + " >/dev/null 2>&1").c_str()) == 0;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Scans the one recording in `dir` and returns the results file.
std::string scanRows(const TempDir& work, const std::string& dir) {
  const std::string results = dir + "/results.txt";
  const ProgramRun r = runProgram(std::string(QUILVE_SCAN_BINARY) +
                                      " -q --jobs 1 --expansion 1 --format quilve -o " + results +
                                      " " + dir,
                                  work);
  EXPECT_EQ(r.status, 0) << r.err;
  return slurp(results);
}

bool shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

TEST(OutsideWriters, WideAndFloatCopiesGiveTheRowsOfThe16BitFile) {
  if (!haveTool("sox --version")) GTEST_SKIP() << "sox is not installed; run scripts/bootstrap";
  const bool wavpack = haveTool("wavpack --version");
  TempDir work;
  SignalGenerator gen(0.5, 250000, 11);
  gen.addNoise(-50);
  for (int k = 0; k < 4; ++k) {
    CallSpec c;
    c.startTime = 0.05 + 0.1 * k;
    c.duration = 0.006;
    c.startFrequency = 80000;
    c.endFrequency = 35000;
    gen.addCall(c);
  }
  const std::string d16 = work.file("pcm16");
  std::filesystem::create_directories(d16);
  writeFile(d16 + "/rec.wav", gen.render().wavFile());
  const std::string want = scanRows(work, d16);
  ASSERT_GT(std::count(want.begin(), want.end(), '\n'), 3) << "the 16-bit recording has no calls:\n"
                                                           << want;

  const std::pair<const char*, const char*> copies[] = {
      {"pcm24", "-b 24 -e signed-integer"},
      {"pcm32", "-b 32 -e signed-integer"},
      {"float32", "-b 32 -e floating-point"},
      {"float64", "-b 64 -e floating-point"},
  };
  for (const auto& [name, options] : copies) {
    SCOPED_TRACE(name);
    const std::string dir = work.file(name);
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(shell("sox " + d16 + "/rec.wav " + options + " " + dir + "/rec.wav"));
    EXPECT_EQ(scanRows(work, dir), want);
    if (!wavpack || std::string(name) == "float64") continue;  // WavPack holds no doubles
    const std::string wvDir = dir + "_wv";
    std::filesystem::create_directories(wvDir);
    ASSERT_TRUE(shell("wavpack -q -y " + dir + "/rec.wav -o " + wvDir + "/rec.wv"));
    std::string rows = scanRows(work, wvDir);
    // The rows name the recording; the WavPack copy has its own name.
    for (std::size_t p = rows.find("rec.wv"); p != std::string::npos; p = rows.find("rec.wv", p))
      rows.replace(p, 6, "rec.wav");
    EXPECT_EQ(rows, want);
  }
  if (!wavpack) GTEST_SKIP() << "the wavpack tool is not installed; its copies were not checked";
}

TEST(RealGuanoRecordings, ScanWithTheirGuanoTimeAndAttributeBlock) {
  const std::string real = realDataDir();
  const std::string dir = real.empty() ? "" : real + "/guano";
  if (real.empty() || !std::filesystem::is_directory(dir)) {
    GTEST_SKIP() << "the GUANO recordings are not at " << QUILVE_REAL_DATA_DIR << "/guano";
  }
  TempDir work;
  const ProgramRun r =
      runProgram(std::string(QUILVE_SCAN_BINARY) + " -q --jobs 1 --summary-json " +
                     work.file("s.json") + " -o " + work.file("r.txt") + " " + dir,
                 work);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const nlohmann::json j = nlohmann::json::parse(slurp(work.file("s.json")));
  EXPECT_TRUE(j["unreadable"].empty()) << j.dump(2);
  std::map<std::string, nlohmann::json> byName;
  for (const char* list : {"passed", "failed"})
    for (const auto& e : j[list]) byName[e["name"].get<std::string>()] = e;
  ASSERT_EQ(byName.size(), 2u) << j.dump(2);

  const nlohmann::json& a = byName.at("3517_SE_20220627_224246_759.wav");
  EXPECT_EQ(a["recorded"], "2022-06-27T22:42:46.759-06:00");
  EXPECT_EQ(a["timeSource"], "guano");
  EXPECT_EQ(a["expansionSource"], "default");
  EXPECT_TRUE(a["latitude"].is_null());

  // The block written without a length field parses: it states factor 1.
  const nlohmann::json& b = byName.at("3773_SE_Array_S1_20210615_222235_319.wav");
  EXPECT_EQ(b["recorded"], "2021-07-19T16:00:59.000");  // no offset stated
  EXPECT_EQ(b["timeSource"], "guano");
  EXPECT_EQ(b["expansion"], 1);
  EXPECT_EQ(b["expansionSource"], "attribute");
  EXPECT_EQ(b["device"], "Kaleidoscope 5.4.2");
}

TEST(SummaryJson, EachRecordingSaysWhenWhereAndFromWhichSource) {
  TempDir work;
  const std::string dir = work.file("in");
  std::filesystem::create_directories(dir);
  SignalGenerator gen(0.1, 250000, 3);
  gen.addNoise(-60);
  writeFile(dir + "/S4U_20210615_222235_319.wav", gen.render().wavFile());
  const std::string block = "MMMMMMMMM<&10&>DEV=D1,GPS=lat:51.5 lon:-0.125 alt:3MMMMMMMMM";
  writeFile(dir + "/sono.wav", pcmWav(25000, 1, 16, pcm16(std::vector<std::int16_t>(4000)), &block));
  writeFile(dir + "/broken.wav", Bytes{'R', 'I', 'F', 'F', 1, 0});
  const ProgramRun r = runProgram(std::string(QUILVE_SCAN_BINARY) + " -q --jobs 1 --summary-json " +
                                      work.file("s.json") + " " + dir,
                                  work);
  ASSERT_EQ(r.status, 3) << r.err;
  const nlohmann::json j = nlohmann::json::parse(slurp(work.file("s.json")));
  std::map<std::string, nlohmann::json> byName;
  for (const char* list : {"passed", "failed"})
    for (const auto& e : j[list]) byName[e["name"].get<std::string>()] = e;
  ASSERT_EQ(byName.size(), 3u) << j.dump(2);

  const nlohmann::json& named = byName.at("S4U_20210615_222235_319.wav");
  EXPECT_EQ(named["recorded"], "2021-06-15T22:22:35.319");
  EXPECT_EQ(named["timeSource"], "name");
  EXPECT_TRUE(named["device"].is_null());
  EXPECT_EQ(named["expansion"], 1);
  EXPECT_EQ(named["expansionSource"], "default");

  const nlohmann::json& sono = byName.at("sono.wav");
  EXPECT_EQ(sono["timeSource"], "file");
  EXPECT_EQ(sono["latitude"], 51.5);
  EXPECT_EQ(sono["longitude"], -0.125);
  EXPECT_EQ(sono["device"], "D1");
  EXPECT_EQ(sono["expansion"], 10);
  EXPECT_EQ(sono["expansionSource"], "attribute");
  // The file's own time carries this machine's offset.
  const std::string recorded = sono["recorded"];
  EXPECT_EQ(recorded.size(), 29u) << recorded;

  const nlohmann::json& broken = byName.at("broken.wav");
  for (const char* field :
       {"recorded", "timeSource", "latitude", "longitude", "device", "expansion", "expansionSource"}) {
    EXPECT_TRUE(broken[field].is_null()) << field;
  }
}
