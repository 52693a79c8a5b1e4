// Message boxes and file dialogs answered from the script, the extension
// rule of the save dialogs, and calls posted to the user-interface thread.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "ui/toolkit/headless_toolkit.h"

namespace quilve::ui {
namespace {

TEST(FilterExtension, TakesTheChosenPatternFromItsFirstDot) {
  EXPECT_EQ(filterExtension(";*.txt", 0), ".txt");
  EXPECT_EQ(filterExtension(";*.00#", 0), ".00#");
  EXPECT_EQ(filterExtension("Text;*.txt;Zero crossing;*.00#", 1), ".00#");
  EXPECT_EQ(filterExtension("Results;*.res.txt", 0), ".res.txt");
  EXPECT_EQ(filterExtension(";*.txt", 3), "");
  // Wildcards name no extension to add.
  EXPECT_EQ(filterExtension("All;*.*", 0), "");
  EXPECT_EQ(filterExtension(";*", 0), "");
}

TEST(FilterExtension, AppendsOnlyWhenTheFileNameHasNone) {
  EXPECT_EQ(applyFilterExtension("/data/out/results", ";*.txt", 0), "/data/out/results.txt");
  EXPECT_EQ(applyFilterExtension("/data/out/results.csv", ";*.txt", 0), "/data/out/results.csv");
  // A dot in a directory name is not the file's extension.
  EXPECT_EQ(applyFilterExtension("/data/run.2/results", ";*.txt", 0), "/data/run.2/results.txt");
  EXPECT_EQ(applyFilterExtension("C:\\run.2\\results", ";*.txt", 0), "C:\\run.2\\results.txt");
}

class DialogsTest : public ::testing::Test {
 protected:
  HeadlessToolkit tk;
  Window* w = tk.createWindow({}, WindowKind::Main);
  void SetUp() override { tk.setTitle(w, "  QUILVE"); }
};

TEST_F(DialogsTest, EachBoxKindHasItsIconAndBeepAndIsOwnedByItsWindow) {
  Window* tool = tk.createWindow({}, WindowKind::Tool);
  tk.information(w, "note");
  tk.warning(tool, "careful");
  tk.answerQuestion(true);
  EXPECT_TRUE(tk.question(tool, "sure?"));
  ASSERT_EQ(tk.shown().size(), 3u);
  const auto& note = tk.shown()[0];
  EXPECT_EQ(note.owner, w);
  EXPECT_EQ(note.icon, BoxIcon::Information);
  EXPECT_EQ(note.beep, BoxBeep::Information);
  const auto& warn = tk.shown()[1];
  EXPECT_EQ(warn.owner, tool);
  EXPECT_EQ(warn.icon, BoxIcon::Exclamation);
  EXPECT_EQ(warn.beep, BoxBeep::Warning);
  const auto& ask = tk.shown()[2];
  EXPECT_EQ(ask.owner, tool);
  EXPECT_EQ(ask.icon, BoxIcon::Question);
  EXPECT_EQ(ask.beep, BoxBeep::Question);

  // A window of another toolkit owns nothing here: the box is the screen's.
  HeadlessToolkit other;
  Window* foreign = other.createWindow({}, WindowKind::Main);
  tk.warning(foreign, "elsewhere");
  tk.information(nullptr, "nobody's");
  EXPECT_EQ(tk.shown()[3].owner, nullptr);
  EXPECT_EQ(tk.shown()[4].owner, nullptr);
}

TEST_F(DialogsTest, SaveDialogAppendsTheChosenFiltersExtension) {
  tk.answerFile("/tmp/run1", 0);
  EXPECT_EQ(tk.saveFile(w, ";*.txt", "", false), std::optional<std::string>("/tmp/run1.txt"));
  tk.answerFile("/tmp/run1", 1);
  EXPECT_EQ(tk.saveFile(w, "Text;*.txt;ZCD;*.00#", "", true), std::optional<std::string>("/tmp/run1.00#"));
  tk.answerCancel();
  EXPECT_FALSE(tk.saveFile(w, ";*.txt", "", true));
  EXPECT_FALSE(tk.saveFile(w, ";*.txt", "", true));  // script empty: cancelled
  EXPECT_TRUE(tk.scriptErrors().empty());
}

TEST_F(DialogsTest, AppendedExtensionNamingAnExistingFileAsksFirst) {
  const auto dir = std::filesystem::temp_directory_path() / ("quilve_ui_save_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "results.txt") << "old";
  const std::string typed = (dir / "results").string();

  tk.answerFile(typed);
  tk.answerQuestion(false);
  EXPECT_FALSE(tk.saveFile(w, ";*.txt", dir.string(), true));
  ASSERT_EQ(tk.shown().size(), 2u);
  EXPECT_EQ(tk.shown()[1].kind, MessageKind::Question);

  tk.answerFile(typed);
  tk.answerQuestion(true);
  EXPECT_EQ(tk.saveFile(w, ";*.txt", dir.string(), true), std::optional<std::string>(typed + ".txt"));

  // Without the overwrite check nobody is asked.
  tk.clearShown();
  tk.answerFile(typed);
  EXPECT_TRUE(tk.saveFile(w, ";*.txt", dir.string(), false));
  EXPECT_EQ(tk.shown().size(), 1u);
  EXPECT_EQ(tk.answersLeft(), 0u);
  std::filesystem::remove_all(dir);
}

TEST_F(DialogsTest, MessageBoxesUseTheirCaptionsAndScriptedAnswers) {
  tk.warning(w, "Warning: No Input Selected");
  tk.information(w, "Current scan must complete before exiting", "Progress Message");
  tk.information(w, "Done");
  tk.answerQuestion(true);
  EXPECT_TRUE(tk.question(w, "Delete 3 files?"));
  EXPECT_FALSE(tk.question(w, "Again?"));  // nothing scripted: No

  const auto& shown = tk.shown();
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[0].kind, MessageKind::Warning);
  EXPECT_EQ(shown[0].caption, "Warning");
  EXPECT_EQ(shown[0].text, "Warning: No Input Selected");
  EXPECT_EQ(shown[1].caption, "Progress Message");
  EXPECT_EQ(shown[2].caption, "  QUILVE");  // defaults to the window title
  EXPECT_EQ(shown[3].kind, MessageKind::Question);
}

TEST_F(DialogsTest, AnswersOfTheWrongKindAreReportedAndRefused) {
  tk.answerFile("/tmp/x.wav");
  EXPECT_FALSE(tk.question(w, "Replace?"));
  tk.answerQuestion(true);
  EXPECT_FALSE(tk.openFile(w, ";*.wav", ""));
  EXPECT_EQ(tk.scriptErrors().size(), 2u);

  tk.answerFiles({"/d/a.wav", "/d/b.wav"});
  EXPECT_EQ(tk.openFiles(w, ";*.wav", "").size(), 2u);
  tk.answerFolder("/archive");
  EXPECT_EQ(tk.chooseFolder(w, "Select archive directory", ""), std::optional<std::string>("/archive"));
  tk.answerFolder("");
  EXPECT_FALSE(tk.chooseFolder(w, "Select archive directory", ""));
}

TEST_F(DialogsTest, PostsFromWorkersRunOnTheLoopThreadInOrder) {
  std::vector<int> seen;
  std::vector<std::thread::id> threads;
  Window* win = tk.createWindow(
      [&](Window&, int ev, EventValues& v) {
        if (ev == event::kUser) {
          seen.push_back(v[0] * 100 + v[1]);
          threads.push_back(std::this_thread::get_id());
        }
        return 0;
      },
      WindowKind::Tool);
  std::thread worker([&] {
    for (int i = 1; i <= 20; ++i) tk.postUserEvent(win, i, 7);
    tk.post([&] { tk.quit(); });
  });
  tk.runLoop();
  worker.join();
  ASSERT_EQ(seen.size(), 20u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], (i + 1) * 100 + 7);
  for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(DialogsTest, ModalLoopEndsAtQuitAndHidesItsWindow) {
  Window* about = tk.createWindow(
      [&](Window& self, int ev, EventValues&) {
        if (ev == event::kClose) self.toolkit->quit();
        return 0;
      },
      WindowKind::Tool);
  bool shownDuringLoop = false;
  tk.post([&] {
    shownDuringLoop = about->visible;
    tk.requestClose(about);
  });
  tk.runModal(about);
  EXPECT_TRUE(shownDuringLoop);
  EXPECT_FALSE(about->visible);
}

}  // namespace
}  // namespace quilve::ui
