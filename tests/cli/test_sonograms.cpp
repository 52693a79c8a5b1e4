// quilve-scan --sonograms: the pictures do not depend on the number of
// threads and do not change the results.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;
namespace fs = std::filesystem;

namespace {

// Runs quilve-scan in `dir`.
ProgramRun scan(const std::string& args, const TempDir& dir) {
  return runProgram("cd '" + dir.path().string() + "' && " + QUILVE_SCAN_BINARY + " " + args, dir);
}

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> namesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(QuilveScanSonograms, SameBytesForAnyNumberOfJobsAndTheSameResults) {
  TempDir dir;
  const fs::path in = dir.path() / "in";
  fs::create_directory(in);
  for (int i = 0; i < 5; ++i) {
    SignalGenerator gen(0.6 + 0.3 * i, 250000, static_cast<std::uint32_t>(i + 3));
    gen.addNoise(-55);
    for (int k = 0; k < i; ++k) {
      CallSpec c;
      c.startTime = 0.1 + 0.12 * k;
      c.startFrequency = 80000;
      c.endFrequency = 40000;
      gen.addCall(c);
    }
    writeFile((in / ("rec" + std::to_string(i) + ".wav")).string(), gen.render().wavFile());
  }
  const auto plain = scan("-q -o plain.txt in", dir);
  const auto one = scan("-q --jobs 1 --sonograms pics1 -o one.txt in", dir);
  const auto two = scan("-q --jobs 2 --sonograms pics2 -o two.txt in", dir);
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(one.status, 0) << one.err;
  ASSERT_EQ(two.status, 0) << two.err;
  EXPECT_EQ(slurp(dir.path() / "one.txt"), slurp(dir.path() / "plain.txt"));
  EXPECT_EQ(slurp(dir.path() / "two.txt"), slurp(dir.path() / "plain.txt"));

  // Only recordings with accepted calls (rec0 has none) get a picture.
  const auto names = namesIn(dir.path() / "pics1");
  EXPECT_EQ(names, (std::vector<std::string>{"rec1-p1.png", "rec2-p1.png", "rec3-p1.png", "rec4-p1.png"}));
  EXPECT_EQ(namesIn(dir.path() / "pics2"), names);
  for (const auto& n : names) {
    EXPECT_EQ(slurp(dir.path() / "pics1" / n), slurp(dir.path() / "pics2" / n)) << n;
  }

  const auto all = scan("-q --jobs 2 --sonograms-all --sonograms pics3 in", dir);
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(namesIn(dir.path() / "pics3").size(), 5u);
}

TEST(QuilveScanSonograms, UnusableDirectoryAndMissingOption) {
  TempDir dir;
  SignalGenerator gen(0.3, 250000);
  writeFile(dir.file("rec.wav"), gen.addNoise(-50).render().wavFile());
  writeFile(dir.file("file"), Bytes{'x'});
  const auto notDir = scan("--sonograms file rec.wav", dir);
  EXPECT_EQ(notDir.status, 1);
  EXPECT_NE(notDir.err.find("file: cannot make the sonogram directory"), std::string::npos) << notDir.err;
  const auto alone = scan("--sonograms-all rec.wav", dir);
  EXPECT_EQ(alone.status, 2);
  EXPECT_NE(alone.err.find("--sonograms"), std::string::npos) << alone.err;
}

// The picture of a real recording with calls stays in the build folder
// (sonograms-real/) for a person to look at.
TEST(QuilveScanSonograms, RealRecordingWithCalls) {
  const std::string real = realDataDir();
  if (real.empty()) GTEST_SKIP() << "no real recordings (QUILVE_REAL_DATA_DIR)";
  const fs::path recording = fs::path(real) / "guano" / "3517_SE_20220627_224246_759.wav";
  const fs::path out = fs::path(QUILVE_BINARY_DIR) / "sonograms-real";
  fs::remove_all(out);
  TempDir dir;
  const auto run = scan("-q --sonograms '" + out.string() + "' '" + recording.string() + "'", dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const fs::path picture = out / "3517_SE_20220627_224246_759-p1.png";
  const std::string png = slurp(picture);
  ASSERT_GT(png.size(), 24u) << picture;
  EXPECT_EQ(png.substr(1, 3), "PNG");
  auto be32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(png[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 3]));
  };
  // 2163 ms of 250 kHz recording: 2163 columns and the margins.
  EXPECT_EQ(be32(16), 36u + 2163u + 12u);
  EXPECT_EQ(be32(20), 16u + 256u + 24u);
}

}  // namespace
