// quilve-scan over a folder of broken recordings: files cut short at every
// part of the header and inside the samples, chunk sizes of 0, odd and
// 0xFFFFFFFF, a text file named .wav and an empty .wv. The scan must finish,
// name every file it could not read with a reason, and give the readable
// files the same result rows as when they are scanned alone.
#include <gtest/gtest.h>


#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;

namespace {

using ScanRun = ProgramRun;

ScanRun scan(const std::string& args, const TempDir& work) {
  return runProgram(std::string(QUILVE_SCAN_BINARY) + " --jobs 2 " + args, work);
}

std::vector<std::string> linesWith(const std::string& path, const std::string& needle) {
  std::ifstream in(path);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);)
    if (line.rfind(needle, 0) == 0) out.push_back(line);
  return out;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes withU32(Bytes b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  return b;
}

Bytes cut(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + std::min(n, b.size())); }

// A recording with calls, so that it has result rows: 16-bit mono, a plain
// 16-byte "fmt " chunk, so "data" starts at 36 and its samples at 44.
Bytes validRecording(std::uint32_t seed) {
  SignalGenerator gen(0.3, 250000, seed);
  gen.addNoise(-60);
  for (int k = 0; k < 2; ++k) {
    CallSpec c;
    c.startTime = 0.05 + 0.1 * k;
    c.duration = 0.005;
    c.startFrequency = 75000;
    c.endFrequency = 38000;
    gen.addCall(c);
  }
  return gen.render().wavFile();
}

class BrokenRecordings : public ::testing::Test {
 protected:
  void SetUp() override {
    valid_ = validRecording(7);
    ASSERT_GE(valid_.size(), 1000u);
    ASSERT_EQ(std::string(valid_.begin() + 36, valid_.begin() + 40), "data")
        << "the writer's layout changed; the offsets below assume a 16-byte \"fmt \"";
    // Cut inside the RIFF header, inside "fmt " (header and fields), inside
    // the "data" header, inside one sample, in the middle and one byte short.
    for (std::size_t n : {2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 27, 35, 36, 38, 40, 42, 44, 45}) {
      put("cut_at_" + std::to_string(n) + ".wav", cut(valid_, n));
    }
    put("cut_mid_data.wav", cut(valid_, valid_.size() / 2 + 1));
    put("cut_last_byte.wav", cut(valid_, valid_.size() - 1));
    // Chunk sizes of 0, odd and 0xFFFFFFFF in each of the three headers.
    for (const auto& [name, at] : std::map<std::string, std::size_t>{{"riff", 4}, {"fmt", 16}, {"data", 40}}) {
      put(name + "_size_0.wav", withU32(valid_, at, 0));
      put(name + "_size_odd.wav", withU32(valid_, at, name == "fmt" ? 17 : 1001));
      put(name + "_size_max.wav", withU32(valid_, at, 0xFFFFFFFFu));
    }
    put("empty.wav", {});
    const std::string text = "Field notes, night of 14 June: nothing recorded.\n";
    put("notes.wav", Bytes(text.begin(), text.end()));
    put("empty.wv", {});
    put("notes.wv", Bytes(text.begin(), text.end()));
    put("riff_not_wave.wav", RiffBuilder("AVI ").chunk("LIST", Bytes(12, 0)).build());
    put("no_data_chunk.wav", RiffBuilder().chunk("fmt ", fmtFields(1, 1, 250000, 16)).build());
    put("valid.wav", valid_);
    put("valid_too.wav", validRecording(11));
  }

  void put(const std::string& name, const Bytes& bytes) {
    writeFile(dir_.file(name), bytes);
    names_.push_back(name);
  }

  TempDir dir_;   // the recordings
  TempDir work_;  // what the scans write
  Bytes valid_;
  std::vector<std::string> names_;
};

TEST_F(BrokenRecordings, TheScanFinishesAndNamesEveryFileItCouldNotRead) {
  const ScanRun r = scan("-o " + work_.file("all.txt") + " " + dir_.path().string(), work_);
  ASSERT_EQ(r.status, 3) << "the scan did not finish normally\n" << r.err;

  // Every file is either in the passed or failed list, or named on the error
  // output with a reason after "cannot be read: ".
  std::set<std::string> unaccounted(names_.begin(), names_.end());
  std::istringstream errLines(r.err);
  for (std::string line; std::getline(errLines, line);) {
    const std::string marker = ": cannot be read: ";
    const auto at = line.find(marker);
    if (at == std::string::npos) continue;
    const std::string path = line.substr(std::string("quilve-scan: ").size(),
                                         at - std::string("quilve-scan: ").size());
    const std::string name = path.substr(path.rfind('/') + 1);
    EXPECT_GT(line.size(), at + marker.size()) << "no reason given for " << name;
    unaccounted.erase(name);
  }
  std::istringstream outLines(r.out);
  for (std::string line; std::getline(outLines, line);) {
    if (line.rfind("  ", 0) != 0) continue;
    const std::string entry = line.substr(2, line.find('\t') - 2);
    unaccounted.erase(entry.substr(entry.rfind('/') + 1));
  }
  for (const std::string& name : unaccounted) ADD_FAILURE() << name << " is not reported\n" << r.out << r.err;

  // Files that cannot be a recording at all are named with the reason.
  for (const char* name : {"empty.wav", "notes.wav", "empty.wv", "notes.wv", "cut_at_2.wav",
                           "cut_at_20.wav", "cut_at_38.wav", "fmt_size_0.wav", "no_data_chunk.wav"}) {
    EXPECT_NE(r.err.find(std::string(name) + ": cannot be read: "), std::string::npos) << name << "\n" << r.err;
  }
  // A file cut inside its samples is scanned up to the cut and says so.
  for (const char* name : {"cut_at_44.wav", "cut_at_45.wav", "cut_mid_data.wav", "cut_last_byte.wav"}) {
    EXPECT_NE(r.err.find(std::string(name) + ": read error; scanned up to it"), std::string::npos)
        << name << "\n" << r.err;
  }
}

TEST_F(BrokenRecordings, ReadableFilesGiveTheSameRowsAsAlone) {
  ASSERT_EQ(scan("-q -o " + work_.file("all.txt") + " " + dir_.path().string(), work_).status, 3);
  for (const char* name : {"valid.wav", "valid_too.wav"}) {
    const std::string alone = work_.file(std::string(name) + ".txt");
    ASSERT_EQ(scan("-q -o " + alone + " " + dir_.file(name), work_).status, 0);
    // Rows start with the file name followed by a tab.
    const std::string path = std::string(name) + "\t";
    const auto rows = linesWith(alone, path);
    EXPECT_FALSE(rows.empty()) << name << " gives no rows: the recording is not a fair check\n"
                               << slurp(alone);
    EXPECT_EQ(linesWith(work_.file("all.txt"), path), rows) << name;
  }
}

}  // namespace
