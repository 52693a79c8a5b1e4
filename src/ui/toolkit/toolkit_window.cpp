// Window records: creation, geometry, and the events the backend reports.
#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

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

}  // namespace quilve::ui
