// Controls addressed by identifier: list boxes, dragging, sliders, progress
// bars, texts and the Tab order, on the headless toolkit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ui/toolkit/headless_toolkit.h"

namespace quilve::ui {
namespace {

constexpr int kList = 10;

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w = tk.createWindow(
        [this](Window&, int ev, EventValues& v) {
          events.push_back({ev, v[0]});
          return 0;
        },
        WindowKind::Tool);
    ASSERT_TRUE(tk.createControl(w, kList, ControlKind::ListBox));
    tk.showControl(w, kList);
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const FileEntry& e : tk.listModel(w, kList)->entries()) out.push_back(e.name);
    return out;
  }

  HeadlessToolkit tk;
  Window* w = nullptr;
  std::vector<std::pair<int, int>> events;
};

TEST_F(ControlsTest, ListKeepsNameOrderAndReplacesValuesOnlyWhenAsked) {
  tk.listAdd(w, kList, "b.wav", 3);
  tk.listAdd(w, kList, "A.wav", 1);
  int index = -1;
  ASSERT_TRUE(tk.listAdd(w, kList, "c.wav", 5, false, &index));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(names(), (std::vector<std::string>{"A.wav", "b.wav", "c.wav"}));

  ASSERT_TRUE(tk.listAdd(w, kList, "B.WAV", 9, true, &index));
  EXPECT_EQ(tk.listCount(w, kList), 3);
  int value = 0;
  ASSERT_TRUE(tk.listValue(w, kList, index, &value));
  EXPECT_EQ(value, 9);
  EXPECT_EQ(names()[1], "b.wav");  // the text stays as it was

  tk.listAdd(w, kList, "b.wav", 4);
  EXPECT_EQ(tk.listCount(w, kList), 4);
  std::int64_t sum = 0;
  ASSERT_TRUE(tk.listSum(w, kList, &sum));
  EXPECT_EQ(sum, 1 + 9 + 4 + 5);
}

TEST_F(ControlsTest, FindIsExactButIgnoresCase) {
  tk.listAdd(w, kList, "Night1.wav", 0);
  tk.listAdd(w, kList, "Night10.wav", 0);
  EXPECT_EQ(tk.listFind(w, kList, "NIGHT10.WAV"), 1);
  EXPECT_EQ(tk.listFind(w, kList, "night1.wav"), 0);
  EXPECT_EQ(tk.listFind(w, kList, "Night"), -1);
  EXPECT_EQ(tk.listFind(w, kList, "Night1.wav "), -1);
  EXPECT_TRUE(tk.listSelectText(w, kList, "night10.WAV"));
  EXPECT_EQ(tk.listSelection(w, kList), 1);
  EXPECT_FALSE(tk.listSelectText(w, kList, "absent.wav"));
}

TEST_F(ControlsTest, EntryTextRefusesABufferTooSmall) {
  tk.listAdd(w, kList, "abcdef.wav", 0);
  char buf[11];
  EXPECT_FALSE(tk.listText(w, kList, 0, buf, 10));
  ASSERT_TRUE(tk.listText(w, kList, 0, buf, sizeof buf));
  EXPECT_STREQ(buf, "abcdef.wav");
  EXPECT_FALSE(tk.listText(w, kList, 1, buf, sizeof buf));
}

TEST_F(ControlsTest, RemoveSelectedReturnsItsValue) {
  tk.listAdd(w, kList, "a", 1);
  tk.listAdd(w, kList, "b", 2);
  int value = 0;
  EXPECT_FALSE(tk.listRemoveSelected(w, kList, &value));
  tk.listSelect(w, kList, 1);
  ASSERT_TRUE(tk.listRemoveSelected(w, kList, &value));
  EXPECT_EQ(value, 2);
  EXPECT_EQ(tk.listSelection(w, kList), -1);
  EXPECT_EQ(names(), std::vector<std::string>{"a"});
}

TEST_F(ControlsTest, FillFromDirectoryMatchesPatternAndTakesFocus) {
  const auto dir = std::filesystem::temp_directory_path() / ("quilve_ui_fill_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "sub.wav");
  for (const char* n : {"b.WAV", "a.wv", "notes.txt"}) std::ofstream(dir / n) << "x";
  tk.listAdd(w, kList, "old.wav", 1);
  ASSERT_TRUE(tk.listFillFromDirectory(w, kList, dir.string(), "*.w*"));
  EXPECT_EQ(names(), (std::vector<std::string>{"a.wv", "b.WAV"}));
  EXPECT_EQ(w->focus, kList);
  EXPECT_FALSE(tk.listFillFromDirectory(w, kList, (dir / "missing").string(), "*"));
  EXPECT_EQ(tk.listCount(w, kList), 0);
  std::filesystem::remove_all(dir);
}

TEST_F(ControlsTest, DragMovesEntriesWithTheirValues) {
  for (const char* n : {"a", "b", "c", "d"}) tk.listAdd(w, kList, n, n[0]);
  // Below the last entry: to the end.
  ASSERT_TRUE(tk.dragEntry(w, kList, 1, 4));
  EXPECT_EQ(names(), (std::vector<std::string>{"a", "c", "d", "b"}));
  EXPECT_EQ(tk.listSelection(w, kList), 3);
  int value = 0;
  tk.listValue(w, kList, 3, &value);
  EXPECT_EQ(value, 'b');
  // Onto another entry from above: lands just above it.
  ASSERT_TRUE(tk.dragEntry(w, kList, 0, 2));
  EXPECT_EQ(names(), (std::vector<std::string>{"c", "a", "d", "b"}));
  // From below: takes that entry's place.
  ASSERT_TRUE(tk.dragEntry(w, kList, 3, 0));
  EXPECT_EQ(names(), (std::vector<std::string>{"b", "c", "a", "d"}));
  // Onto itself: nothing changes.
  ASSERT_TRUE(tk.dragEntry(w, kList, 2, 2));
  EXPECT_EQ(names(), (std::vector<std::string>{"b", "c", "a", "d"}));
  EXPECT_EQ(tk.listSelection(w, kList), 2);
  // Released off the list: only the mark goes.
  EXPECT_FALSE(tk.dragEntry(w, kList, 0, -1));
  EXPECT_EQ(names(), (std::vector<std::string>{"b", "c", "a", "d"}));
  EXPECT_EQ(w->insertionMark, Window::kNoMark);
  EXPECT_EQ(w->dragSource, -1);
}

TEST_F(ControlsTest, DragOverSetsTheInsertionMark) {
  for (const char* n : {"a", "b"}) tk.listAdd(w, kList, n, 0);
  ASSERT_TRUE(tk.listDragBegin(w, kList, 0));
  tk.listDragOver(w, kList, 1);
  EXPECT_EQ(w->insertionMark, 1);
  tk.listDragOver(w, kList, 2);
  EXPECT_EQ(w->insertionMark, -1);  // below the last entry
  EXPECT_FALSE(tk.listDragEnd(w, kList, true));
  EXPECT_EQ(names(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(ControlsTest, ProgressIsClampedAndSliderStaysInRange) {
  tk.createControl(w, 2, ControlKind::Progress);
  tk.setProgress(w, 2, 150);
  EXPECT_EQ(w->control(2)->progress, 100);
  tk.setProgress(w, 2, -5);
  EXPECT_EQ(w->control(2)->progress, 0);

  tk.createControl(w, 3, ControlKind::Slider);
  tk.setSliderRange(w, 3, 1, 100);
  tk.setSliderPosition(w, 3, 250);
  int pos = 0;
  ASSERT_TRUE(tk.sliderPosition(w, 3, &pos));
  EXPECT_EQ(pos, 100);
  tk.showControl(w, 3);
  ASSERT_TRUE(tk.moveSlider(w, 3, 40));
  ASSERT_TRUE(tk.releaseSlider(w, 3));
  EXPECT_EQ(events[events.size() - 2], std::make_pair(event::kSliderMoved, 3));
  EXPECT_EQ(events.back(), std::make_pair(event::kSliderReleased, 3));
  // Kind-specific operations refuse other kinds.
  EXPECT_FALSE(tk.setProgress(w, 3, 10));
  EXPECT_FALSE(tk.setSliderPosition(w, 2, 10));
}

TEST_F(ControlsTest, MissingWindowsAndControlsAreRefused) {
  char buf[8];
  EXPECT_FALSE(tk.setText(w, 99, "x"));
  EXPECT_FALSE(tk.getText(w, 99, buf, sizeof buf));
  EXPECT_FALSE(tk.setText(nullptr, kList, "x"));
  EXPECT_EQ(tk.listCount(nullptr, kList), -1);
  HeadlessToolkit other;
  EXPECT_FALSE(other.showControl(w, kList));  // a window of another toolkit
}

TEST_F(ControlsTest, TextIsCutToTheCallersBuffer) {
  tk.createControl(w, 4, ControlKind::Edit);
  tk.setText(w, 4, "results.txt");
  char buf[8];
  ASSERT_TRUE(tk.getText(w, 4, buf, sizeof buf));
  EXPECT_STREQ(buf, "results");
}

TEST_F(ControlsTest, RecreatingAControlReplacesIt) {
  tk.listAdd(w, kList, "a", 1);
  ASSERT_TRUE(tk.createControl(w, kList, ControlKind::Button));
  EXPECT_EQ(w->controls.size(), 1u);
  EXPECT_EQ(w->control(kList)->kind, ControlKind::Button);
  EXPECT_FALSE(w->control(kList)->visible);
  EXPECT_EQ(tk.listCount(w, kList), -1);
}

TEST_F(ControlsTest, DisabledOrHiddenControlsIgnoreTheUser) {
  tk.createControl(w, 5, ControlKind::Button);
  EXPECT_FALSE(tk.click(w, 5));  // not shown yet
  tk.showControl(w, 5);
  tk.disableControl(w, 5);
  EXPECT_FALSE(tk.click(w, 5));
  tk.enableControl(w, 5);
  EXPECT_TRUE(tk.click(w, 5));
  EXPECT_EQ(events.back(), std::make_pair(event::kButton, 5));
}

TEST_F(ControlsTest, TabCyclesOverEnabledVisibleControlsBothWays) {
  // Creation order: list(10), edit 1, label 2, button 3 (disabled),
  // check box 4, edit 5 (hidden).
  tk.createControl(w, 1, ControlKind::Edit);
  tk.createControl(w, 2, ControlKind::Label);
  tk.createControl(w, 3, ControlKind::Button);
  tk.createControl(w, 4, ControlKind::CheckBox);
  tk.createControl(w, 5, ControlKind::Edit);
  for (int id : {1, 2, 3, 4}) tk.showControl(w, id);
  tk.disableControl(w, 3);
  tk.setFocus(w, kList);

  std::vector<int> forward;
  for (int i = 0; i < 4; ++i) {
    tk.pressKey(w, kKeyTab);
    forward.push_back(w->focus);
  }
  EXPECT_EQ(forward, (std::vector<int>{1, 4, kList, 1}));
  std::vector<int> backward;
  for (int i = 0; i < 3; ++i) {
    tk.pressKey(w, kKeyTab, kShiftBit);
    backward.push_back(w->focus);
  }
  EXPECT_EQ(backward, (std::vector<int>{kList, 4, 1}));
}

TEST_F(ControlsTest, EnterAndEscapeReachTheWindow) {
  tk.createControl(w, 1, ControlKind::Edit);
  tk.showControl(w, 1);
  tk.setFocus(w, 1);
  events.clear();
  tk.pressKey(w, kKeyEnter);
  tk.pressKey(w, kKeyEscape, kControlBit);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0], std::make_pair(event::kKeyDown, kKeyEnter));
  EXPECT_EQ(events[2], std::make_pair(event::kKeyDown, kKeyEscape));
  EXPECT_EQ(w->focus, 1);
}

TEST(Canvas, DrawsLinesRectanglesImagesAndReplacesTexts) {
  HeadlessToolkit tk;
  Window* w = tk.createWindow({}, WindowKind::Main);
  ASSERT_EQ(w->canvas.width(), 320);
  tk.setColour(w, Rgb{255, 0, 0});
  tk.drawLine(w, 0, 0, 3, 3);
  EXPECT_EQ(w->canvas.pixel(2, 2), (Rgb{255, 0, 0}));
  EXPECT_EQ(w->canvas.pixel(2, 1), Toolkit::kDefaultFaceColour);  // a new canvas
  tk.drawText(w, 10, 10, "Contrast = 50");
  tk.drawText(w, 10, 10, "Contrast = 51");
  ASSERT_EQ(w->canvas.texts().size(), 1u);
  EXPECT_EQ(w->canvas.texts()[0].text, "Contrast = 51");
  tk.setWindowColour(w);
  tk.fillRect(w, 0, 0, 20, 20);
  EXPECT_TRUE(w->canvas.texts().empty());
  EXPECT_EQ(w->canvas.pixel(2, 2), (Rgb{255, 255, 255}));  // the text-field colour

  // A 2 x 1 image of 8 bits, stretched to 4 x 2, drawn partly off the canvas.
  const Rgb palette[2] = {{0, 0, 255}, {0, 255, 0}};
  const std::uint8_t pixels[4] = {0, 1, 0, 0};
  Image img{2, 1, 8, pixels, palette, 2};
  ASSERT_TRUE(tk.drawImage(w, img, 318, 0, 4, 2, 0, 0, 2, 1));
  EXPECT_EQ(w->canvas.pixel(318, 1), (Rgb{0, 0, 255}));
  EXPECT_EQ(w->canvas.pixel(319, 0), (Rgb{0, 0, 255}));
  ASSERT_TRUE(tk.drawImage(w, img, 0, 0, 4, 2, 0, 0, 2, 1));
  EXPECT_EQ(w->canvas.pixel(2, 0), (Rgb{0, 255, 0}));
  Image bad{2, 1, 8, pixels, nullptr, 0};
  EXPECT_FALSE(tk.drawImage(w, bad, 0, 0, 2, 1, 0, 0, 2, 1));

  // A larger client area: what was drawn stays, the new part is face-coloured.
  tk.setClientSize(w, 400, 250);
  EXPECT_EQ(w->canvas.pixel(2, 0), (Rgb{0, 255, 0}));
  EXPECT_EQ(w->canvas.pixel(399, 249), Toolkit::kDefaultFaceColour);
}

}  // namespace
}  // namespace quilve::ui
