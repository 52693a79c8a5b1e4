// quilve-scan never writes over a recording: every output is checked before
// the scan against the recordings it will read, as files (a hard link or
// another spelling is the same file), and against any file that holds a
// recording.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/platform.h"
#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;
namespace fs = std::filesystem;

namespace {

ProgramRun scan(const std::string& args, const TempDir& dir) {
  return runProgram(std::string(QUILVE_SCAN_BINARY) + " " + args, dir);
}

struct Folder {
  TempDir dir;
  std::string in = dir.file("in");
  std::string a = in + "/a.wav";
  Bytes aBytes = batRecording(2, 1, 0.3);
  Folder() {
    fs::create_directories(in);
    writeFile(a, aBytes);
    writeFile(in + "/b.wav", batRecording(0, 2, 0.3));
  }
};

// Each file option with what it needs besides the target.
struct FileOption {
  std::string option;
  std::string extra;
};
const std::vector<FileOption> kFileOptions = {
    {"--output", ""},
    {"--summary-json", ""},
    {"--save-settings", ""},
    {"--outcomes", "--shard 0/1 "},
};

}  // namespace

TEST(OutputsNeverTouchInputs, AHardLinkOfAnInputRecordingIsRefusedForEveryOutputFile) {
  Folder f;
  const std::string link = f.dir.file("results.txt");
  std::error_code linked;
  fs::create_hard_link(fs::u8path(f.a), fs::u8path(link), linked);
  ASSERT_FALSE(linked) << linked.message();
  for (const FileOption& o : kFileOptions) {
    for (const char* dry : {"", "--dry-run "}) {
      if (*dry && o.option == "--outcomes") continue;
      const ProgramRun r = scan(std::string(dry) + o.extra + o.option + " " + link + " " + f.in, f.dir);
      EXPECT_EQ(r.status, 2) << o.option << "\n" << r.err;
      EXPECT_NE(r.err.find(o.option + " " + link + ": is the recording " + f.a + " (the same file)"),
                std::string::npos)
          << r.err;
      EXPECT_EQ(readFile(f.a), f.aBytes) << o.option;
    }
  }
  // Named as the recording itself, by another spelling.
  const ProgramRun r = scan("--summary-json " + f.dir.file("in/../in/./a.wav") + " " + f.in, f.dir);
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("is the recording " + f.a), std::string::npos) << r.err;
  EXPECT_EQ(readFile(f.a), f.aBytes);
}

TEST(OutputsNeverTouchInputs, AnExistingRecordingThatIsNoInputIsNotReplaced) {
  Folder f;
  const std::string other = f.dir.file("other.wav");
  const Bytes otherBytes = batRecording(1, 9, 0.3);
  writeFile(other, otherBytes);
  for (const FileOption& o : kFileOptions) {
    const ProgramRun r = scan(o.extra + o.option + " " + other + " " + f.in, f.dir);
    EXPECT_EQ(r.status, 2) << o.option << "\n" << r.err;
    EXPECT_NE(r.err.find(o.option + " " + other + ": holds a recording"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(other), otherBytes) << o.option;
  }
  // Nor one in WavPack or with a "BSn0" form ahead of its WAVE form, under
  // any name.
  const Bytes wavpack = {'w', 'v', 'p', 'k', 40, 0, 0, 0, 4, 4, 0, 0};
  Bytes bsn0 = RiffBuilder("BSn0").raw(Bytes(60, 0)).build();
  bsn0.insert(bsn0.end(), otherBytes.begin(), otherBytes.end());
  for (const Bytes& held : {wavpack, bsn0}) {
    writeFile(f.dir.file("night.txt"), held);
    const ProgramRun r = scan("-o " + f.dir.file("night.txt") + " " + f.in, f.dir);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(readFile(f.dir.file("night.txt")), held);
  }
  // An ordinary file is replaced as ever.
  writeFile(f.dir.file("night.txt"), Bytes{'o', 'l', 'd'});
  EXPECT_EQ(scan("-q -o " + f.dir.file("night.txt") + " " + f.in, f.dir).status, 0);
  EXPECT_NE(readFile(f.dir.file("night.txt")), (Bytes{'o', 'l', 'd'}));
}

TEST(OutputsNeverTouchInputs, TheSettingsFileIsWrittenOnlyAfterTheChecks) {
  Folder f;
  const std::string set = f.dir.file("new.set");
  const ProgramRun r = scan("--save-settings " + set + " -o " + f.a + " " + f.in, f.dir);
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_FALSE(fs::exists(set));
  EXPECT_EQ(readFile(f.a), f.aBytes);
  // Alone it still writes the file and scans nothing.
  EXPECT_EQ(scan("--save-settings " + set + " --set TriggerThreshold=20", f.dir).status, 0);
  EXPECT_TRUE(fs::exists(set));
  EXPECT_EQ(scan("--save-settings " + f.dir.file("zc.set") + " --format zcd", f.dir).status, 0);
  EXPECT_TRUE(fs::exists(f.dir.file("zc.set")));
}

TEST(OutputsNeverTouchInputs, PerRecordingFilesNamedLikeAnInputAreRefusedBeforeTheScan) {
  Folder f;
  // A recording whose zero-crossing file would be itself, and one whose
  // first sonogram page would be an input.
  const std::string zc = f.dir.file("zc");
  fs::create_directories(zc);
  writeFile(zc + "/c.00#", batRecording(2, 3, 0.3));
  const ProgramRun z = scan("--format zcd --zcd-dir " + zc + " " + f.in + " " + zc + "/c.00#", f.dir);
  EXPECT_EQ(z.status, 2) << z.err;
  EXPECT_NE(z.err.find("zero-crossing file " + zc + "/c.00# of " + zc + "/c.00#: is the recording"),
            std::string::npos)
      << z.err;
  const std::string pictures = f.dir.file("pictures");
  fs::create_directories(pictures);
  writeFile(pictures + "/a-p1.png", batRecording(1, 4, 0.3));
  const ProgramRun s = scan("--sonograms " + pictures + " " + f.in + " " + pictures + "/a-p1.png", f.dir);
  EXPECT_EQ(s.status, 2) << s.err;
  EXPECT_NE(s.err.find("sonogram " + pictures + "/a-p1.png"), std::string::npos) << s.err;
  EXPECT_EQ(readFile(pictures + "/a-p1.png"), batRecording(1, 4, 0.3));
}

TEST(OutputsNeverTouchInputs, AnotherSpellingOfAnInputDirectoryIsAnInputDirectory) {
  Folder f;
  // Through a link, and where names ignore case, in other letters.
  std::vector<std::string> spellings;
  if (noSymbolicLinks().empty()) {
    spellings.push_back(f.dir.file("link"));
    fs::create_directory_symlink(f.in, spellings.back());
  }
  if (namesIgnoreCase()) spellings.push_back(f.dir.file("IN"));
  for (const std::string& link : spellings) {
    for (const char* option : {"--move-failed", "--archive", "--move-passed"}) {
      const ProgramRun r = scan(std::string(option) + " " + link + " " + f.in, f.dir);
      EXPECT_EQ(r.status, 2) << r.err;
      EXPECT_NE(r.err.find(std::string(option) + " " + link + ": is an input directory"), std::string::npos)
          << r.err;
    }
  }
  EXPECT_EQ(readFile(f.a), f.aBytes);
  EXPECT_TRUE(fs::exists(f.in + "/b.wav"));

  // A bind mount of it (where one can be made).
  const std::string bound = f.dir.file("bound");
  fs::create_directories(bound);
  SKIP_WITHOUT(noMounts());
  if (!bindMount(f.in, bound)) GTEST_SKIP() << "no bind mount here (needs root)";
  const ProgramRun r = scan("--move-failed " + bound + " " + f.in, f.dir);
  unmount(bound);
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("--move-failed " + bound + ": is an input directory (" + f.in), std::string::npos)
      << r.err;
  EXPECT_TRUE(fs::exists(f.in + "/b.wav"));
}
