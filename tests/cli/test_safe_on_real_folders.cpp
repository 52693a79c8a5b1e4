// quilve-scan on awkward folders: nothing unread is filed away, recordings
// are known by their full path, and outputs are checked before the scan and
// never lost without a report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "cli/scan_safety.h"
#include "engine/batch_scan.h"
#include "support/platform.h"
#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/small_file_system.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;
namespace fs = std::filesystem;

namespace {

ProgramRun scan(const std::string& args, const TempDir& dir, const std::string& env = "") {
  return runProgram(env + std::string(QUILVE_SCAN_BINARY) + " " + args, dir);
}

// A header whose sample format the reader refuses (MS ADPCM, 4 bits).
Bytes adpcm() {
  return RiffBuilder().chunk("fmt ", fmtFields(2, 1, 250000, 4)).chunk("data", Bytes(4000, 0x11)).build();
}

std::map<std::string, std::string> contents(const std::vector<std::string>& paths) {
  std::map<std::string, std::string> out;
  for (const std::string& p : paths) out[p] = fileText(p);
  return out;
}

const nlohmann::json* entryWithPath(const nlohmann::json& list, const std::string& path) {
  for (const auto& e : list) {
    if (e.value("path", "") == path) return &e;
  }
  return nullptr;
}


}  // namespace

// The whole story: passed, failed, unreadable-format, broken-header,
// empty-band and same-named recordings in two directories, first with --move-failed, then --trash-failed on what was
// moved aside.
TEST(SafeOnRealFolders, EveryRecordingEndsWhereAPersonExpectsItByteForByte) {
  TempDir dir;
  const std::string in1 = dir.file("in1"), in2 = dir.file("in2"), rejects = dir.file("rejects");
  fs::create_directories(in1);
  fs::create_directories(in2);
  const std::string passed1 = in1 + "/REC001.wav";   // passed
  const std::string failed2 = in2 + "/REC001.wav";   // same name, failed
  const std::string quiet = in1 + "/quiet.wav";      // failed, read whole
  const std::string upper = in2 + "/Rec.wav";        // passed; differs from rec.wav only in case
  // Where names ignore case the two would be one file: another name there.
  const std::string lowerName = namesIgnoreCase() ? "rec_2.wav" : "rec.wav";
  const std::string lower = in2 + "/" + lowerName;   // failed
  const std::string refused = in1 + "/adpcm.wav";    // a format the scan does not read
  const std::string broken = in1 + "/broken.wav";    // a broken header
  const std::string band = in1 + "/te.wav";          // time-expanded, read at x1: no band left
  writeFile(passed1, batRecording(2, 1, 0.4));
  writeFile(failed2, batRecording(0, 2, 0.4));
  writeFile(quiet, batRecording(0, 3, 0.4));
  writeFile(upper, batRecording(3, 4, 0.4));
  writeFile(lower, batRecording(0, 5, 0.4));
  writeFile(refused, adpcm());
  writeFile(broken, Bytes{'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm'});
  writeFile(band, pcmWav(25000, 1, 16, Bytes(40000, 0)));
  const std::vector<std::string> all = {passed1, failed2, quiet, upper, lower,
                                        refused, broken,  band};
  const auto before = contents(all);

  const ProgramRun first = scan("--jobs 2 -o " + dir.file("r.txt") + " --summary-json " +
                                    dir.file("s1.json") + " --move-failed " + rejects + " " + in1 +
                                    " " + in2,
                                dir);
  EXPECT_EQ(first.status, 3) << first.err;

  // Passed ones stay; failed ones read whole went to rejects; each
  // recording not read whole is where it was and is named with its reason.
  EXPECT_EQ(fileText(passed1), before.at(passed1));
  EXPECT_EQ(fileText(upper), before.at(upper));
  EXPECT_EQ(fileText(rejects + "/REC001.wav"), before.at(failed2));
  EXPECT_EQ(fileText(rejects + "/quiet.wav"), before.at(quiet));
  EXPECT_EQ(fileText(rejects + "/" + lowerName), before.at(lower));
  EXPECT_FALSE(fs::exists(failed2));
  EXPECT_FALSE(fs::exists(lower));
  EXPECT_FALSE(fs::exists(quiet));
  for (const std::string& held : {refused, broken, band}) {
    EXPECT_EQ(fileText(held), before.at(held)) << held;
    EXPECT_NE(first.err.find(held + ": it "), std::string::npos) << held << "\n" << first.err;
  }
  EXPECT_NE(first.err.find("effective sample rate 25 kHz (expansion factor 1)"), std::string::npos)
      << first.err;

  // The summary keys every recording by its path.
  const auto s1 = nlohmann::json::parse(fileText(dir.file("s1.json")));
  ASSERT_NE(entryWithPath(s1["passed"], passed1), nullptr);
  ASSERT_NE(entryWithPath(s1["passed"], upper), nullptr);
  ASSERT_NE(entryWithPath(s1["failed"], failed2), nullptr);
  ASSERT_NE(entryWithPath(s1["failed"], lower), nullptr);
  EXPECT_EQ((*entryWithPath(s1["passed"], passed1))["name"], "REC001.wav");
  EXPECT_EQ(s1["filesSelected"], s1["passed"].size());
  EXPECT_EQ(s1["filesFailed"], s1["failed"].size());
  EXPECT_EQ(s1["filesSelected"], 2);
  EXPECT_EQ(s1["filesFailed"], 6);
  const std::map<std::string, std::string> status = {{refused, "refused-format"},
                                                     {broken, "not-opened"},
                                                     {band, "empty-band"}};
  EXPECT_EQ(s1["unreadable"].size(), status.size()) << s1["unreadable"].dump(1);
  for (const auto& [path, expected] : status) {
    const nlohmann::json* e = entryWithPath(s1["unreadable"], path);
    ASSERT_NE(e, nullptr) << path;
    EXPECT_EQ((*e)["status"], expected) << path;
    EXPECT_FALSE((*e)["reason"].get<std::string>().empty()) << path;
    EXPECT_FALSE((*e)["disposed"].get<bool>()) << path;
  }
  // The Filename column keeps the bare name.
  EXPECT_NE(fileText(dir.file("r.txt")).find("\nREC001.wav\t"), std::string::npos);

  // Then the rejects go to the trash, restorable with their contents.
  const std::string share = dir.file("share");
  const ProgramRun second =
      scan("--trash-failed " + rejects, dir, "XDG_DATA_HOME=" + share + " ");
  EXPECT_EQ(second.status, 0) << second.err;
  for (const auto& [name, original] : std::map<std::string, std::string>{
           {"REC001.wav", failed2}, {"quiet.wav", quiet}, {lowerName, lower}}) {
    EXPECT_FALSE(fs::exists(rejects + "/" + name)) << name;
    if (trashUnderDataHome()) {
      EXPECT_EQ(fileText(share + "/Trash/files/" + name), before.at(original)) << name;
    }
  }
  for (const std::string& stays : {passed1, upper, refused, broken, band}) {
    EXPECT_EQ(fileText(stays), before.at(stays)) << stays;
  }
}

// A recording a detector writes to after the scan read it and before it is
// filed away: the steps of quilve-scan in turn, with the write made between
// the analysis and the commit. It is named as still being written, stays
// where it is with what was written, and the summary says it was not filed
// away; a failed recording beside it is moved.
TEST(SafeOnRealFolders, ARecordingWrittenToAfterItWasReadStaysWhereItIs) {
  TempDir dir;
  const std::string in = dir.file("in"), rejects = dir.file("rejects");
  fs::create_directories(in);
  fs::create_directories(rejects);
  const std::string live = in + "/live.wav", quiet = in + "/quiet.wav";
  writeFile(live, batRecording(0, 6, 0.4));
  writeFile(quiet, batRecording(0, 3, 0.4));
  const std::string quietBytes = fileText(quiet);
  const std::vector<std::string> paths = {live, quiet};

  struct Lines final : quilve::Reporter {
    std::string text;
    void warning(const std::string& line) override { text += line + "\n"; }
    void trace(const std::string&) override {}
  } reporter;
  quilve::BatchOptions options;
  options.jobs = 2;
  options.reporter = &reporter;
  options.analysed = [&](std::size_t index, const quilve::RecordingOutcome&, quilve::Reporter&) {
    if (paths[index] == live) std::ofstream(live, std::ios::binary | std::ios::app) << std::string(64, '\0');
  };
  quilve::ScanLists lists;
  quilve::ScanSession session;
  quilve::BatchResult result = quilve::runBatchScan(paths, quilve::ScanSettings{}, options, lists, session);
  ASSERT_EQ(result.recordings.size(), 2u);
  quilve::markBeingWritten(result.recordings);
  EXPECT_EQ(result.recordings[0].status, quilve::ReadStatus::BeingWritten);
  EXPECT_EQ(result.recordings[1].status, quilve::ReadStatus::Whole);
  const std::string written = fileText(live);

  quilve::DispositionRequest request;
  request.moveFailed = rejects;
  std::set<std::string> disposed;
  EXPECT_TRUE(quilve::disposeRecordings(request, lists, reporter, &disposed)) << reporter.text;
  EXPECT_TRUE(fileText(live) == written) << "live.wav is not as the detector left it";
  EXPECT_FALSE(fs::exists(rejects + "/live.wav"));
  EXPECT_NE(reporter.text.find(live + ": it is still being written"), std::string::npos) << reporter.text;
  EXPECT_TRUE(fileText(rejects + "/quiet.wav") == quietBytes) << "quiet.wav was not moved whole";
  EXPECT_FALSE(fs::exists(quiet));

  const nlohmann::json unreadable = quilve::unreadableJson(result.recordings, disposed);
  ASSERT_EQ(unreadable.size(), 1u) << unreadable.dump(1);
  EXPECT_EQ(unreadable[0]["path"], live);
  EXPECT_EQ(unreadable[0]["status"], "being-written");
  EXPECT_FALSE(unreadable[0]["disposed"].get<bool>());
}

TEST(SafeOnRealFolders, TargetsAreCheckedBeforeTheScanAlsoOnADryRun) {
  TempDir dir;
  const std::string in = dir.file("in");
  fs::create_directories(in);
  writeFile(in + "/a.wav", batRecording(1, 1, 0.4));
  writeFile(dir.file("plain.txt"), Bytes{'x'});
  const std::string recording = fileText(in + "/a.wav");
  struct Case {
    std::string args;
    std::string problem;
  };
  const std::vector<Case> cases = {
      {"--move-failed " + dir.file("plain.txt"), "is a file"},
      {"--archive " + in, "is an input directory"},
      {"--move-passed " + dir.file("plain.txt") + "/sub", "cannot be created"},
      {"-o " + dir.file("missing/r.txt"), "does not exist"},
      {"-o " + in, "is a directory"},
      {"-o " + in + "/a.wav", "is the recording " + in + "/a.wav (the same file)"},
  };
  for (const Case& c : cases) {
    for (const char* dry : {"", "--dry-run "}) {
      const ProgramRun r = scan(std::string(dry) + c.args + " " + in, dir);
      EXPECT_EQ(r.status, 2) << c.args << dry;
      EXPECT_NE(r.err.find(c.problem), std::string::npos) << c.args << "\n" << r.err;
      // Refused, dry run or not: the recording and the file in the way
      // are as they were.
      EXPECT_TRUE(fileText(in + "/a.wav") == recording) << "a.wav changed: " << c.args << dry;
      EXPECT_EQ(fileText(dir.file("plain.txt")), "x") << c.args << dry;
    }
  }
  // A target that does not exist yet is made (not on a dry run).
  EXPECT_EQ(scan("-q --dry-run --archive " + dir.file("new/archive") + " " + in, dir).status, 0);
  EXPECT_FALSE(fs::exists(dir.file("new")));
  EXPECT_EQ(scan("-q --archive " + dir.file("new/archive") + " " + in, dir).status, 0);
  EXPECT_TRUE(fs::exists(dir.file("new/archive/a.wav")));
  EXPECT_TRUE(fs::exists(in + "/a.wav"));
}

TEST(SafeOnRealFolders, SameStemRecordingsWriteTwoZeroCrossingFiles) {
  TempDir dir;
  const std::string in1 = dir.file("in1"), in2 = dir.file("in2"), zc = dir.file("zc");
  fs::create_directories(in1);
  fs::create_directories(in2);
  writeFile(in1 + "/a.wav", batRecording(2, 1, 0.4));
  writeFile(in2 + "/a.wav", batRecording(3, 2, 0.4));
  const ProgramRun r = scan("--format zcd --zcd-dir " + zc + " " + in1 + " " + in2, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(fs::exists(zc + "/a.00#"));
  ASSERT_TRUE(fs::exists(zc + "/a-2.00#"));
  EXPECT_NE(r.err.find("go to " + zc + "/a-2.00#"), std::string::npos) << r.err;
  // Both files start with a header and differ: nothing was replaced.
  EXPECT_NE(fileText(zc + "/a.00#"), fileText(zc + "/a-2.00#"));
}

TEST(SafeOnRealFolders, AFullDiskLeavesWholeRowsAndExitsWithOne) {
  TempDir dir;
  const std::string in = dir.file("in"), small = dir.file("small");
  fs::create_directories(in);
  for (int i = 0; i < 24; ++i) writeFile(in + "/r" + std::to_string(i) + ".wav", batRecording(3, 10 + i, 0.4));
  SmallFileSystem disk(small, "64k");
  if (!disk.mounted()) GTEST_SKIP() << disk.whyNot();
  // Fill the disk to two pages short of full, one for the lock file beside
  // the results: the rows need about twice the other.
  {
    std::ofstream fill(small + "/fill", std::ios::binary);
    fill << std::string(64 * 1024 - 2 * 4096, 'x');
  }
  const ProgramRun r = scan("--jobs 1 -o " + small + "/r.txt " + in, dir);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("Failed writing results file " + small + "/r.txt: No space left on device"),
            std::string::npos)
      << r.err;
  const std::string text = fileText(small + "/r.txt");
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n') << "a row was cut off";

  // Zero-crossing records on the full disk: reported, exit status 1.
  const ProgramRun z = scan("--jobs 1 --format zcd --zcd-dir " + small + "/zc " + in, dir);
  EXPECT_EQ(z.status, 1) << z.err;
  EXPECT_NE(z.err.find("zero-crossing file " + small + "/zc/"), std::string::npos) << z.err;
}
