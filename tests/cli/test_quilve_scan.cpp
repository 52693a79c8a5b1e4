// quilve-scan as a user runs it: exit codes, messages, outputs.
#include <gtest/gtest.h>


#include <cstdio>
#include <fstream>

#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;

namespace {

using CliRun = ProgramRun;

CliRun run(const std::string& args, const TempDir& dir) {
  return runProgram(std::string(QUILVE_SCAN_BINARY) + " " + args, dir);
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void recordings(const TempDir& dir) {
  for (int i = 0; i < 4; ++i) {
    SignalGenerator gen(0.4, 250000, static_cast<std::uint32_t>(i + 1));
    gen.addNoise(-60);
    for (int k = 0; k < i; ++k) {
      CallSpec c;
      c.startTime = 0.05 + 0.1 * k;
      c.duration = 0.005;
      c.startFrequency = 75000;
      c.endFrequency = 38000;
      gen.addCall(c);
    }
    writeFile(dir.file("night_" + std::to_string(i) + ".WAV"), gen.render().wavFile());
  }
  writeFile(dir.file("broken.wav"), Bytes{'R', 'I', 'F', 'F', 1, 0});
  writeFile(dir.file("readme.txt"), Bytes{'x'});
}

}  // namespace

TEST(QuilveScan, ScansADirectoryAndReportsBadFilesByName) {
  TempDir dir;
  recordings(dir);
  const CliRun r = run("--jobs 1 -o " + dir.file("r1.txt") + " --summary-json " + dir.file("s.json") +
                        " " + dir.path().string(),
                    dir);
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_NE(r.err.find("broken.wav: cannot be read: truncated RIFF header"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("Files selected: 3\nTotal chirp count: 6\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Files failed: 2\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  night_0.WAV\t0\n"), std::string::npos) << r.out;
  EXPECT_NE(slurp(dir.file("s.json")).find("\"totalChirpCount\": 6"), std::string::npos);
  EXPECT_EQ(r.err.find("\r"), std::string::npos);  // no progress bar off a terminal

  // Two jobs write the same results, byte for byte.
  const CliRun r2 = run("--jobs 2 -q -o " + dir.file("r2.txt") + " " + dir.path().string(), dir);
  EXPECT_EQ(r2.status, 3);
  EXPECT_EQ(r2.out, "");
  EXPECT_EQ(slurp(dir.file("r1.txt")), slurp(dir.file("r2.txt")));
}

TEST(QuilveScan, UsageErrorsAndUnreadableInput) {
  TempDir dir;
  recordings(dir);
  EXPECT_EQ(run("--format nosuch " + dir.path().string(), dir).status, 2);
  EXPECT_EQ(run("", dir).status, 2);
  const CliRun badSet = run("--set NoSuchSetting=1 " + dir.path().string(), dir);
  EXPECT_EQ(badSet.status, 2);
  EXPECT_NE(badSet.err.find("no setting named \"NoSuchSetting\""), std::string::npos);
  EXPECT_EQ(run("--help", dir).status, 0);
  EXPECT_EQ(run("--version", dir).status, 0);
  // Nothing readable at all.
  const CliRun none = run(dir.file("broken.wav"), dir);
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("broken.wav: cannot be read"), std::string::npos) << none.err;
  // A path that names nothing is a slip of the command line: named, and
  // nothing is scanned.
  const CliRun missing = run("-o " + dir.file("r.txt") + " " + dir.file("broken.wav") + " " + dir.file("missing.wav"), dir);
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("quilve-scan: " + dir.file("missing.wav") + ": no such file or directory"),
            std::string::npos) << missing.err;
  EXPECT_EQ(missing.err.find("broken.wav"), std::string::npos) << missing.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("r.txt")));
}

TEST(QuilveScan, SettingsFromTheCommandLineChangeTheScan) {
  TempDir dir;
  recordings(dir);
  const CliRun strict = run("--min-calls 3 --set TriggerThreshold=18.5 " + dir.path().string(), dir);
  EXPECT_EQ(strict.status, 3);
  EXPECT_NE(strict.out.find("Files selected: 1\n"), std::string::npos) << strict.out;
  const CliRun layout = run("--format quilve --include curvature -o " + dir.file("own.txt") + " " +
                             dir.file("night_2.WAV"),
                         dir);
  EXPECT_EQ(layout.status, 0);
  const std::string own = slurp(dir.file("own.txt"));
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(std::count(own.begin(), own.end(), '\n'), 3);
}

TEST(QuilveScan, SettingsFilesAndDispositionAfterTheScan) {
  TempDir dir;
  recordings(dir);
  // A settings file made without the desktop program, then used for a scan.
  ASSERT_EQ(run("--save-settings " + dir.file("strict.set") + " --set TriggerThreshold=99", dir).status, 0);
  EXPECT_NE(slurp(dir.file("strict.set")).find("SonoTriggerThresholdDB = 99.000000\n"), std::string::npos);
  const CliRun strict = run("--settings " + dir.file("strict.set") + " " + dir.path().string(), dir);
  EXPECT_NE(strict.out.find("Files selected: 0\n"), std::string::npos) << strict.out;

  std::filesystem::create_directory(dir.file("archive"));
  std::filesystem::create_directory(dir.file("rejects"));
  const CliRun dry = run("-q --dry-run --move-passed " + dir.file("archive") + " --move-failed " +
                             dir.file("rejects") + " " + dir.path().string(),
                         dir);
  EXPECT_EQ(dry.status, 3);
  EXPECT_NE(dry.out.find("would move " + dir.file("night_3.WAV") + " to " + dir.file("archive")),
            std::string::npos)
      << dry.out;
  EXPECT_TRUE(std::filesystem::exists(dir.file("night_3.WAV")));

  const CliRun moved = run("-q --move-passed " + dir.file("archive") + " --move-failed " +
                               dir.file("rejects") + " " + dir.path().string(),
                           dir);
  EXPECT_EQ(moved.status, 3) << moved.err;
  for (const char* n : {"night_1.WAV", "night_2.WAV", "night_3.WAV"}) {
    EXPECT_TRUE(std::filesystem::exists(dir.file(std::string("archive/") + n))) << n;
    EXPECT_FALSE(std::filesystem::exists(dir.file(n))) << n;
  }
  EXPECT_TRUE(std::filesystem::exists(dir.file("rejects/night_0.WAV")));
  // A recording that could not be read is failed but stays where it is,
  // named with its reason.
  EXPECT_TRUE(std::filesystem::exists(dir.file("broken.wav")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("rejects/broken.wav")));
  EXPECT_NE(moved.err.find(dir.file("broken.wav") + ": it was not read whole"), std::string::npos)
      << moved.err;
  EXPECT_EQ(run("--archive a --move-passed b " + dir.path().string(), dir).status, 2);
}
