// quilve-scan on what a real file system puts in its way: FIFOs, devices,
// folders and broken links under recording names, folders it may not read,
// and one recording reached by several names. Nothing waits, each problem
// is named once with its reason, and each recording is scanned and filed
// once.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "support/platform.h"
#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;
namespace fs = std::filesystem;

namespace {

ProgramRun scanIn(const TempDir& dir, const std::string& args) {
  return runIn(dir, QUILVE_SCAN_BINARY, args, 60);
}

std::size_t lines(const std::string& text) { return occurrences(text, "\n"); }

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

nlohmann::json unreadableEntry(const nlohmann::json& summary, const std::string& path) {
  for (const auto& e : summary["unreadable"]) {
    if (e["path"] == path) return e;
  }
  return nullptr;
}

}  // namespace

TEST(InputsOnRealFolders, AFifoNamedLikeARecordingNeverBlocksTheScan) {
  SKIP_WITHOUT(noFifos());
  TempDir dir;
  fs::create_directory(dir.file("in"));
  writeFile(dir.file("in/a.wav"), batRecording(2, 1, 0.4));
  ASSERT_TRUE(makeFifo(dir.file("in/x.wav")));
  ASSERT_TRUE(makeFifo(dir.file("strict.set")));
  const std::string reason = "in/x.wav: cannot be read: is a FIFO (named pipe), not a recording";

  const ProgramRun direct = scanIn(dir, "-q in/x.wav");
  EXPECT_EQ(direct.status, 1) << direct.err;
  EXPECT_EQ(occurrences(direct.err, reason), 1u) << direct.err;

  for (const std::string& given : {std::string("in/*.wav"), std::string("in")}) {
    const ProgramRun r = scanIn(dir, "-q --summary-json s.json " + given);
    EXPECT_EQ(r.status, 3) << given << "\n" << r.err;
    EXPECT_EQ(occurrences(r.err, reason), 1u) << given << "\n" << r.err;
    const auto summary = nlohmann::json::parse(fileText(dir.file("s.json")));
    EXPECT_EQ(summary["filesFailed"], 1) << given;
    EXPECT_EQ(unreadableEntry(summary, "in/x.wav")["status"], "not-opened") << given;
  }

  const ProgramRun settings = scanIn(dir, "-q --settings strict.set in");
  EXPECT_EQ(settings.status, 2) << settings.err;
  EXPECT_NE(settings.err.find("strict.set: cannot be read: is a FIFO (named pipe), not a settings file"),
            std::string::npos)
      << settings.err;
}

// Inside a folder each entry of a recording's name is taken, whatever it
// is: the ones that are no recording are named once with their reason,
// listed in the summary, counted as failed and left where they are.
TEST(InputsOnRealFolders, EntriesThatAreNoRecordingAreReportedOnceAndLeftInPlace) {
  SKIP_WITHOUT(noSymbolicLinks());
  TempDir dir;
  const std::string in = dir.file("in");
  fs::create_directory(in);
  writeFile(in + "/a.wav", batRecording(2, 1, 0.4));
  writeFile(in + "/quiet.wav", batRecording(0, 2, 0.4));
  fs::create_directory(in + "/d.wav");
  fs::create_symlink("/dev/null", in + "/z.wav");
  fs::create_symlink("loop.wav", in + "/loop.wav");
  fs::create_symlink("gone.wav", in + "/dangling.wav");
  const std::map<std::string, std::string> reasons = {
      {"d.wav", "is a directory"},
      {"z.wav", "is a device, not a recording"},
      {"loop.wav", "Too many levels of symbolic links"},
      {"dangling.wav", "dangling symbolic link: its target gone.wav does not exist"}};

  const ProgramRun r = scanIn(dir, "--summary-json s.json --move-failed rejects in");
  EXPECT_EQ(r.status, 3) << r.err;
  const auto summary = nlohmann::json::parse(fileText(dir.file("s.json")));
  EXPECT_EQ(summary["filesSelected"], 1);
  EXPECT_EQ(summary["filesFailed"], 5);
  EXPECT_EQ(summary["unreadable"].size(), reasons.size()) << summary["unreadable"].dump(1);
  for (const auto& [name, reason] : reasons) {
    EXPECT_EQ(occurrences(r.err, "in/" + name + ": cannot be read: " + reason + "\n"), 1u) << name << "\n"
                                                                                    << r.err;
    const auto entry = unreadableEntry(summary, "in/" + name);
    ASSERT_FALSE(entry.is_null()) << name;
    EXPECT_EQ(entry["status"], "not-opened");
    EXPECT_EQ(entry["reason"], reason);
    EXPECT_FALSE(entry["disposed"].get<bool>());
    EXPECT_NE(r.out.find("  " + name + "\t0\n"), std::string::npos) << r.out;
  }
  // Only the recording read whole went to the rejects.
  EXPECT_EQ(namesIn(dir.file("rejects")), std::vector<std::string>{"quiet.wav"});
  EXPECT_TRUE(fs::is_directory(in + "/d.wav"));
  EXPECT_EQ(fs::read_symlink(in + "/z.wav"), "/dev/null");
  EXPECT_EQ(fs::read_symlink(in + "/loop.wav"), "loop.wav");
  EXPECT_EQ(fs::read_symlink(in + "/dangling.wav"), "gone.wav");
}

// One recording given by several names is scanned once (its rows written
// once, a note naming the names) and filed once, under its real name.
TEST(InputsOnRealFolders, ARecordingReachedByManyNamesIsScannedAndFiledOnce) {
  SKIP_WITHOUT(noSymbolicLinks());
  TempDir dir;
  const Bytes passing = batRecording(3, 1, 0.4), failing = batRecording(0, 2, 0.4);
  fs::create_directory(dir.file("ref"));
  writeFile(dir.file("ref/f.wav"), failing);
  writeFile(dir.file("ref/p.wav"), passing);
  const ProgramRun ref = scanIn(dir, "-q -o ref.txt ref");
  ASSERT_EQ(ref.status, 0) << ref.err;
  const std::string rows = fileText(dir.file("ref.txt"));
  ASSERT_GT(lines(rows), 2u);

  const std::string absolute = dir.file("in") + "/p.wav";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"in ./in",
       "in/f.wav, in/g.wav, ./in/f.wav and ./in/g.wav are the same file; scanned once as in/f.wav"},
      {"in/p.wav in", "in/p.wav and in/0.wav are the same file; scanned once as in/p.wav"},
      {absolute + " in", absolute + ", in/0.wav and in/p.wav are the same file; scanned once as " + absolute},
      {"linked in",
       "linked/0.wav, linked/p.wav, in/0.wav and in/p.wav are the same file; scanned once as in/p.wav"},
      {"in", "in/f.wav and in/g.wav are the same file; scanned once as in/f.wav"},
  };
  for (const auto& [given, note] : cases) {
    SCOPED_TRACE(given);
    fs::remove_all(dir.file("in"));
    fs::remove_all(dir.file("archive"));
    fs::remove_all(dir.file("rejects"));
    fs::remove(dir.file("linked"));
    fs::create_directory(dir.file("in"));
    writeFile(dir.file("in/f.wav"), failing);
    writeFile(dir.file("in/p.wav"), passing);
    fs::create_hard_link(dir.file("in/f.wav"), dir.file("in/g.wav"));
    fs::create_symlink("p.wav", dir.file("in/0.wav"));  // sorts before its target
    fs::create_directory_symlink("in", dir.file("linked"));

    const ProgramRun list = scanIn(dir, "--list " + given);
    EXPECT_EQ(lines(list.out), 2u) << list.out;

    const ProgramRun r = scanIn(dir, "--jobs 2 -o r.txt --archive archive --move-failed rejects " + given);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("quilve-scan: note: " + note), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("No such file"), std::string::npos) << r.err;
    EXPECT_EQ(lines(fileText(dir.file("r.txt"))), lines(rows));
    EXPECT_NE(r.out.find("Files selected: 1\nTotal chirp count: 3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Files failed: 1\n"), std::string::npos) << r.out;

    // Each recording once where it belongs, byte for byte; the link to the
    // passed one is still a link to it.
    EXPECT_EQ(namesIn(dir.file("archive")), std::vector<std::string>{"p.wav"});
    EXPECT_EQ(namesIn(dir.file("rejects")), std::vector<std::string>{"f.wav"});
    EXPECT_EQ(fileText(dir.file("archive/p.wav")), fileText(dir.file("ref/p.wav")));
    EXPECT_EQ(fileText(dir.file("rejects/f.wav")), fileText(dir.file("ref/f.wav")));
    EXPECT_EQ(fileText(dir.file("in/p.wav")), fileText(dir.file("ref/p.wav")));
    EXPECT_EQ(namesIn(dir.file("in")), (std::vector<std::string>{"0.wav", "g.wav", "p.wav"}));
    EXPECT_EQ(fs::read_symlink(dir.file("in/0.wav")), "p.wav");
    EXPECT_EQ(fs::read_symlink(dir.file("linked")), "in");
  }
}

TEST(InputsOnRealFolders, PermissionDeniedIsNamedAsTheSystemSaysIt) {
  SKIP_WITHOUT(noPermissionBits());
  TempDir dir;
  fs::create_directory(dir.file("in"));
  fs::create_directory(dir.file("closed"));
  writeFile(dir.file("in/a.wav"), batRecording(2, 1, 0.4));
  writeFile(dir.file("in/locked.wav"), batRecording(2, 2, 0.4));
  writeFile(dir.file("closed/b.wav"), batRecording(2, 3, 0.4));
  setMode(dir.file("in/locked.wav"), 0);
  setMode(dir.file("closed"), 0);
  if (canRead(dir.file("in/locked.wav"))) {
    setMode(dir.file("closed"), 0700);
    GTEST_SKIP() << "running as root: permissions do not hold";
  }
  const ProgramRun r = scanIn(dir, "-q --summary-json s.json in closed");
  setMode(dir.file("closed"), 0700);
  EXPECT_NE(r.err.find("quilve-scan: in/locked.wav: cannot be read: Permission denied\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("quilve-scan: closed: cannot be read: Permission denied\n"), std::string::npos)
      << r.err;
  const auto summary = nlohmann::json::parse(fileText(dir.file("s.json")));
  EXPECT_EQ(unreadableEntry(summary, "in/locked.wav")["reason"], "Permission denied");
  EXPECT_EQ(unreadableEntry(summary, "closed")["reason"], "Permission denied");
}

// Windows' own form of it: a recording another program holds open without
// sharing is named with the system's reason and left where it is.
TEST(InputsOnRealFolders, ARecordingAnotherProgramHoldsIsNamedAndLeftInPlace) {
  TempDir dir;
  fs::create_directory(dir.file("in"));
  writeFile(dir.file("in/a.wav"), batRecording(2, 1, 0.4));
  writeFile(dir.file("in/held.wav"), batRecording(0, 2, 0.4));
  const ExclusiveOpen held(dir.file("in/held.wav"));
  if (!held.held()) GTEST_SKIP() << "files here cannot be held against other opens";
  const ProgramRun r = scanIn(dir, "-q --summary-json s.json --move-failed rejects in");
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_EQ(occurrences(r.err, "quilve-scan: in/held.wav: cannot be read: "), 1u) << r.err;
  const auto summary = nlohmann::json::parse(fileText(dir.file("s.json")));
  EXPECT_FALSE(unreadableEntry(summary, "in/held.wav").is_null()) << summary.dump(1);
  EXPECT_TRUE(fs::exists(fs::u8path(dir.file("in/held.wav"))));
  EXPECT_FALSE(fs::exists(fs::u8path(dir.file("rejects/held.wav"))));
}
