// A few hundred recordings of every awkward kind, filed away by runs that
// are killed at random points and started again: afterwards every recording
// is where a person expects it, exactly once and byte for byte, clashes of
// outputs with inputs are refused before anything happens, and every exit
// that is not 0 comes with a message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>

#include "support/platform.h"
#include "support/run_program.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

using namespace quilve::test;
namespace fs = std::filesystem;

namespace {


// The name a file had before it went to the trash: the trash may store it
// under another name (a run killed between writing a file's trash record
// and moving it leaves that record, and the rerun picks a free name), and
// its record says where it came from.
std::string trashedName(const fs::path& p) {
  const fs::path info = p.parent_path().parent_path() / "info" / (p.filename().string() + ".trashinfo");
  if (p.parent_path().filename() != "files" || !fs::exists(info)) return p.filename().string();
  std::istringstream lines(fileText(info.string()));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Path=", 0) != 0) continue;
    std::string decoded;
    for (std::size_t i = 5; i < line.size(); ++i) {
      if (line[i] == '%' && i + 2 < line.size()) {
        decoded += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        decoded += line[i];
      }
    }
    return decoded.substr(decoded.find_last_of('/') + 1);
  }
  return p.filename().string();
}

// What a folder holds: each regular file's name (relative) and bytes;
// temporaries of an interrupted copy (".quilve-*") are left out.
std::map<std::string, std::string> regularFiles(const fs::path& root) {
  std::map<std::string, std::string> out;
  if (!fs::exists(root)) return out;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path p = it->path();
    std::error_code ec;
    if (!fs::is_regular_file(it->symlink_status(ec))) continue;
    if (p.filename().string().rfind(".quilve-", 0) == 0) continue;
    if (p.extension() == ".trashinfo") continue;
    out[trashedName(p)] = fileText(p.string());
  }
  return out;
}

enum class Kind { Bat, Quiet, Unreadable, Special };

struct Original {
  std::string bytes;
  Kind kind;
};

class Torture : public ::testing::Test {
 protected:
  void SetUp() override {
    // The runs are killed by signals from a shell script, among FIFOs and
    // symbolic links.
    SKIP_WITHOUT(noSignals());
    SKIP_WITHOUT(noFifos());
    SKIP_WITHOUT(noSymbolicLinks());
    fs::create_directories(in());
    int n = 0;
    auto add = [&](const std::string& name, const Bytes& bytes, Kind kind) {
      writeFile(in() + "/" + name, bytes);
      originals_[name] = {std::string(bytes.begin(), bytes.end()), kind};
      ++n;
    };
    for (int i = 0; i < 120; ++i) add("bat" + std::to_string(i) + ".wav", batRecording(1 + i % 3, 100 + i, 0.3), Kind::Bat);
    for (int i = 0; i < 120; ++i) add("quiet" + std::to_string(i) + ".wav", batRecording(0, 500 + i, 0.3), Kind::Quiet);
    for (int i = 0; i < 10; ++i) {
      add("broken" + std::to_string(i) + ".wav", Bytes{'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E'},
          Kind::Unreadable);
      Bytes cut = batRecording(2, 900 + i, 0.3);
      cut.resize(cut.size() / 2);  // the data chunk claims more than there is
      add("cut" + std::to_string(i) + ".wav", cut, Kind::Unreadable);
    }
    // Names a memory card or a careless script leaves.
    add("tab\there.wav", batRecording(2, 41, 0.3), Kind::Bat);
    add("line\nend.wav", batRecording(0, 42, 0.3), Kind::Quiet);
    add("\xE9t\xE9.wav", batRecording(2, 43, 0.3), Kind::Bat);
    add("\xE9t\xE9-quiet.wav", batRecording(0, 44, 0.3), Kind::Quiet);
    // A second name of a bat recording and one of a quiet one.
    fs::create_hard_link(in() + "/bat1.wav", in() + "/bat1-again.wav");
    originals_["bat1-again.wav"] = originals_["bat1.wav"];
    fs::create_hard_link(in() + "/quiet1.wav", in() + "/quiet1-again.wav");
    originals_["quiet1-again.wav"] = originals_["quiet1.wav"];
    // Things that are not recordings at all, with recordings' names.
    ASSERT_TRUE(makeFifo(in() + "/fifo.wav"));
    fs::create_directory(in() + "/folder.wav");
    fs::create_symlink("/dev/null", in() + "/device.wav");
    fs::create_symlink("loop-b.wav", in() + "/loop-a.wav");
    fs::create_symlink("loop-a.wav", in() + "/loop-b.wav");
    fs::create_symlink("gone.wav", in() + "/dangling.wav");
    fs::create_symlink("quiet2.wav", in() + "/a-link-to-quiet2.wav");
    fs::create_symlink("bat2.wav", in() + "/a-link-to-bat2.wav");
    ASSERT_GE(n, 250);
  }

  std::string in() const { return dir_.file("in"); }
  std::string scanner() const { return std::string("XDG_DATA_HOME=") + dir_.file("share") + " " + QUILVE_SCAN_BINARY; }

  // Runs quilve-scan with `args` and, after `delay` seconds, sends it
  // `signal` (none when 0). The exit status is the scanner's.
  ProgramRun run(const std::string& args, double delay = 0, const char* signal = nullptr) {
    std::ofstream script(dir_.file("run.sh"));
    script << "cd " << dir_.path().string() << "\n" << scanner() << " " << args << " &\nP=$!\n";
    if (signal) script << "sleep " << delay << "\nkill -" << signal << " $P 2>/dev/null\n";
    script << "wait $P\n";
    script.close();
    return runProgram("bash " + dir_.file("run.sh"), dir_);
  }

  // Every recording name is in exactly one of `places` (or, with an archive,
  // also in the archive), byte for byte; none of them is lost or changed.
  void everyRecordingOnce(const std::vector<std::string>& places, const std::string& archive = "") {
    std::map<std::string, int> seen;
    for (const std::string& place : places) {
      for (const auto& [name, bytes] : regularFiles(place)) {
        auto it = originals_.find(name);
        if (it == originals_.end()) continue;  // results and summaries
        EXPECT_EQ(bytes, it->second.bytes) << place << "/" << name << " changed";
        seen[name] += 1;
      }
    }
    for (const auto& [name, original] : originals_) {
      EXPECT_EQ(seen[name], 1) << name << " is in " << seen[name] << " places";
    }
    if (!archive.empty()) {
      for (const auto& [name, bytes] : regularFiles(archive)) {
        auto it = originals_.find(name);
        ASSERT_NE(it, originals_.end()) << name;
        EXPECT_EQ(bytes, it->second.bytes) << "archived " << name;
        EXPECT_NE(it->second.kind, Kind::Quiet) << "a quiet recording was archived: " << name;
      }
    }
    // The links and the things that are not recordings stay as they were.
    EXPECT_TRUE(fs::is_symlink(in() + "/a-link-to-bat2.wav"));
    EXPECT_TRUE(fs::is_symlink(in() + "/a-link-to-quiet2.wav"));
    EXPECT_TRUE(fs::is_symlink(in() + "/dangling.wav"));
    EXPECT_TRUE(fs::is_directory(in() + "/folder.wav"));
    EXPECT_TRUE(fs::is_fifo(in() + "/fifo.wav"));
  }

  // Where each kind ends after a run that moved or trashed failed ones:
  // bat recordings and those not read whole stay, quiet ones went.
  void whereAPersonExpects(const std::string& failedPlace) {
    const auto stayed = regularFiles(in());
    const auto went = regularFiles(failedPlace);
    for (const auto& [name, original] : originals_) {
      switch (original.kind) {
        case Kind::Bat:
        case Kind::Unreadable:
          EXPECT_TRUE(stayed.count(name)) << name << " should have stayed";
          break;
        case Kind::Quiet:
          // One name of the hard-linked pair is the recording scanned; the
          // other stays beside it.
          if (name != "quiet1.wav" && name != "quiet1-again.wav") {
            EXPECT_TRUE(went.count(name)) << name << " should have gone";
          }
          break;
        case Kind::Special:
          break;
      }
    }
  }

  // Runs `args` killed at random points a few times, then to its end.
  ProgramRun killedAndRerun(const std::string& args, const std::vector<std::string>& places,
                            const std::string& archive = "") {
    std::mt19937 random(20261209);
    std::uniform_real_distribution<double> when(0.0, 0.6);
    const char* signals[] = {"KILL", "TERM", "INT", "KILL", "HUP", "KILL"};
    for (const char* signal : signals) {
      SCOPED_TRACE(std::string("killed with SIG") + signal);
      const ProgramRun r = run(args, when(random), signal);
      if (r.status != 0 && std::string(signal) != "KILL") {
        EXPECT_FALSE(r.err.empty()) << "exit " << r.status << " without a message";
      }
      everyRecordingOnce(places, archive);
    }
    const ProgramRun last = run(args);
    // Some recordings cannot be read whole, and each is named.
    EXPECT_EQ(last.status, 3) << last.err;
    for (const char* name : {"broken0.wav", "cut0.wav", "fifo.wav", "folder.wav", "loop-a.wav", "dangling.wav"}) {
      EXPECT_NE(last.err.find(name), std::string::npos) << name << " is not named:\n" << last.err;
    }
    everyRecordingOnce(places, archive);
    return last;
  }

  TempDir dir_;
  std::map<std::string, Original> originals_;
};

TEST_F(Torture, MoveFailedKilledAndRerun) {
  const std::string failed = dir_.file("failed");
  killedAndRerun("--jobs 2 -o out.txt --summary-json out.json --move-failed " + failed + " " + in(),
                 {in(), failed});
  whereAPersonExpects(failed);
  const auto summary = nlohmann::json::parse(fileText(dir_.file("out.json")));
  EXPECT_FALSE(summary["interrupted"].get<bool>());
}

TEST_F(Torture, TrashFailedKilledAndRerun) {
  const std::string trash = dir_.file("share/Trash/files");
  killedAndRerun("--jobs 2 -o out.txt --trash-failed " + in(), {in(), trash});
  whereAPersonExpects(trash);
}

TEST_F(Torture, ArchiveKilledAndRerun) {
  const std::string archive = dir_.file("archive");
  killedAndRerun("--jobs 2 -o out.txt --archive " + archive + " " + in(), {in()}, archive);
  // Every bat recording read whole is in the archive once the run ends.
  const auto archived = regularFiles(archive);
  for (const auto& [name, original] : originals_) {
    if (original.kind == Kind::Bat && name != "bat1.wav" && name != "bat1-again.wav") {
      EXPECT_TRUE(archived.count(name)) << name;
    }
  }
}

TEST_F(Torture, OutputsAimedAtRecordingsAreRefusedBeforeAnything) {
  fs::create_hard_link(in() + "/bat3.wav", dir_.file("results-link.txt"));
  const std::string failed = dir_.file("failed");
  const std::string away = " --move-failed " + failed;
  const std::vector<std::string> clashes = {
      "-o " + dir_.file("results-link.txt") + away,  // a second name of a recording
      "-o out.txt --summary-json " + in() + "/bat4.wav" + away,
      "-o out.txt --save-settings " + in() + "/quiet4.wav" + away,
      "-o " + in() + "/../in/bat5.wav" + away,
      "-o out.txt --move-failed " + in() + "/.",     // the input folder itself
  };
  for (const std::string& clash : clashes) {
    SCOPED_TRACE(clash);
    const ProgramRun r = run(clash + " " + in());
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(fs::exists(failed + "/quiet0.wav")) << "the scan ran";
    EXPECT_FALSE(fs::exists(dir_.file("out.txt"))) << "an output was written";
  }
  everyRecordingOnce({in()});
  EXPECT_EQ(fileText(dir_.file("results-link.txt")), originals_["bat3.wav"].bytes);
}

}  // namespace
