// The menu bar across the top of a window, rebuilt from its menu tree.
#include "ui/toolkit/fltk_native.h"

#include <cstdint>
#include <cstring>

namespace quilve::ui {

namespace {

void menuCallback(Fl_Widget* bar, void* data) {
  auto* nat = static_cast<NativeWindow*>(bar->user_data());
  const int id = static_cast<int>(reinterpret_cast<std::intptr_t>(data));
  nat->tk->deliver(nat->rec, event::kMenu, {id, 0, 0, 0});
}

std::string menuLabel(const MenuNode& n) {
  std::string out;
  for (int i = 0; i < static_cast<int>(n.text.size()); ++i) {
    if (i == n.mnemonic) out += '&';
    if (n.text[static_cast<std::size_t>(i)] == '&') out += '&';
    out += n.text[static_cast<std::size_t>(i)];
  }
  return out;
}

void buildMenu(const MenuNode& node, std::vector<Fl_Menu_Item>& out, std::deque<std::string>& labels) {
  int last = -1;  // this level's latest entry, which a separator follows
  for (const MenuNode& child : node.children) {
    Fl_Menu_Item item;
    std::memset(&item, 0, sizeof item);
    switch (child.type) {
      case MenuNode::Type::Separator:
        if (last >= 0) out[static_cast<std::size_t>(last)].flags |= FL_MENU_DIVIDER;
        continue;
      case MenuNode::Type::Submenu:
        labels.push_back(menuLabel(child));
        item.text = labels.back().c_str();
        item.flags = FL_SUBMENU;
        last = static_cast<int>(out.size());
        out.push_back(item);
        buildMenu(child, out, labels);
        break;
      default:
        labels.push_back(menuLabel(child));
        item.text = labels.back().c_str();
        item.callback_ = menuCallback;
        item.user_data_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(child.id));
        if (child.checked) item.flags |= FL_MENU_TOGGLE | FL_MENU_VALUE;
        if (child.grayed) item.flags |= FL_MENU_INACTIVE;
        last = static_cast<int>(out.size());
        out.push_back(item);
        break;
    }
  }
  Fl_Menu_Item end;
  std::memset(&end, 0, sizeof end);
  out.push_back(end);
}

}  // namespace

void FltkToolkit::menuChanged(Window& w) {
  NativeWindow* nat = impl_->native(w);
  if (!nat) return;
  if (!nat->bar) {
    Fl_Group* saved = Fl_Group::current();
    Fl_Group::current(nullptr);
    nat->bar = new Fl_Menu_Bar(0, 0, w.width, kMenuBarHeight);
    Fl_Group::current(saved);
    nat->bar->user_data(nat);
    nat->bar->textsize(kFontSize);
    nat->win->add(nat->bar);
    nat->menuH = kMenuBarHeight;
    windowGeometryChanged(w);
    for (Control& c : w.controls) nat->place(c);
  }
  const int g = nat->generation = 1 - nat->generation;
  nat->items[g].clear();
  nat->labels[g].clear();
  buildMenu(w.menu, nat->items[g], nat->labels[g]);
  nat->bar->menu(nat->items[g].data());
  nat->bar->redraw();
}

}  // namespace quilve::ui
