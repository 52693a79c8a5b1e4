// Disposition after a real scan, with the files changed in between the way
// other programs change them: a recording is filed away only while it is
// the file that was read, never through a symbolic link, and one that
// another program took is a note, not a loss. FileDisposition is what the
// desktop's Scan Results window, the operation timer and quilve-scan use.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/batch_scan.h"
#include "engine/scan_results.h"
#include "output/file_disposition.h"
#include "support/platform.h"
#include "support/signal_generator.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace quilve {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

// The trash of this program is its own (set before GIO is first used).
const bool kOwnTrash = [] {
  static test::TempDir home;
  return test::setEnvironment("XDG_DATA_HOME", home.path().u8string());
}();

Bytes recording(int calls, std::uint32_t seed) {
  test::SignalGenerator gen(0.3, 250000, seed);
  gen.addNoise(-60);
  for (int k = 0; k < calls; ++k) {
    test::CallSpec c;
    c.startTime = 0.05 + 0.1 * k;
    c.startFrequency = 75000;
    c.endFrequency = 38000;
    gen.addCall(c);
  }
  return gen.render().wavFile();
}

struct Host : DispositionHost {
  std::vector<std::string> warnings;
  bool askYesNo(const std::string&, const std::string&) override { return false; }
  void warning(const std::string& text) override { warnings.push_back(text); }
  bool pickFolder(const std::string&, std::string*) override { return false; }
  std::string all() const {
    std::string s;
    for (const std::string& w : warnings) s += w + "\n";
    return s;
  }
};

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Other bytes of the same length in the same file, then its old time back:
// what a copy keeping times leaves over an existing file.
void overwriteKeepingTime(const std::string& path, std::uint32_t seed) {
  test::FileKey was, now;
  std::int64_t modified = 0;
  ASSERT_TRUE(test::fileKeyOf(path, &was));
  ASSERT_TRUE(test::modifiedTime(path, &modified));
  const std::uintmax_t size = fs::file_size(fs::u8path(path));
  Bytes other = recording(4, seed);
  other.resize(static_cast<std::size_t>(size), 0);
  std::fstream out(fs::u8path(path), std::ios::binary | std::ios::in | std::ios::out);
  out.write(reinterpret_cast<const char*>(other.data()), static_cast<std::streamsize>(other.size()));
  out.close();
  ASSERT_TRUE(test::setModifiedTime(path, modified));
  ASSERT_TRUE(test::fileKeyOf(path, &now));
  ASSERT_EQ(now.index, was.index);
  ASSERT_EQ(fs::file_size(fs::u8path(path)), size);
}

// A new file of the same length and time renamed over it: what a copy
// through a temporary name keeping times leaves.
void replaceKeepingTime(const std::string& path, std::uint32_t seed) {
  std::int64_t modified = 0;
  ASSERT_TRUE(test::modifiedTime(path, &modified));
  Bytes other = recording(4, seed);
  other.resize(static_cast<std::size_t>(fs::file_size(fs::u8path(path))), 0);
  const std::string temp = path + ".partial";
  test::writeFile(temp, other);
  ASSERT_TRUE(test::setModifiedTime(temp, modified));
  fs::rename(fs::u8path(temp), fs::u8path(path));
}

class DispositionAfterScan : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kOwnTrash);
    fs::create_directories(in);
    fs::create_directories(target);
  }
  // Writes recordings named `names` (with calls when `passing`), then scans
  // the folder into `lists`.
  void write(const std::vector<std::string>& names, bool passing) {
    std::uint32_t seed = 10;
    for (const std::string& n : names) test::writeFile(in + "/" + n, recording(passing ? 3 : 0, seed++));
  }
  void scan(ScanLists& into) {
    ScanSettings settings;
    BatchOptions options;
    ScanSession session;
    into.inputDirectory = in + "/";
    runBatchScan(recordingsInDirectory(in), settings, options, into, session);
  }

  test::TempDir dir;
  std::string in = dir.file("in");
  std::string target = dir.file("target");
  ScanLists lists;
  Host host;
  DispositionState state;
};

TEST_F(DispositionAfterScan, ARecordingReplacedWithTheSameSizeAndTimeStaysInEveryOperation) {
  write({"a.wav", "b.wav", "c.wav"}, false);
  write({"p.wav", "q.wav"}, true);
  scan(lists);
  ASSERT_EQ(lists.failed.size(), 3);
  ASSERT_EQ(lists.passed.size(), 2);
  overwriteKeepingTime(in + "/a.wav", 1);  // the same file, other contents
  replaceKeepingTime(in + "/b.wav", 2);    // another file under the name
  overwriteKeepingTime(in + "/p.wav", 3);
  const Bytes a = test::readFile(in + "/a.wav"), b = test::readFile(in + "/b.wav");
  const Bytes p = test::readFile(in + "/p.wav");

  ScanResultsLists view(lists);
  FileDisposition disposition(state, view, host);
  state.moveDirectory = target + "/";
  EXPECT_TRUE(disposition.moveAll(ResultList::Failed, false));
  EXPECT_TRUE(fs::exists(target + "/c.wav"));
  EXPECT_EQ(test::readFile(in + "/a.wav"), a);
  EXPECT_EQ(test::readFile(in + "/b.wav"), b);
  EXPECT_FALSE(fs::exists(target + "/a.wav"));
  EXPECT_FALSE(fs::exists(target + "/b.wav"));
  for (const char* name : {"a.wav", "b.wav"}) {
    EXPECT_NE(host.all().find(in + "/" + name +
                              ": it was replaced since the scan (it is no longer the file that was read)"),
              std::string::npos)
        << host.all();
  }
  EXPECT_EQ(lists.failed.size(), 2);

  // Neither the trash, nor an archive copy, nor the single-file operations.
  host.warnings.clear();
  EXPECT_TRUE(disposition.trashAll(ResultList::Failed, false));
  EXPECT_EQ(test::readFile(in + "/a.wav"), a);
  EXPECT_EQ(test::readFile(in + "/b.wav"), b);
  state.archiveDirectory = target + "/";
  EXPECT_TRUE(disposition.archiveAll(ResultList::Passed, false));
  EXPECT_FALSE(fs::exists(target + "/p.wav"));
  EXPECT_TRUE(fs::exists(target + "/q.wav"));
  EXPECT_EQ(test::readFile(in + "/p.wav"), p);
  EXPECT_EQ(count(host.all(), "it was replaced since the scan"), 3u) << host.all();
  lists.failed.select(0);
  EXPECT_FALSE(disposition.move(ResultList::Failed, false));
  EXPECT_NE(host.warnings.back().find("was left in place: it was replaced since the scan"),
            std::string::npos)
      << host.warnings.back();
  EXPECT_EQ(lists.failed.size(), 2);
}

TEST_F(DispositionAfterScan, ASymbolicLinkAndItsTargetStay) {
  SKIP_WITHOUT(test::noSymbolicLinks());
  write({"rec.wav"}, false);
  // The link sorts before its target, so it is handled first.
  fs::create_symlink(in + "/rec.wav", in + "/0rec.wav");
  fs::create_symlink(in + "/rec.wav", in + "/1rec.wav");
  scan(lists);
  ASSERT_EQ(lists.failed.size(), 3);
  const Bytes original = test::readFile(in + "/rec.wav");

  ScanResultsLists view(lists);
  FileDisposition disposition(state, view, host);
  state.moveDirectory = target + "/";
  EXPECT_TRUE(disposition.moveAll(ResultList::Failed, false));
  // The target was moved as itself; neither link was, nor followed.
  EXPECT_TRUE(fs::is_symlink(in + "/0rec.wav"));
  EXPECT_TRUE(fs::is_symlink(in + "/1rec.wav"));
  EXPECT_FALSE(fs::exists(target + "/0rec.wav"));
  EXPECT_FALSE(fs::exists(target + "/1rec.wav"));
  EXPECT_EQ(test::readFile(target + "/rec.wav"), original);
  EXPECT_EQ(count(host.all(), "is a symbolic link; neither it nor its target is moved"), 2u)
      << host.all();

  // Trashing a link leaves it too.
  host.warnings.clear();
  EXPECT_TRUE(disposition.trashAll(ResultList::Failed, false));
  EXPECT_TRUE(fs::is_symlink(in + "/0rec.wav"));
  EXPECT_EQ(count(host.all(), "is a symbolic link"), 2u) << host.all();
}

TEST_F(DispositionAfterScan, ARecordingTakenByAnotherProgramIsANoteNotALoss) {
  write({"a.wav", "b.wav", "c.wav"}, false);
  scan(lists);
  ASSERT_EQ(lists.failed.size(), 3);
  const std::string elsewhere = dir.file("elsewhere");
  fs::create_directories(elsewhere);
  fs::rename(in + "/a.wav", elsewhere + "/a.wav");
  fs::remove(in + "/b.wav");

  ScanResultsLists view(lists);
  FileDisposition disposition(state, view, host);
  state.moveDirectory = target + "/";
  EXPECT_TRUE(disposition.moveAll(ResultList::Failed, false)) << host.all();
  EXPECT_TRUE(fs::exists(target + "/c.wav"));
  EXPECT_EQ(disposition.lastHandled(), std::vector<std::string>{in + "/c.wav"});
  const std::string said = host.all();
  EXPECT_EQ(said.find("No such file"), std::string::npos) << said;
  for (const char* name : {"a.wav", "b.wav"}) {
    EXPECT_EQ(count(said, in + "/" + name +
                              ": no longer there: moved or removed by another program since the scan"),
              1u)
        << said;
  }
  EXPECT_TRUE(fs::exists(elsewhere + "/a.wav"));
}

TEST_F(DispositionAfterScan, TwoRunsMovingOneFolderAtOnceLoseNothing) {
  std::vector<std::string> names;
  for (int i = 0; i < 60; ++i) names.push_back("r" + std::to_string(100 + i) + ".wav");
  write(names, false);
  std::vector<Bytes> before;
  for (const std::string& n : names) before.push_back(test::readFile(in + "/" + n));
  ScanLists other;
  scan(lists);
  scan(other);

  Host otherHost;
  DispositionState otherState;
  ScanResultsLists view(lists), otherView(other);
  FileDisposition one(state, view, host), two(otherState, otherView, otherHost);
  state.moveDirectory = otherState.moveDirectory = target + "/";
  bool oneOk = false, twoOk = false;
  std::thread first([&] { oneOk = one.moveAll(ResultList::Failed, false); });
  twoOk = two.moveAll(ResultList::Failed, false);
  first.join();
  EXPECT_TRUE(oneOk) << host.all();
  EXPECT_TRUE(twoOk) << otherHost.all();

  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(test::readFile(target + "/" + names[i]), before[i]) << names[i];
  }
  EXPECT_TRUE(fs::is_empty(in));
  EXPECT_EQ(std::distance(fs::directory_iterator(target), fs::directory_iterator()), 60);
  // Each run names, in one line, only the recordings the other one took.
  for (const auto& [run, said] : {std::pair{&one, host.all()}, std::pair{&two, otherHost.all()}}) {
    EXPECT_EQ(said.find("No such file"), std::string::npos) << said;
    EXPECT_EQ(said.find("already"), std::string::npos) << said;
    EXPECT_EQ(count(said, "\n"), names.size() - run->lastHandled().size()) << said;
    EXPECT_EQ(count(said, "no longer there"), names.size() - run->lastHandled().size()) << said;
  }
  EXPECT_EQ(one.lastHandled().size() + two.lastHandled().size(), names.size());
}

}  // namespace
}  // namespace quilve
