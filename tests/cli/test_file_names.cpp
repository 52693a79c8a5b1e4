// Recordings whose names hold tabs, line ends or bytes that are not UTF-8
// (a memory card written in a legacy code page): scanned, filed away and
// reported like any other, with every output still readable.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;
namespace fs = std::filesystem;

namespace {

ProgramRun scan(const std::string& args, const TempDir& work) {
  return runProgram(std::string(QUILVE_SCAN_BINARY) + " " + args, work);
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A recording of `calls` bat calls.
void recordingWithCalls(const std::string& path, int calls, std::uint32_t seed) {
  writeFile(path, batRecording(calls, seed));
}

// Plain percent-decoding, as any reader of the summary would do it.
std::string percentDecoded(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const std::string kLatin1 = "\xE9t\xE9.wav";  // "été" in Latin-1
const std::string kTab = "tab\there.wav";
const std::string kNewline = "new\nline.wav";

}  // namespace

TEST(FileNames, AnyNameIsScannedFiledAndReportedReadably) {
  TempDir work;
  const fs::path input = work.path() / "card";
  fs::create_directory(input);
  recordingWithCalls((input / kLatin1).string(), 3, 1);
  recordingWithCalls((input / kTab).string(), 2, 2);
  recordingWithCalls((input / kNewline).string(), 1, 3);
  recordingWithCalls((input / "plain.wav").string(), 1, 4);
  recordingWithCalls((input / "quiet\xE9.wav").string(), 0, 5);
  writeFile((input / "bro\tken\xE9.wav").string(), Bytes{'R', 'I', 'F', 'F', 1, 0});

  const std::string results = work.file("r.txt");
  const std::string summaryPath = work.file("s.json");
  const ProgramRun r = scan("--jobs 2 -o " + results + " --summary-json " + summaryPath +
                                " --move-passed " + work.file("passed") + " --move-failed " +
                                work.file("failed") + " " + input.string(),
                            work);
  ASSERT_EQ(r.status, 3) << r.err;

  // The summary is JSON; the exact bytes come back from pathBytes.
  const std::string summaryText = slurp(summaryPath);
  ASSERT_FALSE(summaryText.empty());
  nlohmann::json summary;
  ASSERT_NO_THROW(summary = nlohmann::json::parse(summaryText));
  std::vector<std::string> passed;
  for (const nlohmann::json& e : summary["passed"]) {
    const std::string path = e.contains("pathBytes") ? percentDecoded(e["pathBytes"].get<std::string>())
                                                     : e["path"].get<std::string>();
    EXPECT_EQ(e.contains("pathBytes"), e.contains("nameBytes"));
    EXPECT_EQ(e.contains("pathBytes"), path.find('\xE9') != std::string::npos) << path;
    passed.push_back(path);
    EXPECT_FALSE(e["recorded"].is_null()) << path;  // matched to its recording
  }
  std::sort(passed.begin(), passed.end());
  std::vector<std::string> expected = {(input / kLatin1).string(), (input / kNewline).string(),
                                       (input / "plain.wav").string(), (input / kTab).string()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(passed, expected);
  for (const nlohmann::json& e : summary["passed"]) {
    if (!e.contains("nameBytes")) continue;
    EXPECT_EQ(e["name"], "\xEF\xBF\xBDt\xEF\xBF\xBD.wav");
    EXPECT_EQ(e["nameBytes"], "%E9t%E9.wav");
    EXPECT_EQ(e["calls"], 3);
  }
  ASSERT_EQ(summary["unreadable"].size(), 1u);
  EXPECT_EQ(percentDecoded(summary["unreadable"][0]["pathBytes"].get<std::string>()),
            (input / "bro\tken\xE9.wav").string());

  // The passed recordings were moved under their exact names, the quiet one
  // too; the one not read whole stays.
  for (const std::string& n : {kLatin1, kTab, kNewline}) {
    EXPECT_TRUE(fs::exists(work.path() / "passed" / n)) << n;
  }
  EXPECT_TRUE(fs::exists(work.path() / "failed" / "quiet\xE9.wav"));
  EXPECT_TRUE(fs::exists(input / "bro\tken\xE9.wav"));

  // One row a call, none split; the Filename column shows "?" for a
  // control character and keeps other bytes.
  const std::vector<std::string> lines = linesOf(slurp(results));
  ASSERT_EQ(lines.size(), 1u + summary["totalChirpCount"].get<std::size_t>());
  EXPECT_EQ(lines.size(), 1u + 3 + 2 + 1 + 1);
  const auto tabs = [](const std::string& l) { return std::count(l.begin(), l.end(), '\t'); };
  for (const std::string& line : lines) EXPECT_EQ(tabs(line), tabs(lines[0])) << line;
  const auto rowsOf = [&](const std::string& column) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.rfind(column + "\t", 0) == 0; });
  };
  EXPECT_EQ(rowsOf("tab?here.wav"), 2);
  EXPECT_EQ(rowsOf("new?line.wav"), 1);
  EXPECT_EQ(rowsOf(kLatin1), 3);

  // Messages show the names with escapes, each on its own line.
  EXPECT_NE(r.err.find("bro\\x09ken\\xE9.wav: cannot be read"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("bro\\x09ken\\xE9.wav: it was not read whole"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("bro\tken"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("  \\xE9t\\xE9.wav\t3\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  new\\x0Aline.wav\t1\n"), std::string::npos) << r.out;
}

TEST(FileNames, TheInputListHoldsOnePathALine) {
  TempDir work;
  recordingWithCalls(work.file(kNewline), 0, 1);
  recordingWithCalls(work.file(kLatin1), 0, 2);
  const ProgramRun r = scan("--list " + work.path().string(), work);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(linesOf(r.out).size(), 2u) << r.out;
  EXPECT_NE(r.out.find("new\\x0Aline.wav\n"), std::string::npos) << r.out;
}
