// quilve-scan interrupted: a signal or a closed standard output ends the run
// after the recording under way, with whole recordings' rows, the summary
// and the exit status 128 + the signal; nothing is filed away half-done.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/platform.h"
#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;
namespace fs = std::filesystem;

namespace {

// Long recordings (the same 0.4 s of calls over and over), so that a
// signal sent once the first rows are out finds most of them unscanned.
class Interrupted : public ::testing::Test {
 protected:
  static constexpr int kRecordings = 5;

  void SetUp() override {
    // The scanner is interrupted by signals from a shell script.
    SKIP_WITHOUT(noSignals());
    SignalGenerator gen(0.4, 250000, 7);
    gen.addNoise(-60);
    for (int k = 0; k < 3; ++k) {
      CallSpec c;
      c.startTime = 0.05 + 0.1 * k;
      c.startFrequency = 75000;
      c.endFrequency = 38000;
      gen.addCall(c);
    }
    const Bytes once = pcm16(gen.render().samples);
    Bytes data;
    for (int i = 0; i < 100; ++i) data.insert(data.end(), once.begin(), once.end());  // 40 s
    const Bytes file = pcmWav(250000, 1, 16, data);
    fs::create_directories(in());
    for (int i = 0; i < kRecordings; ++i) {
      // Copies, not links: each is a recording of its own.
      writeFile(in() + "/r" + std::to_string(i) + ".wav", file);
    }
    original_ = fileText(in() + "/r0.wav");
    // The rows of a whole run, recording by recording.
    const ProgramRun whole = runProgram(scanner() + " -q --jobs 2 -o " + dir_.file("whole.txt") + " " + in(), dir_);
    ASSERT_EQ(whole.status, 0) << whole.err;
    std::istringstream rows(fileText(dir_.file("whole.txt")));
    std::getline(rows, header_);
    for (std::string row; std::getline(rows, row);) rowsOf_[row.substr(0, row.find('\t'))] += row + "\n";
    ASSERT_EQ(rowsOf_.size(), static_cast<std::size_t>(kRecordings));
  }

  std::string in() const { return dir_.file("in"); }
  static std::string scanner() { return QUILVE_SCAN_BINARY; }

  // Runs `command` in bash in the background as $P (the scanner), waits
  // until the results file holds a row, then runs `then` and waits for it;
  // the exit status is the scanner's.
  ProgramRun runAndThen(const std::string& command, const std::string& then) {
    const std::string script = command + " & P=$!; for i in $(seq 3000); do [ $(wc -l < r.txt 2>/dev/null || echo 0) -ge 2 ] && break; sleep 0.01; done; " +
                               then + "; wait $P";
    std::ofstream(dir_.file("run.sh")) << "cd " << dir_.path().string() << "\n" << script << "\n";
    return runProgram("bash " + dir_.file("run.sh"), dir_);
  }

  // The results file is the header and the whole rows of the first
  // recordings of the list; returns how many.
  std::size_t wholeRecordingsIn(const std::string& results) {
    std::string expected = header_ + "\n";
    std::size_t n = 0;
    while (n < static_cast<std::size_t>(kRecordings) && expected.size() < results.size()) {
      expected += rowsOf_["r" + std::to_string(n) + ".wav"];
      ++n;
    }
    EXPECT_EQ(results, expected) << "the results file does not end with a whole recording";
    return n;
  }

  TempDir dir_;
  std::string header_;
  std::map<std::string, std::string> rowsOf_;
  std::string original_;
};

TEST_F(Interrupted, AnInterruptEndsAfterTheRecordingUnderWayWithWholeRowsAndTheSummary) {
  for (const char* signal : {"INT", "TERM", "HUP"}) {
    SCOPED_TRACE(signal);
    fs::remove(dir_.file("r.txt"));
    fs::remove(dir_.file("s.json"));
    const ProgramRun r =
        runAndThen(scanner() + " -q --jobs 2 -o r.txt --summary-json s.json --move-passed passed " + in(),
                   std::string("kill -") + signal + " $P");
    const int number = std::string(signal) == "INT" ? 2 : std::string(signal) == "TERM" ? 15 : 1;
    EXPECT_EQ(r.status, 128 + number) << r.err;
    EXPECT_NE(r.err.find(std::string("interrupted by SIG") + signal), std::string::npos) << r.err;

    const std::size_t whole = wholeRecordingsIn(fileText(dir_.file("r.txt")));
    EXPECT_GE(whole, 1u);
    EXPECT_LT(whole, static_cast<std::size_t>(kRecordings)) << "the run ended before the signal came";
    const auto summary = nlohmann::json::parse(fileText(dir_.file("s.json")));
    EXPECT_TRUE(summary["interrupted"].get<bool>());
    EXPECT_EQ(summary["passed"].size(), whole);
    ASSERT_EQ(summary["notScanned"].size(), kRecordings - whole);
    EXPECT_EQ(summary["notScanned"][0]["path"], in() + "/r" + std::to_string(whole) + ".wav");
    // An interrupted run files nothing away.
    EXPECT_FALSE(fs::exists(dir_.file("passed/r0.wav")));
    for (int i = 0; i < kRecordings; ++i) {
      EXPECT_EQ(fileText(in() + "/r" + std::to_string(i) + ".wav"), original_);
    }
  }
}

TEST_F(Interrupted, ASecondSignalEndsAtOnceLeavingOnlyWholeRecordings) {
  const ProgramRun r = runAndThen(scanner() + " -q --jobs 1 -o r.txt --summary-json s.json " + in(),
                                  "kill -INT $P; kill -TERM $P");
  EXPECT_EQ(r.status, 128 + 15) << r.err;
  EXPECT_NE(r.err.find("ended at once"), std::string::npos) << r.err;
  // The recording under way had rows out; they are cut back.
  EXPECT_LT(wholeRecordingsIn(fileText(dir_.file("r.txt"))), static_cast<std::size_t>(kRecordings));
  EXPECT_FALSE(fs::exists(dir_.file("s.json")));
  for (const auto& entry : fs::directory_iterator(dir_.path())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(Interrupted, AClosedStandardOutputStopsTheScanWithItsSummary) {
  // The reader of the pipe goes away while the scan runs.
  std::ofstream(dir_.file("run.sh")) << "cd " << dir_.path().string() << "\n"
                                     << scanner() << " --jobs 2 -o r.txt --summary-json s.json " << in()
                                     << " | { for i in $(seq 3000); do [ $(wc -l < r.txt 2>/dev/null || echo 0) -ge 2 ] && break;"
                                        " sleep 0.01; done; }\nexit ${PIPESTATUS[0]}\n";
  const ProgramRun r = runProgram("bash " + dir_.file("run.sh"), dir_);
  EXPECT_EQ(r.status, 128 + 13) << r.err;  // SIGPIPE's number
  EXPECT_NE(r.err.find("closed standard output"), std::string::npos) << r.err;
  wholeRecordingsIn(fileText(dir_.file("r.txt")));
  const auto summary = nlohmann::json::parse(fileText(dir_.file("s.json")));
  EXPECT_TRUE(summary["interrupted"].get<bool>());
}

}  // namespace
