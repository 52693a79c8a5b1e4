// Menu paths and a window's menu tree.
#include "ui/toolkit/toolkit.h"

#include <algorithm>

namespace quilve::ui {

std::vector<MenuLevel> parseMenuPath(const std::string& path) {
  std::vector<MenuLevel> levels;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = path.find('/', start);
    const std::string raw = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    MenuLevel level;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '_') {
        level.text += raw[i];
      } else if (i + 1 < raw.size() && raw[i + 1] == '_') {
        level.text += '_';
        ++i;
      } else if (i + 1 < raw.size()) {
        level.mnemonic = static_cast<int>(level.text.size());
      } else {
        level.separator = true;
      }
    }
    levels.push_back(std::move(level));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  // Only the last level can ask for a separator.
  for (std::size_t i = 0; i + 1 < levels.size(); ++i) levels[i].separator = false;
  return levels;
}

bool Toolkit::addMenuItem(Window* w, int itemId, const std::string& path) {
  if (!owns(w) || path.empty()) return false;
  const std::vector<MenuLevel> levels = parseMenuPath(path);
  MenuNode* node = &w->menu;
  for (std::size_t i = 0; i + 1 < levels.size(); ++i) {
    auto it = std::find_if(node->children.begin(), node->children.end(), [&](const MenuNode& n) {
      return n.type == MenuNode::Type::Submenu && n.text == levels[i].text;
    });
    if (it == node->children.end()) {
      MenuNode sub;
      sub.type = MenuNode::Type::Submenu;
      sub.text = levels[i].text;
      sub.mnemonic = levels[i].mnemonic;
      node->children.push_back(std::move(sub));
      node = &node->children.back();
    } else {
      node = &*it;
    }
  }
  const MenuLevel& last = levels.back();
  if (!last.text.empty() || !last.separator) {
    MenuNode item;
    item.type = MenuNode::Type::Item;
    item.text = last.text;
    item.mnemonic = last.mnemonic;
    item.id = itemId;
    node->children.push_back(std::move(item));
  }
  if (last.separator) {
    MenuNode sep;
    sep.type = MenuNode::Type::Separator;
    node->children.push_back(std::move(sep));
  }
  menuChanged(*w);
  return true;
}

namespace {

// what: 0 check, 1 uncheck, 2 gray, 3 enable. Returns the number of items.
int applyMenuState(MenuNode& node, int id, int what) {
  int count = 0;
  for (MenuNode& child : node.children) {
    if (child.type == MenuNode::Type::Item && child.id == id) {
      ++count;
      switch (what) {
        case 0: child.checked = true; break;
        case 1: child.checked = false; break;
        case 2: child.grayed = true; break;
        default: child.grayed = false; break;
      }
    }
    count += applyMenuState(child, id, what);
  }
  return count;
}

const MenuNode* findMenuItem(const MenuNode& node, int id) {
  for (const MenuNode& child : node.children) {
    if (child.type == MenuNode::Type::Item && child.id == id) return &child;
    if (const MenuNode* found = findMenuItem(child, id)) return found;
  }
  return nullptr;
}

}  // namespace

bool Toolkit::setMenuState(Window* w, int itemId, int what) {
  if (!owns(w)) return false;
  const bool found = applyMenuState(w->menu, itemId, what) > 0;
  if (found) menuChanged(*w);
  return found;
}

bool Toolkit::checkMenuItem(Window* w, int itemId) { return setMenuState(w, itemId, 0); }
bool Toolkit::uncheckMenuItem(Window* w, int itemId) { return setMenuState(w, itemId, 1); }
bool Toolkit::grayMenuItem(Window* w, int itemId) { return setMenuState(w, itemId, 2); }
bool Toolkit::enableMenuItem(Window* w, int itemId) { return setMenuState(w, itemId, 3); }

bool Toolkit::menuItemState(Window* w, int itemId, bool* checked, bool* grayed) {
  if (!owns(w)) return false;
  const MenuNode* item = findMenuItem(w->menu, itemId);
  if (!item) return false;
  if (checked) *checked = item->checked;
  if (grayed) *grayed = item->grayed;
  return true;
}

}  // namespace quilve::ui
