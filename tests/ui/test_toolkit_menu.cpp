// Menus built from path strings and item states found by identifier.
#include <gtest/gtest.h>

#include "ui/toolkit/headless_toolkit.h"

namespace quilve::ui {
namespace {

TEST(MenuPath, DecodesMnemonicUnderscoreAndAmpersand) {
  auto levels = parseMenuPath("Action/Scan _All");
  ASSERT_EQ(levels.size(), 2u);
  EXPECT_EQ(levels[0].text, "Action");
  EXPECT_EQ(levels[0].mnemonic, -1);
  EXPECT_EQ(levels[1].text, "Scan All");
  EXPECT_EQ(levels[1].mnemonic, 5);  // the 'A'
  EXPECT_FALSE(levels[1].separator);

  levels = parseMenuPath("File/Save__As & Close");
  EXPECT_EQ(levels[1].text, "Save_As & Close");
  EXPECT_EQ(levels[1].mnemonic, -1);

  // "__" followed by a mnemonic and an escaped underscore at the end.
  levels = parseMenuPath("E_xit__");
  ASSERT_EQ(levels.size(), 1u);
  EXPECT_EQ(levels[0].text, "Exit_");
  EXPECT_EQ(levels[0].mnemonic, 1);
  EXPECT_FALSE(levels[0].separator);
}

TEST(MenuPath, TrailingUnderscoreAsksForSeparatorOnlyOnLastLevel) {
  auto levels = parseMenuPath("File/_");
  ASSERT_EQ(levels.size(), 2u);
  EXPECT_TRUE(levels[1].separator);
  EXPECT_TRUE(levels[1].text.empty());

  levels = parseMenuPath("Odd_/Item");
  EXPECT_FALSE(levels[0].separator);
  EXPECT_FALSE(levels[1].separator);
}

class MenuTest : public ::testing::Test {
 protected:
  HeadlessToolkit tk;
  Window* w = tk.createWindow({}, WindowKind::Tool);
};

TEST_F(MenuTest, SubmenusAreReusedByText) {
  ASSERT_TRUE(tk.addMenuItem(w, 1, "Options/Passed Files/Archive"));
  ASSERT_TRUE(tk.addMenuItem(w, 2, "Options/Passed Files/Move"));
  ASSERT_TRUE(tk.addMenuItem(w, 3, "Options/Failed Files/Delete"));
  ASSERT_TRUE(tk.addMenuItem(w, 4, "Window/Scan _Results"));

  ASSERT_EQ(w->menu.children.size(), 2u);
  const MenuNode& options = w->menu.children[0];
  EXPECT_EQ(options.type, MenuNode::Type::Submenu);
  EXPECT_EQ(options.text, "Options");
  ASSERT_EQ(options.children.size(), 2u);
  const MenuNode& passed = options.children[0];
  EXPECT_EQ(passed.text, "Passed Files");
  ASSERT_EQ(passed.children.size(), 2u);
  EXPECT_EQ(passed.children[0].text, "Archive");
  EXPECT_EQ(passed.children[0].id, 1);
  EXPECT_EQ(passed.children[1].text, "Move");
  EXPECT_EQ(passed.children[1].id, 2);
  EXPECT_EQ(w->menu.children[1].children[0].mnemonic, 5);
}

TEST_F(MenuTest, AnItemOfTheSameTextIsNotTakenForASubmenu) {
  tk.addMenuItem(w, 1, "File/Recent");
  tk.addMenuItem(w, 2, "File/Recent/One");
  const MenuNode& file = w->menu.children[0];
  ASSERT_EQ(file.children.size(), 2u);
  EXPECT_EQ(file.children[0].type, MenuNode::Type::Item);
  EXPECT_EQ(file.children[1].type, MenuNode::Type::Submenu);
}

TEST_F(MenuTest, SeparatorFollowsTheItemOfItsPath) {
  tk.addMenuItem(w, 1, "File/Select Input...");
  tk.addMenuItem(w, 0, "File/_");
  tk.addMenuItem(w, 2, "File/Save_");
  tk.addMenuItem(w, 3, "File/E_xit");
  const MenuNode& file = w->menu.children[0];
  ASSERT_EQ(file.children.size(), 5u);
  EXPECT_EQ(file.children[1].type, MenuNode::Type::Separator);
  EXPECT_EQ(file.children[2].text, "Save");
  EXPECT_EQ(file.children[3].type, MenuNode::Type::Separator);
  EXPECT_EQ(file.children[4].id, 3);
}

TEST_F(MenuTest, StateChangesReachEveryItemOfTheIdentifierInAnySubmenu) {
  tk.addMenuItem(w, 7, "Setup/Scan _Results...");
  tk.addMenuItem(w, 8, "Window/Scan _Results");
  tk.addMenuItem(w, 7, "Window/More/Deep/Results again");

  ASSERT_TRUE(tk.checkMenuItem(w, 7));
  ASSERT_TRUE(tk.grayMenuItem(w, 7));
  EXPECT_TRUE(w->menu.children[0].children[0].checked);
  EXPECT_TRUE(w->menu.children[0].children[0].grayed);
  const MenuNode& deep = w->menu.children[1].children[1].children[0].children[0];
  EXPECT_TRUE(deep.checked);
  EXPECT_TRUE(deep.grayed);
  bool checked = true, grayed = true;
  ASSERT_TRUE(tk.menuItemState(w, 8, &checked, &grayed));
  EXPECT_FALSE(checked);
  EXPECT_FALSE(grayed);

  ASSERT_TRUE(tk.uncheckMenuItem(w, 7));
  ASSERT_TRUE(tk.enableMenuItem(w, 7));
  EXPECT_FALSE(deep.checked);
  EXPECT_FALSE(deep.grayed);

  EXPECT_FALSE(tk.checkMenuItem(w, 99));
  EXPECT_FALSE(tk.checkMenuItem(nullptr, 7));
}

TEST_F(MenuTest, GrayedItemsCannotBeChosen) {
  std::vector<int> chosen;
  Window* win = tk.createWindow(
      [&](Window&, int ev, EventValues& v) {
        if (ev == event::kMenu) chosen.push_back(v[0]);
        return 0;
      },
      WindowKind::Main);
  tk.addMenuItem(win, 5, "Action/Scan");
  tk.grayMenuItem(win, 5);
  EXPECT_FALSE(tk.chooseMenu(win, 5));
  tk.enableMenuItem(win, 5);
  EXPECT_TRUE(tk.chooseMenu(win, 5));
  EXPECT_EQ(chosen, std::vector<int>{5});
}

}  // namespace
}  // namespace quilve::ui
