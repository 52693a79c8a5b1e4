// The Scan Results window's Move and Archive All into a folder on another
// file system that fills up while a recording is being copied there: the
// recording stays whole where it was and listed, nothing of it is left in
// the folder, and one warning says why.
#include <gtest/gtest.h>

#include <map>

#include "desktop_rig.h"
#include "support/small_file_system.h"

namespace quilve::ui::test {
namespace {

using namespace results_ids;
namespace fs = std::filesystem;

constexpr std::uint64_t kPage = 4096;
constexpr std::uint64_t kCopyBlock = 65536;  // what the copy writes at a time

class FullDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!disk.mounted()) GTEST_SKIP() << disk.whyNot();
    fs::create_directories(rig.recordings());
    write("a_small.wav", 0.1, {0.03});
    write("b_large.wav", 0.8, {0.1, 0.4});
    write("c_large_quiet.wav", 0.8, {});
    rig.selectInput("a_small.wav");
    rig.tk.chooseMenu(rig.main(), main_ids::kMenuScanAll);
    rig.runScan();
    ASSERT_EQ(rig.names(rig.results(), kPassedList),
              (std::vector<std::string>{"a_small.wav", "b_large.wav"}));
    ASSERT_EQ(rig.names(rig.results(), kFailedList), std::vector<std::string>{"c_large_quiet.wav"});
    rig.tk.clearShown();
  }

  void write(const std::string& name, double seconds, const std::vector<double>& calls) {
    writeRecording(rig.recordings() + name, seconds, calls);
    written[name] = slurp(rig.recordings() + name);
  }

  // Each large recording only fits in part, after the small one too: its
  // copy starts and runs out of room past its first blocks.
  void requireEachLargeCopyToFailMidway() {
    const std::uint64_t room = disk.freeBytes();
    const std::uint64_t smallPages = (written["a_small.wav"].size() + kPage - 1) / kPage;
    const std::uint64_t afterSmall = room - smallPages * kPage;
    ASSERT_GT(afterSmall, 2 * kCopyBlock);
    ASSERT_LT(room, written["c_large_quiet.wav"].size());
    ASSERT_LT(afterSmall, written["b_large.wav"].size());
  }

  // `path` holds the recording `name` as it was written.
  ::testing::AssertionResult holds(const std::string& path, const std::string& name) {
    if (!fs::exists(path)) return ::testing::AssertionFailure() << path << " is not there";
    if (slurp(path) != written[name]) {
      return ::testing::AssertionFailure() << path << " is not " << name << " as it was written";
    }
    return ::testing::AssertionSuccess();
  }
  // Whole and unchanged where it was.
  ::testing::AssertionResult intact(const std::string& name) {
    return holds(rig.recordings() + name, name);
  }

  // Chooses `action` in the Options menu, selects the first entry of `list`
  // and presses `button`, picking the small file system and answering Yes.
  void press(int action, int list, int button) {
    ASSERT_NO_FATAL_FAILURE(requireEachLargeCopyToFailMidway());
    Window* w = rig.results();
    rig.tk.chooseMenu(w, action);
    ASSERT_TRUE(rig.tk.clickEntry(w, list, 0));
    rig.tk.answerFolder(disk.path());
    rig.tk.answerQuestion(true);
    rig.tk.click(w, button);
    EXPECT_EQ(rig.tk.answersLeft(), 0u);
  }

  std::vector<std::string> inputList() { return rig.names(rig.main(), main_ids::kInputList); }

  // The one warning, which names `name` with the full file system as the reason.
  void expectOneWarningNaming(const std::string& start, const std::string& name) {
    const std::vector<std::string> warnings = rig.warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind(start, 0), 0u) << warnings[0];
    EXPECT_NE(warnings[0].find(name), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("No space left on device"), std::string::npos) << warnings[0];
  }

  DesktopRig rig;
  quilve::test::SmallFileSystem disk{rig.dir.file("small"), "256k"};
  std::map<std::string, std::string> written;
};

TEST_F(FullDiskTest, MoveOfTheSelectedFailedRecordingKeepsItWholeAndListed) {
  ASSERT_NO_FATAL_FAILURE(press(kMenuFailedMove, kFailedList, kFailedButton));
  Window* w = rig.results();

  EXPECT_TRUE(intact("c_large_quiet.wav"));
  EXPECT_TRUE(disk.names().empty());
  EXPECT_EQ(rig.names(w, kFailedList), std::vector<std::string>{"c_large_quiet.wav"});
  EXPECT_EQ(inputList(),
            (std::vector<std::string>{"a_small.wav", "b_large.wav", "c_large_quiet.wav"}));
  expectOneWarningNaming("c_large_quiet.wav was not moved to " + disk.path() + "/:\n",
                         "c_large_quiet.wav");
}

TEST_F(FullDiskTest, ArchiveAllCopiesWhatFitsAndLeavesNoPartOfTheRest) {
  ASSERT_NO_FATAL_FAILURE(press(kMenuPassedArchive, kPassedList, kPassedAllButton));
  Window* w = rig.results();

  EXPECT_TRUE(holds(disk.path() + "/a_small.wav", "a_small.wav"));
  EXPECT_EQ(disk.names(), std::vector<std::string>{"a_small.wav"});
  EXPECT_TRUE(intact("a_small.wav"));
  EXPECT_TRUE(intact("b_large.wav"));
  EXPECT_EQ(rig.names(w, kPassedList), (std::vector<std::string>{"a_small.wav", "b_large.wav"}));
  expectOneWarningNaming("1 of 2 files were not copied to " + disk.path() + "/:\n",
                         "b_large.wav: ");
}

TEST_F(FullDiskTest, ArchiveAllWithTheMoveActionKeepsTheRecordingThatDidNotFit) {
  ASSERT_NO_FATAL_FAILURE(press(kMenuPassedMove, kPassedList, kPassedAllButton));
  Window* w = rig.results();

  EXPECT_TRUE(holds(disk.path() + "/a_small.wav", "a_small.wav"));
  EXPECT_FALSE(fs::exists(rig.recordings() + "a_small.wav"));
  EXPECT_EQ(disk.names(), std::vector<std::string>{"a_small.wav"});
  EXPECT_TRUE(intact("b_large.wav"));
  EXPECT_EQ(rig.names(w, kPassedList), std::vector<std::string>{"b_large.wav"});
  EXPECT_EQ(inputList(), (std::vector<std::string>{"b_large.wav", "c_large_quiet.wav"}));
  expectOneWarningNaming("1 of 2 files were not moved to " + disk.path() + "/:\n",
                         "b_large.wav: ");
}

}  // namespace
}  // namespace quilve::ui::test
