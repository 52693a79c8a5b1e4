// Settings that cannot scan are refused before quilve-scan reads, writes or
// moves anything: exit 2, each problem named.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;
namespace fs = std::filesystem;

namespace {

// Every file below `dir` with its bytes.
std::map<std::string, Bytes> contentsOf(const fs::path& dir) {
  std::map<std::string, Bytes> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) out[e.path().string()] = readFile(e.path().string());
  }
  return out;
}

void recordings(const fs::path& dir) {
  fs::create_directories(dir);
  for (int calls = 0; calls < 3; ++calls) {
    writeFile((dir / ("rec" + std::to_string(calls) + ".wav")).string(),
              batRecording(calls, static_cast<std::uint32_t>(calls + 1)));
  }
}

}  // namespace

TEST(SettingsRefused, ImpossibleSettingsLeaveEveryRecordingAlone) {
  TempDir work;
  const fs::path input = work.path() / "night";
  recordings(input);
  const std::map<std::string, Bytes> before = contentsOf(input);

  // A settings file whose band is upside down.
  const std::string badFile = work.file("upside-down.set");
  {
    const std::string text =
        "QUILVE Configuration File\nSonoMinFrequency = 15000.000000\nSonoMaxFrequency = 125.000000\n";
    writeFile(badFile, Bytes(text.begin(), text.end()));
  }

  struct Case {
    std::string options;
    std::string named;
  };
  const Case cases[] = {
      {"--set MaximumFrequency=125", "quilve-scan: --set: MaximumFrequency=125: must be above MinimumFrequency (15000)"},
      {"--set OutputFormat=99", "quilve-scan: --set: OutputFormat=99: not in range 0 to 4"},
      {"--set MinimumDuration=-0.002", "quilve-scan: --set: MinimumDuration=-0.002: must not be below 0"},
      {"--set DefaultExpansionFactor=0", "DefaultExpansionFactor=0: must be 1 or 10"},
      {"--set DefaultExpansionFactor=1000000000", "DefaultExpansionFactor=1000000000: must be 1 or 10"},
      {"--settings " + badFile, "quilve-scan: " + badFile + ": MaximumFrequency=125: must be above"},
      // A sound file made impossible on the command line.
      {"--set MinimumFrequency=130000", "--set: MaximumFrequency=125000: must be above MinimumFrequency (130000)"},
  };
  const std::string env = "XDG_DATA_HOME=" + work.file("xdg") + " ";
  for (const Case& c : cases) {
    const ProgramRun r =
        runProgram(env + QUILVE_SCAN_BINARY + " " + c.options + " --trash-failed -o " + work.file("r.txt") +
                       " --summary-json " + work.file("s.json") + " " + input.string(),
                   work);
    EXPECT_EQ(r.status, 2) << c.options << "\n" << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << c.options << "\n" << r.err;
    EXPECT_TRUE(contentsOf(input) == before) << c.options;
    EXPECT_FALSE(fs::exists(work.file("r.txt"))) << c.options;
    EXPECT_FALSE(fs::exists(work.file("s.json"))) << c.options;
  }

  // Nor is a settings file written, a shard analysed or a merge made.
  const std::string scan = std::string(QUILVE_SCAN_BINARY) + " --set OutputFormat=99 ";
  EXPECT_EQ(runProgram(scan + "--save-settings " + work.file("new.set"), work).status, 2);
  EXPECT_FALSE(fs::exists(work.file("new.set")));
  EXPECT_EQ(runProgram(scan + "--shard 0/1 --outcomes " + work.file("s0.qo") + " " + input.string(), work).status,
            2);
  EXPECT_FALSE(fs::exists(work.file("s0.qo")));
  ASSERT_EQ(runProgram(std::string(QUILVE_SCAN_BINARY) + " -q --shard 0/1 --outcomes " + work.file("s0.qo") +
                           " " + input.string(),
                       work)
                .status,
            0);
  EXPECT_EQ(runProgram(scan + "--merge " + work.file("s0.qo") + " -o " + work.file("r.txt"), work).status, 2);
  EXPECT_FALSE(fs::exists(work.file("r.txt")));
  EXPECT_TRUE(contentsOf(input) == before);

  // The same recordings with sound settings scan as always.
  const ProgramRun fine = runProgram(std::string(QUILVE_SCAN_BINARY) + " -q -o " + work.file("r.txt") + " " +
                                         input.string(),
                                     work);
  EXPECT_EQ(fine.status, 0) << fine.err;
}
