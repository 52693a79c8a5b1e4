// List and combo boxes: their entries, selection and the drag protocol.
#include "ui/toolkit/toolkit.h"

#include <algorithm>
#include <cstring>

namespace quilve::ui {

bool Toolkit::listAdd(Window* w, int id, const std::string& text, int value, bool replace, int* index) {
  Control* c = findList(w, id);
  if (!c) return false;
  const int at = c->list.add(text, value, replace);
  if (index) *index = at;
  controlChanged(*w, *c, Change::List);
  return true;
}

bool Toolkit::listDelete(Window* w, int id, int index) {
  Control* c = findList(w, id);
  if (!c || !c->list.remove(index)) return false;
  controlChanged(*w, *c, Change::List);
  return true;
}

int Toolkit::listCount(Window* w, int id) {
  Control* c = findList(w, id);
  return c ? c->list.size() : -1;
}

int Toolkit::listSelection(Window* w, int id) {
  Control* c = findList(w, id);
  return c ? c->list.selection() : -1;
}

bool Toolkit::listSelect(Window* w, int id, int index) {
  Control* c = findList(w, id);
  if (!c || !c->list.select(index)) return false;
  controlChanged(*w, *c, Change::List);
  return true;
}

bool Toolkit::listClearSelection(Window* w, int id) {
  Control* c = findList(w, id);
  if (!c) return false;
  c->list.clearSelection();
  controlChanged(*w, *c, Change::List);
  return true;
}

bool Toolkit::listValue(Window* w, int id, int index, int* value) {
  Control* c = findList(w, id);
  if (!c || !value || index < 0 || index >= c->list.size()) return false;
  *value = c->list.at(index).value;
  return true;
}

bool Toolkit::listText(Window* w, int id, int index, char* buffer, std::size_t size) {
  Control* c = findList(w, id);
  if (!c || !buffer || index < 0 || index >= c->list.size()) return false;
  const std::string& name = c->list.at(index).name;
  if (name.size() + 1 > size) return false;
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return true;
}

int Toolkit::listFind(Window* w, int id, const std::string& text) {
  Control* c = findList(w, id);
  return c ? c->list.find(text) : -1;
}

bool Toolkit::listRemoveSelected(Window* w, int id, int* value) {
  Control* c = findList(w, id);
  if (!c || !c->list.removeSelected(value)) return false;
  controlChanged(*w, *c, Change::List);
  return true;
}

bool Toolkit::listFillFromDirectory(Window* w, int id, const std::string& directory,
                                    const std::string& pattern) {
  Control* c = findList(w, id);
  if (!c) return false;
  const bool ok = c->list.fillFromDirectory(directory, pattern);
  controlChanged(*w, *c, Change::List);
  w->focus = id;
  controlChanged(*w, *c, Change::Focus);
  return ok;
}

bool Toolkit::listClear(Window* w, int id) {
  Control* c = findList(w, id);
  if (!c) return false;
  c->list.clear();
  controlChanged(*w, *c, Change::List);
  return true;
}

bool Toolkit::listSelectText(Window* w, int id, const std::string& text) {
  Control* c = findList(w, id);
  if (!c || !c->list.selectByName(text)) return false;
  controlChanged(*w, *c, Change::List);
  return true;
}

bool Toolkit::listSum(Window* w, int id, std::int64_t* sum) {
  Control* c = findList(w, id);
  if (!c || !sum) return false;
  *sum = c->list.sum();
  return true;
}

bool Toolkit::listSetHorizontalExtent(Window* w, int id, int pixels) {
  Control* c = findList(w, id);
  if (!c) return false;
  c->horizontalExtent = std::max(0, pixels);
  controlChanged(*w, *c, Change::List);
  return true;
}

bool Toolkit::listDrop(Window* w, int id, int from, int to) {
  Control* c = findKind(w, id, ControlKind::ListBox);
  if (!c || !c->list.move(from, to)) return false;
  controlChanged(*w, *c, Change::List);
  return true;
}

bool Toolkit::listDragBegin(Window* w, int id, int index) {
  Control* c = findKind(w, id, ControlKind::ListBox);
  if (!c || index < 0 || index >= c->list.size()) return false;
  w->dragList = id;
  w->dragSource = index;
  w->insertionMark = Window::kNoMark;
  return true;
}

bool Toolkit::listDragOver(Window* w, int id, int index) {
  Control* c = findKind(w, id, ControlKind::ListBox);
  if (!c || w->dragList != id) return false;
  if (index < 0) {
    w->insertionMark = Window::kNoMark;
  } else {
    w->insertionMark = index < c->list.size() ? index : -1;
  }
  controlChanged(*w, *c, Change::List);
  return true;
}

bool Toolkit::listDragEnd(Window* w, int id, bool cancelled) {
  Control* c = findKind(w, id, ControlKind::ListBox);
  if (!c || w->dragList != id) return false;
  const int from = w->dragSource;
  const int mark = w->insertionMark;
  w->dragList = -1;
  w->dragSource = -1;
  w->insertionMark = Window::kNoMark;
  if (cancelled || mark == Window::kNoMark) {
    controlChanged(*w, *c, Change::List);
    return false;
  }
  const int to = mark == -1 ? c->list.size() : mark;
  if (!c->list.move(from, to)) return false;
  controlChanged(*w, *c, Change::List);
  deliver(w, event::kListDrop, {id, from, to, 0});
  return true;
}

bool Toolkit::listAssign(Window* w, int id, const FileList& model) {
  Control* c = findList(w, id);
  if (!c) return false;
  c->list = model;
  controlChanged(*w, *c, Change::List);
  return true;
}

const FileList* Toolkit::listModel(Window* w, int id) {
  Control* c = findList(w, id);
  return c ? &c->list : nullptr;
}

}  // namespace quilve::ui
