// quilve-scan on recordings named in any script, in folders nested beyond
// the old 260-character limit of Windows paths, and under names that
// differ only in case: scanned, reported under their own names, moved and
// sent to the trash without losing a byte. The program is started with its
// arguments as given (no shell), so the names reach it unquoted.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
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

// quilve-scan with `args` in `dir`, its trash (on Linux) under dir/share.
ProgramRun scanIn(const TempDir& dir, std::vector<std::string> args) {
  Command c;
  c.args = {QUILVE_SCAN_BINARY};
  c.args.insert(c.args.end(), args.begin(), args.end());
  c.workingFolder = dir.path().u8string();
  c.environment = {{"XDG_DATA_HOME", dir.file("share")}};
  c.limitSeconds = 300;
  return run(c);
}

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(filePath(path), ec);
}

// The names in `folder`, sorted.
std::set<std::string> namesIn(const std::string& folder) {
  std::set<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(filePath(folder), ec)) out.insert(e.path().filename().u8string());
  return out;
}

const std::string kLatin = "Gro\xC3\x9F" "er_Abendsegler_\xC3\xA9t\xC3\xA9.wav";          // Großer_Abendsegler_été
const std::string kGreek = "\xCE\xBD\xCF\x85\xCF\x87\xCF\x84\xCE\xB5\xCF\x81\xCE\xAF\xCE\xB4\xCE\xB1.wav";  // νυχτερίδα
const std::string kCjk = "\xE8\x9D\x99\xE8\x9D\xA0\xE3\x81\xAE\xE9\x8C\xB2\xE9\x9F\xB3.wav";  // 蝙蝠の録音
const std::string kFolder = "Nacht_\xC3\x91o\xC3\xB1o";                                      // Nacht_Ñoño

}  // namespace

TEST(NamesAndLongPaths, NamesInAnyScriptAreScannedReportedAndMoved) {
  TempDir dir;
  const std::string in = dir.file(kFolder);
  fs::create_directories(filePath(in));
  const Bytes passing = batRecording(3, 1), quietGreek = batRecording(0, 2), quietCjk = batRecording(0, 3);
  writeFile(in + "/" + kLatin, passing);
  writeFile(in + "/" + kGreek, quietGreek);
  writeFile(in + "/" + kCjk, quietCjk);
  const std::string rejects = dir.file("rejects_\xCE\xB1");

  // The folder and a recording given by name, both in UTF-8.
  const ProgramRun r = scanIn(dir, {"-q", "-o", "r.txt", "--summary-json", "s.json", "--move-failed", rejects,
                                    kFolder + "/" + kGreek, kFolder});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string results = fileText(dir.file("r.txt"));
  EXPECT_NE(results.find(kLatin), std::string::npos) << results;
  const auto summary = nlohmann::json::parse(fileText(dir.file("s.json")));
  ASSERT_EQ(summary["passed"].size(), 1u) << summary.dump(1);
  EXPECT_EQ(summary["passed"][0]["name"], kLatin);
  std::set<std::string> failed;
  for (const auto& e : summary["failed"]) failed.insert(e["name"].get<std::string>());
  EXPECT_EQ(failed, (std::set<std::string>{kGreek, kCjk}));

  // Moved under the same names, byte for byte; the passing one stays.
  EXPECT_EQ(namesIn(rejects), (std::set<std::string>{kGreek, kCjk}));
  EXPECT_EQ(readFile(rejects + "/" + kGreek), quietGreek);
  EXPECT_EQ(readFile(rejects + "/" + kCjk), quietCjk);
  EXPECT_EQ(namesIn(in), std::set<std::string>{kLatin});
  EXPECT_EQ(readFile(in + "/" + kLatin), passing);
}

TEST(NamesAndLongPaths, NamesInAnyScriptGoToTheTrash) {
  TempDir dir;
  const std::string in = dir.file(kFolder);
  fs::create_directories(filePath(in));
  writeFile(in + "/" + kLatin, batRecording(3, 1));
  writeFile(in + "/" + kGreek, batRecording(0, 2));
  writeFile(in + "/" + kCjk, batRecording(0, 3));

  const ProgramRun r = scanIn(dir, {"-q", "--summary-json", "s.json", "--trash-failed", kFolder});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(namesIn(in), std::set<std::string>{kLatin});
  if (trashUnderDataHome()) {
    // The trash of XDG_DATA_HOME, under the same names.
    EXPECT_EQ(namesIn(dir.file("share/Trash/files")), (std::set<std::string>{kGreek, kCjk}));
  }
}

// Six folders of 60 characters: the recordings' paths are beyond 380
// characters, the rejects' beyond 260 too.
TEST(NamesAndLongPaths, PathsBeyondTheOldLimitAreScannedAndMoved) {
  TempDir dir;
  std::string deep = "deep";
  for (int i = 0; i < 6; ++i) deep += "/" + std::string(56, static_cast<char>('a' + i)) + "_" + std::to_string(i);
  const std::string in = dir.file(deep);
  const std::string rejects = dir.file(deep + "/" + std::string(40, 'r'));
  ASSERT_GT(in.size(), 380u);
  fs::create_directories(filePath(in));
  const Bytes quiet = batRecording(0, 2);
  writeFile(in + "/" + kCjk, quiet);
  writeFile(in + "/bat.wav", batRecording(3, 1));

  // Given by the absolute path (no working folder helps there).
  const ProgramRun r = scanIn(dir, {"-q", "-o", "r.txt", "--summary-json", "s.json", "--move-failed", rejects, in});
  EXPECT_EQ(r.status, 0) << r.err;
  const auto summary = nlohmann::json::parse(fileText(dir.file("s.json")));
  EXPECT_EQ(summary["filesSelected"], 1) << summary.dump(1);
  EXPECT_EQ(summary["filesFailed"], 1) << summary.dump(1);
  EXPECT_NE(fileText(dir.file("r.txt")).find("bat.wav"), std::string::npos);
  EXPECT_EQ(namesIn(rejects), std::set<std::string>{kCjk});
  EXPECT_EQ(readFile(rejects + "/" + kCjk), quiet);
  EXPECT_FALSE(exists(in + "/" + kCjk));
  EXPECT_TRUE(exists(in + "/bat.wav"));

  // Zero-crossing files there as well.
  const std::string zc = dir.file(deep + "/" + std::string(60, 'z'));
  const ProgramRun z = scanIn(dir, {"-q", "--format", "zcd", "--zcd-dir", zc, in});
  EXPECT_EQ(z.status, 0) << z.err;
  EXPECT_TRUE(exists(zc + "/bat.00#")) << z.err;
}

// NTFS compares names without regard to case: "Rec.wav" and "rec.WAV" are
// one recording there, scanned and filed once. On Linux they are two files.
TEST(NamesAndLongPaths, NamesDifferingOnlyInCaseAreOneFileWhereTheSystemSaysSo) {
  TempDir dir;
  fs::create_directories(filePath(dir.file("in")));
  const Bytes quiet = batRecording(0, 2), other = batRecording(0, 3);
  writeFile(dir.file("in/Rec.wav"), quiet);
  if (namesIgnoreCase()) {
    ASSERT_TRUE(exists(dir.file("in/rec.WAV")));
  } else {
    writeFile(dir.file("in/rec.WAV"), other);
  }
  const std::size_t files = namesIgnoreCase() ? 1 : 2;
  ASSERT_EQ(namesIn(dir.file("in")).size(), files);

  const ProgramRun list = scanIn(dir, {"--list", "in/Rec.wav", "in/rec.WAV"});
  EXPECT_EQ(list.status, 0) << list.err;
  if (namesIgnoreCase()) {
    EXPECT_EQ(list.out, "in/Rec.wav\n");
    EXPECT_NE(list.err.find("in/Rec.wav and in/rec.WAV are the same file; scanned once as in/Rec.wav"),
              std::string::npos)
        << list.err;
  } else {
    EXPECT_EQ(list.out, "in/Rec.wav\nin/rec.WAV\n");
  }

  // The folder in other letters is the same folder, and the recording is
  // filed once: nothing is reported missing, nothing is lost.
  const std::string again = namesIgnoreCase() ? "IN/REC.wav" : "in/Rec.wav";
  const ProgramRun r = scanIn(dir, {"-q", "--summary-json", "s.json", "--move-failed", "rejects", "in", again});
  EXPECT_EQ(r.status, 0) << r.err;
  const auto summary = nlohmann::json::parse(fileText(dir.file("s.json")));
  EXPECT_EQ(summary["filesFailed"], files) << summary.dump(1);
  EXPECT_TRUE(summary["unreadable"].empty()) << summary.dump(1);
  EXPECT_TRUE(namesIn(dir.file("in")).empty());
  if (namesIgnoreCase()) {
    EXPECT_EQ(namesIn(dir.file("rejects")), std::set<std::string>{"Rec.wav"});
    EXPECT_EQ(readFile(dir.file("rejects/Rec.wav")), quiet);
  } else {
    EXPECT_EQ(namesIn(dir.file("rejects")), (std::set<std::string>{"Rec.wav", "rec.WAV"}));
    EXPECT_EQ(readFile(dir.file("rejects/rec.WAV")), other);
  }
}

// The arguments reach the program as they were given: with spaces, quotes
// and a trailing backslash (the case the Windows quoting rules make
// special), and through the shell's quoting on the systems that have one.
TEST(NamesAndLongPaths, ArgumentsReachTheProgramUnchanged) {
  EXPECT_EQ(windowsCommandLine({"p", "a b", "", "x\"y", "c:\\d e\\", "back\\\\slash", "q\\\"r"}),
            "p \"a b\" \"\" \"x\\\"y\" \"c:\\d e\\\\\" back\\\\slash \"q\\\\\\\"r\"");

  Command parsed;
  std::string errFile, why;
  ASSERT_TRUE(parseCommandLine("(cd 'a b' && X=1 exec prog \"c \\\"d\\\"\" e\\ f 'g'\"h\" 2>err.txt)", &parsed,
                               &errFile, &why))
      << why;
  EXPECT_EQ(parsed.workingFolder, "a b");
  EXPECT_EQ(parsed.environment, (std::vector<std::pair<std::string, std::string>>{{"X", "1"}}));
  EXPECT_EQ(parsed.args, (std::vector<std::string>{"prog", "c \"d\"", "e f", "gh"}));
  EXPECT_EQ(errFile, "err.txt");
  // Windows paths pass unquoted.
  ASSERT_TRUE(parseCommandLine("prog C:\\Users\\x\\a.wav", &parsed, &errFile, &why)) << why;
  EXPECT_EQ(parsed.args, (std::vector<std::string>{"prog", "C:\\Users\\x\\a.wav"}));
  for (const char* shellOnly : {"a | b", "a; b", "a & b", "echo $HOME", "ls *.wav", "a < in", "a > out"}) {
    EXPECT_FALSE(parseCommandLine(shellOnly, &parsed, &errFile, &why)) << shellOnly;
    EXPECT_NE(why.find("needs a POSIX shell"), std::string::npos) << why;
  }
  // A printf feeding standard input and a time limit become parts of the command.
  ASSERT_TRUE(parseCommandLine("cd d && printf 'a.wav\\000b\\n' | timeout -s KILL 120 prog --from-file -", &parsed,
                               &errFile, &why))
      << why;
  EXPECT_EQ(parsed.input, std::string("a.wav\0b\n", 8));
  EXPECT_EQ(parsed.limitSeconds, 120);
  EXPECT_EQ(parsed.args, (std::vector<std::string>{"prog", "--from-file", "-"}));
  EXPECT_FALSE(parseCommandLine("printf '%s' x | prog", &parsed, &errFile, &why));

  TempDir dir;
  const std::string spaced = dir.file("with space");
  fs::create_directories(filePath(spaced));
  writeFile(spaced + "/a b.wav", batRecording(0, 1));
  std::vector<std::string> names = {"with space/a b.wav"};
  if (!namesIgnoreCase()) {
    // Quotes and a dollar are ordinary name characters on Linux.
    writeFile(spaced + "/q\"u'o$te.wav", batRecording(0, 2));
    names.push_back("with space/q\"u'o$te.wav");
  }
  std::vector<std::string> args = {"--list"};
  args.insert(args.end(), names.begin(), names.end());
  const ProgramRun direct = scanIn(dir, args);
  EXPECT_EQ(direct.status, 0) << direct.err;
  std::string expected;
  for (const std::string& n : names) expected += n + "\n";
  EXPECT_EQ(direct.out, expected);

  // A folder given with a trailing separator, which on Windows comes just
  // before the closing quote.
  const std::string trailing = spaced + (namesIgnoreCase() ? "\\" : "/");
  const ProgramRun folder = scanIn(dir, {"--list", trailing});
  EXPECT_EQ(folder.status, 0) << folder.err;
  EXPECT_NE(folder.out.find("a b.wav\n"), std::string::npos) << folder.out << folder.err;

  // The shell's quoting gives the program the same words.
  const ProgramRun shell = runProgram(std::string("cd '") + dir.path().u8string() + "' && '" + QUILVE_SCAN_BINARY +
                                          "' --list 'with space/a b.wav'" +
                                          (namesIgnoreCase() ? "" : " \"with space/q\\\"u'o\\$te.wav\""),
                                      dir);
  EXPECT_EQ(shell.status, 0) << shell.err;
  EXPECT_EQ(shell.out, expected);
}
