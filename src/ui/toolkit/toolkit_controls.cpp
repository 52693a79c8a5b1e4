// The controls of a window record: creation, placement, state and the
// keyboard focus.
#include "ui/toolkit/toolkit.h"

#include <algorithm>
#include <cstring>

namespace quilve::ui {

Control* Toolkit::find(Window* w, int id) { return owns(w) ? w->control(id) : nullptr; }

Control* Toolkit::findKind(Window* w, int id, ControlKind kind) {
  Control* c = find(w, id);
  return c && c->kind == kind ? c : nullptr;
}

Control* Toolkit::findList(Window* w, int id) {
  Control* c = find(w, id);
  return c && (c->kind == ControlKind::ListBox || c->kind == ControlKind::ComboBox) ? c : nullptr;
}

bool Toolkit::createControl(Window* w, int id, ControlKind kind) {
  const int k = static_cast<int>(kind);
  if (!owns(w) || k < 0 || k > 8) return false;
  auto it = std::find_if(w->controls.begin(), w->controls.end(), [&](const Control& c) { return c.id == id; });
  if (it != w->controls.end()) {
    controlDestroyed(*w, id);
    w->controls.erase(it);
    if (w->focus == id) w->focus = -1;
  }
  Control c;
  c.id = id;
  c.kind = kind;
  w->controls.push_back(std::move(c));
  controlCreated(*w, w->controls.back());
  return true;
}

bool Toolkit::moveControl(Window* w, int id, int x, int y) {
  Control* c = find(w, id);
  if (!c) return false;
  c->x = x;
  c->y = y;
  controlChanged(*w, *c, Change::Geometry);
  return true;
}

bool Toolkit::resizeControl(Window* w, int id, int width, int height) {
  Control* c = find(w, id);
  if (!c || width < 0 || height < 0) return false;
  c->w = width;
  c->h = height;
  controlChanged(*w, *c, Change::Geometry);
  return true;
}

bool Toolkit::showControl(Window* w, int id) {
  Control* c = find(w, id);
  if (!c) return false;
  c->visible = true;
  controlChanged(*w, *c, Change::Visibility);
  return true;
}

bool Toolkit::setEnabled(Window* w, int id, bool enabled) {
  Control* c = find(w, id);
  if (!c) return false;
  c->enabled = enabled;
  controlChanged(*w, *c, Change::Enabled);
  return true;
}

bool Toolkit::enableControl(Window* w, int id) { return setEnabled(w, id, true); }
bool Toolkit::disableControl(Window* w, int id) { return setEnabled(w, id, false); }

bool Toolkit::setText(Window* w, int id, const std::string& text) {
  Control* c = find(w, id);
  if (!c) return false;
  c->text = text;
  controlChanged(*w, *c, Change::Text);
  return true;
}

std::optional<std::string> Toolkit::text(Window* w, int id) {
  Control* c = find(w, id);
  if (!c) return std::nullopt;
  syncFromNative(*w, *c);
  return c->text;
}

bool Toolkit::getText(Window* w, int id, char* buffer, std::size_t size) {
  if (!buffer || size == 0) return false;
  const std::optional<std::string> t = text(w, id);
  if (!t) return false;
  const std::size_t n = std::min(t->size(), size - 1);
  std::memcpy(buffer, t->data(), n);
  buffer[n] = '\0';
  return true;
}

bool Toolkit::setFocus(Window* w, int id) {
  Control* c = find(w, id);
  if (!c) return false;
  w->focus = id;
  controlChanged(*w, *c, Change::Focus);
  return true;
}

int Toolkit::cycleFocus(Window* w, bool backward) {
  if (!owns(w) || w->controls.empty()) return -1;
  const int n = static_cast<int>(w->controls.size());
  int from = -1;
  for (int i = 0; i < n; ++i)
    if (w->controls[static_cast<std::size_t>(i)].id == w->focus) from = i;
  if (from < 0) from = backward ? 0 : n - 1;
  for (int step = 1; step <= n; ++step) {
    const int i = ((from + (backward ? -step : step)) % n + n) % n;
    Control& c = w->controls[static_cast<std::size_t>(i)];
    // Labels and progress bars cannot take the keyboard.
    if (!c.visible || !c.enabled || c.kind == ControlKind::Label || c.kind == ControlKind::Progress)
      continue;
    w->focus = c.id;
    controlChanged(*w, c, Change::Focus);
    return c.id;
  }
  return -1;
}

bool Toolkit::setCheck(Window* w, int id, bool checked) {
  Control* c = findKind(w, id, ControlKind::CheckBox);
  if (!c) return false;
  c->checked = checked;
  controlChanged(*w, *c, Change::Check);
  return true;
}

bool Toolkit::isChecked(Window* w, int id, bool* checked) {
  Control* c = findKind(w, id, ControlKind::CheckBox);
  if (!c || !checked) return false;
  syncFromNative(*w, *c);
  *checked = c->checked;
  return true;
}

bool Toolkit::setSliderRange(Window* w, int id, int minimum, int maximum) {
  Control* c = findKind(w, id, ControlKind::Slider);
  if (!c) return false;
  if (minimum > maximum) std::swap(minimum, maximum);
  c->sliderMin = minimum;
  c->sliderMax = maximum;
  c->sliderPos = std::clamp(c->sliderPos, minimum, maximum);
  controlChanged(*w, *c, Change::Slider);
  return true;
}

bool Toolkit::setSliderPosition(Window* w, int id, int position) {
  Control* c = findKind(w, id, ControlKind::Slider);
  if (!c) return false;
  c->sliderPos = std::clamp(position, c->sliderMin, c->sliderMax);
  controlChanged(*w, *c, Change::Slider);
  return true;
}

bool Toolkit::sliderPosition(Window* w, int id, int* position) {
  Control* c = findKind(w, id, ControlKind::Slider);
  if (!c || !position) return false;
  syncFromNative(*w, *c);
  *position = c->sliderPos;
  return true;
}

bool Toolkit::setProgress(Window* w, int id, int percent) {
  Control* c = findKind(w, id, ControlKind::Progress);
  if (!c) return false;
  c->progress = std::clamp(percent, 0, 100);
  controlChanged(*w, *c, Change::Progress);
  return true;
}

}  // namespace quilve::ui
