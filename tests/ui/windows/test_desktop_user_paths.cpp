// What reaches the user on the way through the desktop program: message
// boxes asked for while another is open, close requests to the modal About
// window, and entries dragged to a new place in the lists the scan walks.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "desktop_rig.h"
#include "ui/app/trace_console.h"
#include "ui/windows/desktop.h"

namespace quilve::ui::test {
namespace {

TEST(MessageBoxQueue, BoxesAskedForWhileOneIsOpenAreAllShownInOrder) {
  DesktopRig rig;
  rig.tk.runPostsWhileBoxOpen(true);
  rig.tk.clearShown();
  bool answer = false;
  // What workers post while the first box is open: two warnings, and a
  // question that must wait for its turn and get a real answer.
  rig.tk.post([&] { rig.tk.warning(rig.main(), "second"); });
  rig.tk.post([&] { answer = rig.tk.question(rig.main(), "fourth?", "Ask"); });
  rig.tk.post([&] { rig.tk.warning(rig.main(), "third"); });
  rig.tk.answerQuestion(true);
  rig.tk.warning(rig.main(), "first");

  std::vector<std::string> texts;
  for (const auto& s : rig.tk.shown()) texts.push_back(s.text);
  // The question waits behind the boxes before it; the warning posted after
  // it waits behind it.
  EXPECT_EQ(texts, (std::vector<std::string>{"first", "second", "fourth?", "third"}));
  EXPECT_TRUE(answer);
  EXPECT_EQ(rig.tk.boxesQueued(), 0u);
  EXPECT_EQ(rig.tk.answersLeft(), 0u);
}

TEST(MessageBoxQueue, EveryWarningAlsoGoesToTheTraceConsole) {
  HeadlessToolkit tk;
  std::vector<std::string> echoed;
  tk.setWarningEcho([&](const std::string& text) { echoed.push_back(text); });
  Window* w = tk.createWindow(nullptr, WindowKind::Tool);
  tk.runPostsWhileBoxOpen(true);
  tk.post([&] { tk.warning(w, "queued"); });
  tk.warning(w, "shown");
  tk.information(w, "a note");
  EXPECT_EQ(echoed, (std::vector<std::string>{"shown", "queued"}));
}

TEST(MessageBoxQueue, TheTraceConsoleMarksEachWarningOnce) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  TraceConsole console(out);
  console.warning("Warning: Selected file not found in input list");
  console.warning("Failed closing file");
  std::rewind(out);
  char buf[256] = {};
  const std::size_t n = std::fread(buf, 1, sizeof buf - 1, out);
  std::fclose(out);
  EXPECT_EQ(std::string(buf, n),
            "Warning: Selected file not found in input list\nWarning: Failed closing file\n");
}

TEST(AboutWindow, CloseRequestsBeyondTheFirstLeaveTheProgramRunning) {
  DesktopRig rig;
  Window* about = rig.app->ui().windows.about;
  // Two close requests waiting when the loop runs, and one after it ended.
  rig.tk.post([&] { rig.tk.requestClose(about); });
  rig.tk.post([&] { rig.tk.requestClose(about); });
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuAbout);
  EXPECT_FALSE(about->visible);
  rig.tk.requestClose(about);

  // The main loop runs on until its own quit: the work posted later is done.
  bool later = false;
  std::thread user([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    rig.tk.post([&] { later = true; });
    rig.tk.post([&] { rig.tk.requestClose(rig.main()); });
  });
  rig.tk.runLoop();
  user.join();
  EXPECT_TRUE(later);
}

class ListDragTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(rig.recordings());
    for (const char* name : {"a_D20140930T010203m000.wav", "b_D20140930T010206m000.wav",
                             "c_D20140930T020000m000.wav"})
      writeRecording(rig.recordings() + name, 0.3, {0.1});
    rig.selectInput("a_D20140930T010203m000.wav");
  }
  std::vector<std::string> model(const FileList& list) {
    std::lock_guard<std::mutex> lock(rig.state().lists.mutex);
    std::vector<std::string> out;
    for (const FileEntry& e : list.entries()) out.push_back(e.name);
    return out;
  }
  DesktopRig rig;
};

TEST_F(ListDragTest, ADropInTheInputListChangesTheScanOrder) {
  ASSERT_TRUE(rig.tk.dragEntry(rig.main(), main_ids::kInputList, 2, 0));
  const std::vector<std::string> dragged{"c_D20140930T020000m000.wav", "a_D20140930T010203m000.wav",
                                         "b_D20140930T010206m000.wav"};
  EXPECT_EQ(model(rig.state().lists.input), dragged);
  // A refresh of the box keeps the order.
  rig.app->desktop().showLists();
  EXPECT_EQ(rig.names(rig.main(), main_ids::kInputList), dragged);

  rig.tk.answerFile(rig.dir.file("night.txt"));
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuSelectOutput);
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuScanAll);
  rig.runScan();
  // Rows come in the order scanned.
  const std::string rows = slurp(rig.dir.file("night.txt"));
  const std::size_t c = rows.find("c_D2014"), a = rows.find("a_D2014"), b = rows.find("b_D2014");
  ASSERT_NE(c, std::string::npos);
  ASSERT_NE(a, std::string::npos);
  ASSERT_NE(b, std::string::npos);
  EXPECT_LT(c, a);
  EXPECT_LT(a, b);
}

TEST_F(ListDragTest, ADropInTheResultListsMovesTheirEntries) {
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuScanAll);
  rig.runScan();
  const std::vector<std::string> before = model(rig.state().lists.passed);
  ASSERT_EQ(before.size(), 3u);
  ASSERT_TRUE(rig.tk.dragEntry(rig.results(), results_ids::kPassedList, 0, 3));
  EXPECT_EQ(model(rig.state().lists.passed),
            (std::vector<std::string>{before[1], before[2], before[0]}));
  // Dropped off the list: nothing moves.
  EXPECT_FALSE(rig.tk.dragEntry(rig.results(), results_ids::kPassedList, 0, -1));
  EXPECT_EQ(model(rig.state().lists.passed),
            (std::vector<std::string>{before[1], before[2], before[0]}));
}

// Recordings that fail during Scan All are named in the warnings, with the
// reason on a line of its own below the message.
TEST(ScanWarnings, NameTheFileAndTheReason) {
  DesktopRig rig;
  std::filesystem::create_directories(rig.recordings());
  writeRecording(rig.recordings() + "a_D20140930T010203m000.wav", 0.3, {0.1});
  quilve::test::writeFile(rig.recordings() + "b_broken.wav", {'R', 'I', 'F', 'F'});
  // A data chunk that claims more than the file holds: reading fails.
  writeRecording(rig.recordings() + "c_cut.wav", 0.6, {0.1});
  std::filesystem::resize_file(rig.recordings() + "c_cut.wav", 40000);
  rig.selectInput("a_D20140930T010203m000.wav");
  rig.tk.clearShown();
  rig.tk.chooseMenu(rig.main(), main_ids::kMenuScanAll);
  rig.runScan();
  const std::vector<std::string> warnings = rig.warnings();
  ASSERT_EQ(warnings.size(), 2u);
  const std::string open = "Failed opening file " + rig.recordings() + "b_broken.wav\n";
  EXPECT_EQ(warnings[0].rfind(open, 0), 0u) << warnings[0];
  EXPECT_GT(warnings[0].size(), open.size()) << warnings[0];
  const std::string read = "Failed reading wave file\n" + rig.recordings() + "c_cut.wav";
  EXPECT_EQ(warnings[1].rfind(read, 0), 0u) << warnings[1];
}

}  // namespace
}  // namespace quilve::ui::test
