// Recordings handed over in lists (--from-file, -0), and what quilve-scan
// and quilve-inspect say about command lines they cannot take.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;
namespace fs = std::filesystem;

namespace {

ProgramRun shell(const TempDir& dir, const std::string& line) {
  return runProgram("cd '" + dir.path().string() + "' && " + line, dir);
}

ProgramRun scanIn(const TempDir& dir, const std::string& args) {
  return shell(dir, "timeout -s KILL 120 " + std::string(QUILVE_SCAN_BINARY) + " " + args);
}

const std::string kScan = QUILVE_SCAN_BINARY;

}  // namespace

TEST(PathLists, ListsFromAFileOrStandardInputJoinThePathsGiven) {
  TempDir dir;
  fs::create_directories(dir.file("in"));
  writeFile(dir.file("in/a.wav"), batRecording(2, 1));
  writeFile(dir.file("in/b.wav"), batRecording(0, 2));
  writeFile(dir.file("in/line\nend.wav"), batRecording(1, 3));
  writeFile(dir.file("given.wav"), batRecording(1, 4));
  writeFile(dir.file("list.txt"), Bytes{'i', 'n', '/', 'b', '.', 'w', 'a', 'v', '\r', '\n', '\n'});

  const ProgramRun lines = scanIn(dir, "--list given.wav --from-file list.txt");
  EXPECT_EQ(lines.status, 0) << lines.err;
  EXPECT_EQ(lines.out, "given.wav\nin/b.wav\n");

  // xargs-free: one run, one results file for the whole list.
  const ProgramRun piped = shell(dir, "printf 'in/a.wav\\nin/b.wav\\n' | " + kScan +
                                          " -q -o r.txt --summary-json s.json --from-file -");
  EXPECT_EQ(piped.status, 0) << piped.err;
  const auto summary = nlohmann::json::parse(fileText(dir.file("s.json")));
  EXPECT_EQ(summary["passed"].size() + summary["failed"].size(), 2u);

  // Names with line ends need NUL separators.
  const ProgramRun nul = shell(dir, "find in -name '*.wav' -print0 | " + kScan + " --list -0 --from-file -");
  EXPECT_EQ(nul.status, 0) << nul.err;
  EXPECT_NE(nul.out.find("in/line\\x0Aend.wav\n"), std::string::npos) << nul.out;
  EXPECT_EQ(std::count(nul.out.begin(), nul.out.end(), '\n'), 3);
}

TEST(PathLists, AListThatCannotBeReadOrIsNoListEndsTheRunBeforeAnyScan) {
  TempDir dir;
  writeFile(dir.file("a.wav"), batRecording(1, 1));
  const ProgramRun missing = scanIn(dir, "-o r.txt --from-file nosuch.txt a.wav");
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("quilve-scan: --from-file nosuch.txt: cannot be read: No such file or directory"),
            std::string::npos)
      << missing.err;
  EXPECT_FALSE(fs::exists(dir.file("r.txt")));

  const ProgramRun withNul = shell(dir, "printf 'a.wav\\000b.wav\\n' | " + kScan + " -o r.txt --from-file -");
  EXPECT_EQ(withNul.status, 2);
  EXPECT_NE(withNul.err.find("--from-file -: line 1: holds a NUL byte"), std::string::npos) << withNul.err;

  // A listed path that names nothing is named, and nothing is scanned.
  const ProgramRun gone = shell(dir, "printf 'a.wav\\ngone.wav\\n' | " + kScan + " -o r.txt --from-file -");
  EXPECT_EQ(gone.status, 2);
  EXPECT_NE(gone.err.find("quilve-scan: gone.wav: no such file or directory"), std::string::npos) << gone.err;
  EXPECT_FALSE(fs::exists(dir.file("r.txt")));

  EXPECT_EQ(scanIn(dir, "-0 a.wav").status, 2);  // -0 goes with --from-file
}

TEST(Messages, OptionErrorsArePrefixedWithTheNearestOptionAndRangesAsTheManualGivesThem) {
  TempDir dir;
  writeFile(dir.file("a.wav"), batRecording(1, 1));
  const ProgramRun slip = scanIn(dir, "--outptu r.txt a.wav");
  EXPECT_EQ(slip.status, 2);
  EXPECT_EQ(slip.err.rfind("quilve-scan: --outptu: unknown option; did you mean --output?\n", 0), 0u) << slip.err;
  EXPECT_NE(scanIn(dir, "--recursiv a.wav").err.find("did you mean --recursive?"), std::string::npos);
  EXPECT_NE(scanIn(dir, "--jbos=2 a.wav").err.find("did you mean --jobs?"), std::string::npos);
  const ProgramRun far = scanIn(dir, "--bogus a.wav");
  EXPECT_EQ(far.status, 2);
  EXPECT_EQ(far.err.rfind("quilve-scan: --bogus: unknown option\n", 0), 0u) << far.err;

  for (const std::string& args : {std::string("--jobs 0"), std::string("--min-calls -1")}) {
    const ProgramRun range = scanIn(dir, args + " a.wav");
    EXPECT_EQ(range.status, 2) << args;
    EXPECT_EQ(range.err.rfind("quilve-scan: ", 0), 0u) << range.err;
    EXPECT_NE(range.err.find(args.find("jobs") != std::string::npos ? "0 is not 1 or more" : "-1 is not 0 or more"),
              std::string::npos)
        << range.err;
    EXPECT_EQ(range.err.find("797693"), std::string::npos) << range.err;
  }
  // Every other parse error is prefixed too.
  const ProgramRun format = scanIn(dir, "--format nosuch a.wav");
  EXPECT_EQ(format.status, 2);
  EXPECT_EQ(format.err.rfind("quilve-scan: ", 0), 0u) << format.err;
}

TEST(Messages, NoResultsFileIsSaidOnceAndAMissingPathIsAUsageError) {
  TempDir dir;
  writeFile(dir.file("a.wav"), batRecording(1, 1));
  const std::string note = "quilve-scan: note: no results file is written (-o FILE writes one)\n";
  const ProgramRun bare = scanIn(dir, "-q a.wav");
  EXPECT_EQ(bare.status, 0);
  EXPECT_EQ(bare.err, note);
  EXPECT_EQ(scanIn(dir, "-q -o r.txt a.wav").err, "");
  EXPECT_EQ(scanIn(dir, "-q --format zcd --zcd-dir zc a.wav").err, "");
  EXPECT_EQ(scanIn(dir, "--list a.wav").err, "");

  const ProgramRun misspelt = scanIn(dir, "-o r.txt a.wav Sesaon");
  EXPECT_EQ(misspelt.status, 2);
  EXPECT_EQ(misspelt.err, "quilve-scan: Sesaon: no such file or directory\nquilve-scan: nothing was scanned\n");
  // A broken link is there: the open step names it as before.
  fs::create_symlink("nowhere.wav", dir.file("broken.wav"));
  EXPECT_EQ(scanIn(dir, "-q -o r.txt a.wav broken.wav").status, 3);
}

TEST(Messages, QuilveInspectRefusesUnknownOptions) {
  TempDir dir;
  writeFile(dir.file("a.wav"), batRecording(1, 1));
  const std::string inspect = QUILVE_INSPECT_BINARY;
  const ProgramRun bogus = shell(dir, inspect + " --bogus a.wav");
  EXPECT_EQ(bogus.status, 2);
  EXPECT_EQ(bogus.out, "");
  EXPECT_EQ(bogus.err.rfind("quilve-inspect: --bogus: unknown option", 0), 0u) << bogus.err;
  EXPECT_EQ(shell(dir, inspect + " --expansion 7 a.wav").status, 2);
  EXPECT_EQ(shell(dir, inspect + " --expansion").status, 2);
  const ProgramRun fine = shell(dir, inspect + " --expansion=10 a.wav");
  EXPECT_EQ(fine.status, 0) << fine.err;
  EXPECT_NE(fine.out.find("a.wav"), std::string::npos);
  // A path that starts with a dash comes after "--".
  writeFile(dir.file("-odd.wav"), batRecording(1, 2));
  EXPECT_EQ(shell(dir, inspect + " -- -odd.wav").status, 0);
}
