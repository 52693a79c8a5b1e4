#include "ui/toolkit/toolkit.h"

#include "output/line_points.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace quilve::ui {

// ---- Canvas -------------------------------------------------------------------

void Canvas::resize(int width, int height, Rgb fillColour) {
  width = std::max(0, width);
  height = std::max(0, height);
  std::vector<std::uint8_t> next(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i + 2 < next.size(); i += 3) {
    next[i] = fillColour.r;
    next[i + 1] = fillColour.g;
    next[i + 2] = fillColour.b;
  }
  // Keep what was drawn where the old and the new size overlap.
  const int cw = std::min(width, width_);
  const int ch = std::min(height, height_);
  for (int y = 0; y < ch; ++y) {
    std::memcpy(&next[(static_cast<std::size_t>(y) * width) * 3],
                &rgb_[(static_cast<std::size_t>(y) * width_) * 3], static_cast<std::size_t>(cw) * 3);
  }
  rgb_ = std::move(next);
  width_ = width;
  height_ = height;
}

Rgb Canvas::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return Rgb{};
  const std::size_t i = (static_cast<std::size_t>(y) * width_ + x) * 3;
  return Rgb{rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

void Canvas::setPixel(int x, int y, Rgb c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  const std::size_t i = (static_cast<std::size_t>(y) * width_ + x) * 3;
  rgb_[i] = c.r;
  rgb_[i + 1] = c.g;
  rgb_[i + 2] = c.b;
}

void Canvas::line(int x0, int y0, int x1, int y1, Rgb c) {
  // Points outside are skipped one by one, which is cheap for short segments.
  forEachLinePoint(x0, y0, x1, y1, [&](int x, int y) { setPixel(x, y, c); });
}

void Canvas::fill(int x, int y, int w, int h, Rgb c) {
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(width_, x + std::max(0, w)), y1 = std::min(height_, y + std::max(0, h));
  if (x0 < x1 && y0 < y1) {
    // The first row pixel by pixel, the others copied from it.
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * 3;
    std::uint8_t* first = &rgb_[(static_cast<std::size_t>(y0) * width_ + x0) * 3];
    for (std::size_t i = 0; i < bytes; i += 3) {
      first[i] = c.r;
      first[i + 1] = c.g;
      first[i + 2] = c.b;
    }
    for (int yy = y0 + 1; yy < y1; ++yy)
      std::memcpy(&rgb_[(static_cast<std::size_t>(yy) * width_ + x0) * 3], first, bytes);
  }
  // A fill paints over the texts anchored inside it.
  removeTexts(x, y, w, h);
}

void Canvas::removeTexts(int x, int y, int w, int h) {
  texts_.erase(std::remove_if(texts_.begin(), texts_.end(),
                              [&](const Text& t) {
                                return t.x >= x && t.x < x + w && t.y >= y && t.y < y + h;
                              }),
               texts_.end());
}

void Canvas::text(int x, int y, const std::string& s, Rgb c) {
  // A text drawn again at the same place replaces the old one, so that a
  // read-out rewritten for every call does not pile up.
  for (Text& t : texts_) {
    if (t.x == x && t.y == y) {
      t.text = s;
      t.colour = c;
      return;
    }
  }
  texts_.push_back(Text{x, y, c, s});
}

namespace {

bool imagePixel(const Image& img, int x, int y, Rgb* out) {
  const int stride = Image::rowBytes(img.width, img.bitsPerPixel);
  const std::uint8_t* row = img.pixels + static_cast<std::size_t>(y) * stride;
  auto fromPalette = [&](int index) {
    if (index >= img.paletteSize) return false;
    *out = img.palette[index];
    return true;
  };
  switch (img.bitsPerPixel) {
    case 1:
      return fromPalette((row[x / 8] >> (7 - x % 8)) & 1);
    case 4:
      return fromPalette((row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0f);
    case 8:
      return fromPalette(row[x]);
    case 15:
    case 16: {
      const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
      if (img.bitsPerPixel == 16) {
        *out = Rgb{static_cast<std::uint8_t>(((v >> 11) & 31) * 255 / 31),
                   static_cast<std::uint8_t>(((v >> 5) & 63) * 255 / 63),
                   static_cast<std::uint8_t>((v & 31) * 255 / 31)};
      } else {
        *out = Rgb{static_cast<std::uint8_t>(((v >> 10) & 31) * 255 / 31),
                   static_cast<std::uint8_t>(((v >> 5) & 31) * 255 / 31),
                   static_cast<std::uint8_t>((v & 31) * 255 / 31)};
      }
      return true;
    }
    case 24:
      *out = Rgb{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
      return true;
    case 32:
      *out = Rgb{row[4 * x + 2], row[4 * x + 1], row[4 * x]};
      return true;
    default:
      return false;
  }
}

}  // namespace

bool Canvas::image(const Image& img, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                   int sh) {
  static const int kBits[] = {1, 4, 8, 15, 16, 24, 32};
  if (!img.pixels || img.width <= 0 || img.height <= 0) return false;
  if (std::find(std::begin(kBits), std::end(kBits), img.bitsPerPixel) == std::end(kBits)) return false;
  if (img.bitsPerPixel <= 8 && (!img.palette || img.paletteSize <= 0)) return false;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
  for (int y = std::max(0, dy); y < std::min(height_, dy + dh); ++y) {
    const long long srcY = sy + static_cast<long long>(y - dy) * sh / dh;
    if (srcY < 0 || srcY >= img.height) continue;
    for (int x = std::max(0, dx); x < std::min(width_, dx + dw); ++x) {
      const long long srcX = sx + static_cast<long long>(x - dx) * sw / dw;
      if (srcX < 0 || srcX >= img.width) continue;
      Rgb c;
      if (imagePixel(img, static_cast<int>(srcX), static_cast<int>(srcY), &c)) setPixel(x, y, c);
    }
  }
  return true;
}

// ---- menu paths and filters ---------------------------------------------------

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

std::string filterExtension(const std::string& filter, int filterIndex) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t semi = filter.find(';', start);
    parts.push_back(filter.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  if (filterIndex < 0) return {};
  // Entries come in description;pattern pairs; a last description without
  // a pattern stands for its own pattern.
  std::size_t at = static_cast<std::size_t>(filterIndex) * 2 + 1;
  if (at >= parts.size()) at -= 1;
  if (at >= parts.size()) return {};
  const std::string& pattern = parts[at];
  const std::size_t dot = pattern.find('.');
  if (dot == std::string::npos) return {};
  std::string ext = pattern.substr(dot);
  // "*.*" or "*.w?v" name no single extension; appending them would make a
  // name nobody asked for.
  if (ext.size() < 2 || ext.find_first_of("*?") != std::string::npos) return {};
  return ext;
}

std::string applyFilterExtension(const std::string& name, const std::string& filter, int filterIndex) {
  const std::size_t sep = name.find_last_of("/\\");
  const std::string base = sep == std::string::npos ? name : name.substr(sep + 1);
  if (base.empty() || base.find('.') != std::string::npos) return name;
  return name + filterExtension(filter, filterIndex);
}

// ---- window record -------------------------------------------------------------

Control* Window::control(int id) {
  for (Control& c : controls)
    if (c.id == id) return &c;
  return nullptr;
}

const Control* Window::control(int id) const {
  for (const Control& c : controls)
    if (c.id == id) return &c;
  return nullptr;
}

// ---- Toolkit: windows --------------------------------------------------------

Toolkit::~Toolkit() = default;

Window* Toolkit::createWindow(EventHandler handler, WindowKind kind, Window* owner) {
  const int k = static_cast<int>(kind);
  if (k < 0 || k > 5) return nullptr;
  auto w = std::make_unique<Window>();
  w->toolkit = this;
  w->kind = kind;
  w->handler = std::move(handler);
  w->owner = owns(owner) ? owner : nullptr;
  w->colour = Rgb{0, 0, 0};
  w->canvas.resize(w->width, w->height, faceColour());
  Window* raw = w.get();
  windows_.push_back(std::move(w));
  windowCreated(*raw);
  return raw;
}

bool Toolkit::show(Window* w) {
  if (!owns(w)) return false;
  w->visible = true;
  windowShown(*w, true);
  return true;
}

bool Toolkit::hide(Window* w) {
  if (!owns(w)) return false;
  w->visible = false;
  windowShown(*w, false);
  return true;
}

bool Toolkit::setTitle(Window* w, const std::string& title) {
  if (!owns(w)) return false;
  w->title = title;
  windowTitleChanged(*w);
  return true;
}

bool Toolkit::setClientSize(Window* w, int width, int height) {
  if (!owns(w) || width < 0 || height < 0) return false;
  w->width = width;
  w->height = height;
  {
    std::unique_lock<std::mutex> lock;
    if (drawingMutex_) lock = std::unique_lock<std::mutex>(*drawingMutex_);
    w->canvas.resize(width, height, faceColour());
  }
  windowGeometryChanged(*w);
  return true;
}

bool Toolkit::setPosition(Window* w, int x, int y) {
  if (!owns(w)) return false;
  w->x = x;
  w->y = y;
  windowGeometryChanged(*w);
  return true;
}

int Toolkit::deliver(Window* w, int ev, EventValues values) {
  if (!owns(w) || !w->handler) return 0;
  return w->handler(*w, ev, values);
}

bool Toolkit::userMoved(Window* w, int left, int top) {
  if (!owns(w)) return true;
  EventValues proposed{left, top, 0, 0};
  if (w->handler) w->handler(*w, event::kMoving, proposed);
  w->x = proposed[0];
  w->y = proposed[1];
  deliver(w, event::kMoveEnd, {w->x, w->y, 0, 0});
  return w->x == left && w->y == top;
}

void Toolkit::userMinimized(Window* w, bool minimized) {
  if (!owns(w) || w->minimized == minimized) return;
  w->minimized = minimized;
  deliver(w, minimized ? event::kMinimized : event::kRestored, {w->width, w->height, 0, 0});
}

void Toolkit::postUserEvent(Window* w, int a, int b) {
  if (!owns(w)) return;
  post([this, w, a, b] { deliver(w, event::kUser, {a, b, 0, 0}); });
}

// ---- Toolkit: controls ---------------------------------------------------------

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

// ---- Toolkit: list boxes ---------------------------------------------------------

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

// ---- Toolkit: menus ----------------------------------------------------------

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

// ---- Toolkit: message boxes and dialogs -----------------------------------------

BoxLook boxLook(MessageKind kind) {
  switch (kind) {
    case MessageKind::Warning:
      return {BoxIcon::Exclamation, BoxBeep::Warning};
    case MessageKind::Question:
      return {BoxIcon::Question, BoxBeep::Question};
    case MessageKind::Information:
      break;
  }
  return {BoxIcon::Information, BoxBeep::Information};
}

bool Toolkit::messageBox(Window* w, MessageKind kind, const std::string& text,
                         const std::string& caption) {
  if (kind == MessageKind::Warning && warningEcho_) warningEcho_(text);
  const std::uint64_t ticket = ++lastTicket_;
  boxQueue_.push_back(QueuedBox{ticket, owns(w) ? w : nullptr, kind, text, caption});
  // A call further out is showing boxes: a note or a warning waits there.
  if (boxRunners_ > 0 && kind != MessageKind::Question) return true;
  ++boxRunners_;
  boxAnswers_[ticket] = std::nullopt;
  for (;;) {
    // The outermost call goes on until the queue is empty; one further in
    // returns to it as soon as its own box has been answered.
    if (boxAnswers_[ticket] && (boxRunners_ > 1 || boxQueue_.empty())) break;
    if (!boxOpen_) {
      const QueuedBox& next = boxQueue_.front();
      openBox(next.owner, next.kind, next.text, next.caption);
      boxOpen_ = true;
    }
    if (const std::optional<bool> closed = boxAnswer()) {
      const QueuedBox done = boxQueue_.front();
      boxQueue_.pop_front();
      boxOpen_ = false;
      auto awaited = boxAnswers_.find(done.ticket);
      if (awaited != boxAnswers_.end())
        awaited->second = done.kind == MessageKind::Question ? *closed : true;
      continue;
    }
    waitForEvents();
  }
  const bool answer = *boxAnswers_[ticket];
  boxAnswers_.erase(ticket);
  --boxRunners_;
  return answer;
}

void Toolkit::information(Window* w, const std::string& text, const std::string& caption) {
  messageBox(w, MessageKind::Information, text, caption.empty() && owns(w) ? w->title : caption);
}

void Toolkit::warning(Window* w, const std::string& text) {
  messageBox(w, MessageKind::Warning, text, "Warning");
}

bool Toolkit::question(Window* w, const std::string& text, const std::string& caption) {
  return messageBox(w, MessageKind::Question, text, caption.empty() && owns(w) ? w->title : caption);
}

std::optional<std::string> Toolkit::openFile(Window* w, const std::string& filter,
                                             const std::string& startDirectory) {
  const std::optional<FileChoice> choice = fileDialog(w, FileDialog::Open, filter, startDirectory);
  if (!choice || choice->paths.empty() || choice->paths.front().empty()) return std::nullopt;
  return choice->paths.front();
}

std::vector<std::string> Toolkit::openFiles(Window* w, const std::string& filter,
                                            const std::string& startDirectory) {
  const std::optional<FileChoice> choice = fileDialog(w, FileDialog::OpenMultiple, filter, startDirectory);
  return choice ? choice->paths : std::vector<std::string>{};
}

std::optional<std::string> Toolkit::saveFile(Window* w, const std::string& filter,
                                             const std::string& startDirectory, bool askOverwrite) {
  const std::optional<FileChoice> choice = fileDialog(
      w, askOverwrite ? FileDialog::SaveAskOverwrite : FileDialog::Save, filter, startDirectory);
  if (!choice || choice->paths.empty() || choice->paths.front().empty()) return std::nullopt;
  const std::string& typed = choice->paths.front();
  const std::string path = applyFilterExtension(typed, filter, choice->filterIndex);
  // The dialog asked about the name as typed; when the extension we added
  // names an existing file, that file would be replaced without a word.
  if (askOverwrite && path != typed) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
      const std::size_t sep = path.find_last_of("/\\");
      const std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
      if (!messageBox(w, MessageKind::Question, name + " already exists.\nDo you want to replace it?",
                      "Confirm Save As"))
        return std::nullopt;
    }
  }
  return path;
}

std::optional<std::string> Toolkit::chooseFolder(Window* w, const std::string& title,
                                                 const std::string& startDirectory) {
  std::optional<std::string> folder = folderDialog(w, title, startDirectory);
  if (folder && folder->empty()) return std::nullopt;
  return folder;
}

// ---- Toolkit: drawing ----------------------------------------------------------

bool Toolkit::setColour(Window* w, Rgb c) {
  if (!owns(w)) return false;
  w->colour = c;
  return true;
}

bool Toolkit::colour(Window* w, Rgb* c) {
  if (!owns(w) || !c) return false;
  *c = w->colour;
  return true;
}

bool Toolkit::setWindowColour(Window* w) { return setColour(w, systemWindowColour()); }

bool Toolkit::drawPixel(Window* w, int x, int y) {
  if (!owns(w)) return false;
  w->canvas.setPixel(x - w->scrollX, y - w->scrollY, w->colour);
  return true;
}

bool Toolkit::drawLine(Window* w, int x0, int y0, int x1, int y1) {
  if (!owns(w)) return false;
  w->canvas.line(x0 - w->scrollX, y0 - w->scrollY, x1 - w->scrollX, y1 - w->scrollY, w->colour);
  return true;
}

bool Toolkit::drawSegments(Window* w, const std::vector<std::array<int, 4>>& segments) {
  if (!owns(w)) return false;
  for (const auto& s : segments) drawLine(w, s[0], s[1], s[2], s[3]);
  return true;
}

bool Toolkit::fillRect(Window* w, int x, int y, int width, int height) {
  if (!owns(w)) return false;
  w->canvas.fill(x - w->scrollX, y - w->scrollY, width, height, w->colour);
  return true;
}

bool Toolkit::drawText(Window* w, int x, int y, const std::string& text) {
  if (!owns(w)) return false;
  w->canvas.text(x - w->scrollX, y - w->scrollY, text, w->colour);
  return true;
}

bool Toolkit::drawImage(Window* w, const Image& img, int dx, int dy, int dw, int dh, int sx, int sy,
                        int sw, int sh) {
  if (!owns(w) || displayBitsPerPixel() <= 8) return false;
  return w->canvas.image(img, dx - w->scrollX, dy - w->scrollY, dw, dh, sx, sy, sw, sh);
}

void Toolkit::invalidate(Window* w) {
  if (!owns(w)) return;
  post([this, w] { canvasChanged(*w); });
}

}  // namespace quilve::ui
