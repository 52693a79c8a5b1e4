#include "ui/toolkit/fltk_toolkit.h"
#include "ui/toolkit/fltk_display.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Multiline_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Slider.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/x.H>

#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <unordered_map>

namespace quilve::ui {

namespace {

constexpr int kMenuBarHeight = 25;
constexpr int kFontSize = 12;

// Widget labels interpret "&" (underline) and "@" (symbols); our texts are
// shown as they are.
std::string literalLabel(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '&' || c == '@') out += c;
    out += c;
  }
  return out;
}

int modifierBits() {
  return (Fl::event_state(FL_SHIFT) ? kShiftBit : 0) | (Fl::event_state(FL_CTRL) ? kControlBit : 0);
}

int mouseBits() {
  return modifierBits() | (Fl::event_state(FL_BUTTON3) ? kRightButtonBit : 0) |
         (Fl::event_state(FL_BUTTON2) ? kMiddleButtonBit : 0);
}

// FLTK key codes to the key codes the windows expect (letters upper case,
// the usual virtual-key numbers for the named keys).
int keyCode(int k) {
  if (k >= 'a' && k <= 'z') return k - 'a' + 'A';
  switch (k) {
    case FL_Enter:
    case FL_KP_Enter: return kKeyEnter;
    case FL_Escape: return kKeyEscape;
    case FL_Tab: return kKeyTab;
    case FL_BackSpace: return 8;
    case FL_Delete: return 46;
    case FL_Insert: return 45;
    case FL_Home: return 36;
    case FL_End: return 35;
    case FL_Page_Up: return 33;
    case FL_Page_Down: return 34;
    case FL_Left: return 37;
    case FL_Up: return 38;
    case FL_Right: return 39;
    case FL_Down: return 40;
    default: break;
  }
  if (k > FL_F && k <= FL_F + 12) return 112 + (k - FL_F - 1);
  return k;
}

bool isModifierKey(int k) {
  return k == FL_Shift_L || k == FL_Shift_R || k == FL_Control_L || k == FL_Control_R;
}

// The room a control's caption or text has inside its widget, as FLTK
// draws it: labels inset 3 pixels on each side and wrap at spaces; check
// boxes put their box (as high as the text) and a gap before the text;
// buttons centre one line inside the frame; edit fields keep a margin
// inside their frame.
struct TextRoom {
  int w = 0, h = 0;
  bool wrap = false;
};

TextRoom textRoom(const Fl_Widget* widget, ControlKind kind, int fontSize) {
  const Fl_Boxtype box = widget->box();
  TextRoom room{widget->w() - Fl::box_dw(box), widget->h() - Fl::box_dh(box), false};
  switch (kind) {
    case ControlKind::Label:
      room.wrap = true;
      break;
    case ControlKind::CheckBox:
      room.w = widget->w() - (Fl::box_dx(box) + 2 + fontSize + 2) - Fl::box_dx(box);
      break;
    case ControlKind::Button:
    case ControlKind::Edit:
    case ControlKind::MultiEdit:
      room.w -= 4;
      break;
    default:
      break;
  }
  return room;
}

// Width and height `text` takes at `fontSize` in a room `wrapWidth` wide
// (0: one line per line break).
void measureText(const std::string& text, int fontSize, int wrapWidth, int* w, int* h) {
  fl_font(FL_HELVETICA, fontSize);
  *w = wrapWidth;
  *h = 0;
  fl_measure(text.c_str(), *w, *h, 0);
}

bool textFits(const std::string& text, int fontSize, const TextRoom& room) {
  if (text.empty()) return true;
  int w = 0, h = 0;
  measureText(text, fontSize, room.wrap ? std::max(1, room.w) : 0, &w, &h);
  return w <= room.w && h <= room.h;
}

// Captions get the toolkit's size when they fit at it, else the largest
// smaller size down to kSmallestFontSize at which they fit.
constexpr int kSmallestFontSize = 9;

int fittingFontSize(const Fl_Widget* widget, ControlKind kind, const std::string& text) {
  for (int size = kFontSize; size > kSmallestFontSize; --size)
    if (textFits(text, size, textRoom(widget, kind, size))) return size;
  return kSmallestFontSize;
}

}  // namespace

// What a widget needs to find its way back to the record.
struct ControlRef {
  FltkToolkit* tk;
  Window* rec;
  int id;
  ControlKind kind;
};

namespace {

// Every control widget: Tab and Shift+Tab cycle the focus over the window's
// controls, Enter and Escape go to the window as key-down events, and edit
// fields and sliders report losing the focus and the release.
template <class W>
class Keyed : public W {
 public:
  Keyed(int x, int y, int w, int h) : W(x, y, w, h) {}
  ControlRef* ref = nullptr;

  int handle(int e) override {
    if (ref && e == FL_KEYBOARD) {
      const int k = Fl::event_key();
      if (k == FL_Tab) {
        ref->rec->focus = ref->id;
        ref->tk->cycleFocus(ref->rec, Fl::event_state(FL_SHIFT) != 0);
        return 1;
      }
      if (k == FL_Enter || k == FL_KP_Enter || k == FL_Escape) {
        ref->tk->deliver(ref->rec, event::kKeyDown, {keyCode(k), modifierBits(), 0, 0});
        return 1;
      }
    }
    if (ref && e == FL_FOCUS) ref->rec->focus = ref->id;
    const int r = W::handle(e);
    if (ref && e == FL_UNFOCUS &&
        (ref->kind == ControlKind::Edit || ref->kind == ControlKind::MultiEdit))
      ref->tk->deliver(ref->rec, event::kEditFocusLost, {ref->id, 0, 0, 0});
    if (ref && e == FL_RELEASE && ref->kind == ControlKind::Slider)
      ref->tk->deliver(ref->rec, event::kSliderReleased, {ref->id, 0, 0, 0});
    return r;
  }
};

// The list box: a hold browser whose entries can be dragged to a new place.
// A press selects (and reports it); dragging shows the insertion mark above
// the entry under the cursor; the release drops there.
class DragBrowser : public Keyed<Fl_Hold_Browser> {
 public:
  DragBrowser(int x, int y, int w, int h) : Keyed<Fl_Hold_Browser>(x, y, w, h) {}

  int handle(int e) override {
    if (!ref) return Keyed<Fl_Hold_Browser>::handle(e);
    switch (e) {
      case FL_PUSH: {
        Keyed<Fl_Hold_Browser>::handle(e);
        pressed_ = -1;
        dragging_ = false;
        if (Fl::event_button() != FL_LEFT_MOUSE) return 1;
        const int sel = value() - 1;
        Control* c = ref->rec->control(ref->id);
        if (c && sel >= 0 && c->list.select(sel)) {
          pressed_ = sel;
          const bool twice = Fl::event_clicks() != 0;
          ControlRef r = *ref;  // the handler may replace this control
          r.tk->deliver(r.rec, event::kListSelection, {r.id, 0, 0, 0});
          if (twice) r.tk->deliver(r.rec, event::kListDoubleClick, {r.id, 0, 0, 0});
        }
        return 1;
      }
      case FL_DRAG:
        if (pressed_ < 0) return 1;
        if (!dragging_) dragging_ = ref->tk->listDragBegin(ref->rec, ref->id, pressed_);
        if (dragging_) ref->tk->listDragOver(ref->rec, ref->id, entryUnderCursor());
        return 1;
      case FL_RELEASE:
        if (dragging_) ref->tk->listDragEnd(ref->rec, ref->id, false);
        dragging_ = false;
        pressed_ = -1;
        return 1;
      case FL_KEYBOARD: {
        const int before = value();
        const int r = Keyed<Fl_Hold_Browser>::handle(e);
        if (value() != before && value() > 0) {
          Control* c = ref->rec->control(ref->id);
          if (c && c->list.select(value() - 1))
            ref->tk->deliver(ref->rec, event::kListSelection, {ref->id, 0, 0, 0});
        }
        return r;
      }
      default:
        return Keyed<Fl_Hold_Browser>::handle(e);
    }
  }

  void draw() override {
    Keyed<Fl_Hold_Browser>::draw();
    if (!ref || ref->rec->dragList != ref->id || ref->rec->insertionMark == Window::kNoMark) return;
    int X, Y, W, H;
    bbox(X, Y, W, H);
    const int line = ref->rec->insertionMark == -1 ? size() : ref->rec->insertionMark;
    const int y = Y + line * lineHeight() - position();
    if (y < Y || y > Y + H) return;
    fl_color(FL_FOREGROUND_COLOR);
    fl_xyline(X, y, X + W - 1);
  }

 private:
  int lineHeight() const { return size() > 0 ? item_height(find_line(1)) : kFontSize + 2; }

  // Index of the entry under the cursor, size() below the last entry,
  // -1 off the list.
  int entryUnderCursor() {
    int X, Y, W, H;
    bbox(X, Y, W, H);
    const int ex = Fl::event_x(), ey = Fl::event_y();
    if (ex < X || ex >= X + W || ey < Y || ey >= Y + H) return -1;
    const int lh = lineHeight();
    const int line = lh > 0 ? (ey - Y + position()) / lh : 0;
    return std::min(line, size());
  }

  int pressed_ = -1;
  bool dragging_ = false;
};

// A label: its text from the box's left edge, as a static text control
// shows it (FLTK's own labels keep 3 pixels free on either side).
class Caption : public Fl_Box {
 public:
  Caption(int x, int y, int w, int h) : Fl_Box(x, y, w, h) {}
  void draw() override {
    draw_box();
    draw_label(x(), y(), w(), h());
  }
};

}  // namespace

// ---- native windows --------------------------------------------------------

struct NativeWindow;

class XsFlWindow : public Fl_Double_Window {
 public:
  XsFlWindow(NativeWindow* n, int x, int y, int w, int h) : Fl_Double_Window(x, y, w, h), nat(n) {}
  int handle(int e) override;
  void draw() override;
  void resize(int X, int Y, int W, int H) override;
  NativeWindow* nat;
  bool syncing = false;
  bool pushed = false;
};

struct NativeWindow {
  FltkToolkit* tk = nullptr;
  Window* rec = nullptr;
  XsFlWindow* win = nullptr;
  Fl_Menu_Bar* bar = nullptr;
  int menuH = 0;
  std::map<int, Fl_Widget*> widgets;
  std::map<int, std::unique_ptr<ControlRef>> refs;
  // Two generations of the menu array: FLTK may still hold the previous
  // one while a pick is being finished.
  std::vector<Fl_Menu_Item> items[2];
  std::deque<std::string> labels[2];
  int generation = 0;
  std::vector<std::unique_ptr<ControlRef>> retired;

  ~NativeWindow() {
    Fl::remove_timeout(hoverCallback, this);
    delete win;
  }

  void deliverMouse(int ev) {
    tk->deliver(rec, ev,
                {Fl::event_x() + rec->scrollX, Fl::event_y() - menuH + rec->scrollY, mouseBits(), 0});
  }

  // The mouse at rest over the client area for the hover time: told once,
  // until it moves again.
  static constexpr double kHoverSeconds = 0.5;
  EventValues hoverAt{};
  void mouseMoved() {
    hoverAt = {Fl::event_x() + rec->scrollX, Fl::event_y() - menuH + rec->scrollY, mouseBits(), 0};
    Fl::remove_timeout(hoverCallback, this);
    if (Fl::event_y() >= menuH) Fl::add_timeout(kHoverSeconds, hoverCallback, this);
  }
  void hoverEnds() { Fl::remove_timeout(hoverCallback, this); }
  static void hoverCallback(void* data) {
    auto* nat = static_cast<NativeWindow*>(data);
    nat->tk->deliver(nat->rec, event::kMouseHover, nat->hoverAt);
  }
  void place(Control& c) {
    auto it = widgets.find(c.id);
    if (it == widgets.end()) return;
    it->second->resize(c.x - rec->scrollX, c.y + menuH - rec->scrollY, c.w, c.h);
    win->redraw();
  }
};

int XsFlWindow::handle(int e) {
  Window* rec = nat->rec;
  switch (e) {
    case FL_PUSH: {
      nat->hoverEnds();
      if (Fl_Double_Window::handle(e)) return 1;  // a control took it
      pushed = true;
      if (Fl::event_button() == FL_LEFT_MOUSE)
        nat->deliverMouse(Fl::event_clicks() ? event::kDoubleClick : event::kLeftDown);
      return 1;
    }
    case FL_DRAG:
      if (!pushed) return Fl_Double_Window::handle(e);
      if (Fl::event_state(FL_BUTTON1)) nat->deliverMouse(event::kDrag);
      return 1;
    case FL_RELEASE:
      if (!pushed) return Fl_Double_Window::handle(e);
      pushed = false;
      if (Fl::event_button() == FL_LEFT_MOUSE) nat->deliverMouse(event::kLeftUp);
      if (Fl::event_button() == FL_RIGHT_MOUSE) nat->deliverMouse(event::kRightUp);
      return 1;
    case FL_ENTER:
      Fl_Double_Window::handle(e);
      return 1;
    case FL_MOVE:
      Fl_Double_Window::handle(e);
      nat->deliverMouse(event::kMouseMove);
      nat->mouseMoved();
      return 1;
    case FL_LEAVE:
      Fl_Double_Window::handle(e);
      nat->hoverEnds();
      nat->deliverMouse(event::kMouseLeave);
      return 1;
    case FL_HIDE:
    case FL_SHOW: {
      // Unmapped while still meant to be visible: the window manager
      // minimized it; mapped again: restored.
      const int handled = Fl_Double_Window::handle(e);
      if (e == FL_HIDE) nat->hoverEnds();
      if (visible() && shown() && Toolkit::canMinimize(*rec))
        nat->tk->userMinimized(rec, e == FL_HIDE);
      return handled;
    }
    case FL_KEYBOARD:
    case FL_KEYUP: {
      if (Fl_Double_Window::handle(e)) return 1;
      const int k = Fl::event_key();
      if (isModifierKey(k) || k == FL_Escape) return 0;  // Escape: see the close callback
      nat->tk->deliver(rec, e == FL_KEYBOARD ? event::kKeyDown : event::kKeyUp,
                       {keyCode(k), modifierBits(), 0, 0});
      return 1;
    }
    default:
      return Fl_Double_Window::handle(e);
  }
}

void XsFlWindow::draw() {
  Window* rec = nat->rec;
  if (damage() & ~FL_DAMAGE_CHILD) {
    nat->tk->deliver(rec, event::kPaint,
                     {rec->scrollX, rec->scrollY, rec->scrollX + rec->width, rec->scrollY + rec->height});
    fl_rectf(0, 0, w(), h(), color());
    {
      std::unique_lock<std::mutex> lock;
      if (std::mutex* m = nat->tk->drawingMutex()) lock = std::unique_lock<std::mutex>(*m);
      const Canvas& cv = rec->canvas;
      if (cv.width() > 0 && cv.height() > 0)
        fl_draw_image(cv.rgb().data(), 0, nat->menuH, cv.width(), cv.height(), 3, 0);
      fl_font(FL_HELVETICA, kFontSize);
      for (const Canvas::Text& t : cv.texts()) {
        fl_color(fl_rgb_color(t.colour.r, t.colour.g, t.colour.b));
        fl_draw(t.text.c_str(), t.x, t.y + nat->menuH + fl_height() - fl_descent());
      }
    }
  }
  draw_children();
}

void XsFlWindow::resize(int X, int Y, int W, int H) {
  const bool sized = W != w() || H != h();
  const bool moved = X != x() || Y != y();
  Fl_Double_Window::resize(X, Y, W, H);
  if (nat->bar) nat->bar->resize(0, 0, W, kMenuBarHeight);
  if (syncing) return;
  Window* rec = nat->rec;
  if (sized) {
    rec->width = W;
    rec->height = std::max(0, H - nat->menuH);
    {
      std::unique_lock<std::mutex> lock;
      if (std::mutex* m = nat->tk->drawingMutex()) lock = std::unique_lock<std::mutex>(*m);
      rec->canvas.resize(rec->width, rec->height, nat->tk->faceColour());
    }
    nat->tk->deliver(rec, event::kSizeEnd, {rec->width, rec->height, 0, 0});
  }
  // The handler may hold the window elsewhere.
  if (moved && !nat->tk->userMoved(rec, X, Y)) {
    syncing = true;
    position(rec->x, rec->y);
    syncing = false;
  }
}

// ---- the toolkit ---------------------------------------------------------------

struct FltkToolkit::Impl {
  FltkToolkit* tk = nullptr;
  std::unordered_map<Window*, std::unique_ptr<NativeWindow>> natives;
  std::mutex postMutex;
  std::deque<std::function<void()>> posts;
  // Set by quit(), cleared by the loop it ends: requests that come while
  // the loop is still ending count as one.
  std::atomic<bool> quitRequested{false};
  // The message box open now and the test's answerer.
  std::unique_ptr<Fl_Double_Window> box;
  std::function<bool(const std::string&, const std::string&)> answerBoxes;

  NativeWindow* native(Window& w) {
    auto it = natives.find(&w);
    return it == natives.end() ? nullptr : it->second.get();
  }

  void drain() {
    for (;;) {
      std::function<void()> call;
      {
        std::lock_guard<std::mutex> lock(postMutex);
        if (posts.empty()) return;
        call = std::move(posts.front());
        posts.pop_front();
      }
      call();
    }
  }

  static void drainCallback(void* data) { static_cast<Impl*>(data)->drain(); }

  bool takeQuit() { return quitRequested.exchange(false); }

  void loopUntilQuit() {
    while (!takeQuit()) {
      Fl::wait(0.5);
      drain();
    }
  }
};

bool FltkToolkit::openDisplay() { return openFltkDisplay(); }

FltkToolkit::FltkToolkit() : impl_(std::make_unique<Impl>()) {
  impl_->tk = this;
  // Enables Fl::awake() with callbacks from the worker threads.
  Fl::lock();
}

FltkToolkit::~FltkToolkit() {
  // Each post() leaves FLTK a wake-up naming this toolkit, which waits there
  // until a loop reads it. The calls not run yet are dropped and the
  // wake-ups read now, so that none reaches the toolkit once it is gone.
  {
    std::lock_guard<std::mutex> lock(impl_->postMutex);
    impl_->posts.clear();
  }
  impl_->natives.clear();
  if (fl_display) Fl::check();
}

void FltkToolkit::runLoop() { impl_->loopUntilQuit(); }

void FltkToolkit::dispatchPending() {
  Fl::check();
  impl_->drain();
}

void FltkToolkit::runModal(Window* w) {
  if (!owns(w)) return;
  NativeWindow* nat = impl_->native(*w);
  if (!nat) return;
  if (nat->win->shown()) nat->win->hide();
  nat->win->set_modal();
  show(w);
  impl_->loopUntilQuit();
  hide(w);
  nat->win->clear_modal_states();
}

void FltkToolkit::showBlocking(Window* w, bool shown) {
  NativeWindow* nat = owns(w) ? impl_->native(*w) : nullptr;
  if (!nat) return;
  if (shown) {
    if (nat->win->shown()) nat->win->hide();
    nat->win->set_modal();
    show(w);
    Fl::flush();
  } else {
    hide(w);
    nat->win->clear_modal_states();
  }
}

void FltkToolkit::quit() {
  impl_->quitRequested = true;
  Fl::awake();
}

void FltkToolkit::post(std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(impl_->postMutex);
    impl_->posts.push_back(std::move(call));
  }
  // When FLTK's wake-up ring is full the call still waits in our queue; the
  // loop drains it after its next wake-up.
  if (Fl::awake(&Impl::drainCallback, impl_.get()) != 0) Fl::awake();
}

namespace {
Rgb flColour(Fl_Color index) {
  const unsigned c = Fl::get_color(index);
  return Rgb{static_cast<std::uint8_t>(c >> 24), static_cast<std::uint8_t>(c >> 16),
             static_cast<std::uint8_t>(c >> 8)};
}
}  // namespace

Rgb FltkToolkit::systemWindowColour() const { return flColour(FL_BACKGROUND2_COLOR); }

Rgb FltkToolkit::faceColour() const { return flColour(FL_BACKGROUND_COLOR); }

int FltkToolkit::displayBitsPerPixel() const { return fltkDisplayDepth(); }

namespace {

void closeCallback(Fl_Widget* widget, void*) {
  auto* win = static_cast<XsFlWindow*>(widget);
  NativeWindow* nat = win->nat;
  // FLTK closes a window on Escape; here Escape is a key like the others.
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
    nat->tk->deliver(nat->rec, event::kKeyDown, {kKeyEscape, modifierBits(), 0, 0});
    return;
  }
  nat->tk->deliver(nat->rec, event::kClose);
}

}  // namespace

void FltkToolkit::windowCreated(Window& w) {
  auto nat = std::make_unique<NativeWindow>();
  nat->tk = this;
  nat->rec = &w;
  Fl_Group* saved = Fl_Group::current();
  Fl_Group::current(nullptr);
  nat->win = new XsFlWindow(nat.get(), w.x, w.y, w.width, w.height);
  nat->win->end();
  nat->win->callback(closeCallback);
  nat->win->xclass("quilve");
  switch (w.kind) {
    case WindowKind::Plain:
      nat->win->clear_border();
      nat->win->resizable(nullptr);
      break;
    case WindowKind::Tool:
    case WindowKind::Main:
      nat->win->resizable(nullptr);
      break;
    default: {
      // A one-pixel box in the far corner takes the growth, so the controls
      // keep their absolute places when the frame is dragged.
      nat->win->begin();
      auto* corner = new Fl_Box(w.width - 1, w.height - 1, 1, 1);
      nat->win->end();
      nat->win->resizable(corner);
      nat->win->size_range(1, 1);
      break;
    }
  }
  Fl_Group::current(saved);
  impl_->natives[&w] = std::move(nat);
}

void FltkToolkit::windowShown(Window& w, bool visible) {
  NativeWindow* nat = impl_->native(w);
  if (!nat) return;
  Fl::pushed(nullptr);
  if (visible) {
    nat->win->show();
  } else {
    nat->win->hide();
  }
}

void FltkToolkit::windowTitleChanged(Window& w) {
  if (NativeWindow* nat = impl_->native(w)) nat->win->copy_label(w.title.c_str());
}

void FltkToolkit::windowGeometryChanged(Window& w) {
  NativeWindow* nat = impl_->native(w);
  if (!nat) return;
  nat->win->syncing = true;
  nat->win->resize(w.x, w.y, w.width, w.height + nat->menuH);
  nat->win->syncing = false;
  nat->win->redraw();
}

namespace {

template <class W>
W* makeKeyed(ControlRef* ref) {
  auto* widget = new Keyed<W>(0, 0, 100, 20);
  widget->ref = ref;
  return widget;
}

void widgetCallback(Fl_Widget* widget, void* data) {
  auto* ref = static_cast<ControlRef*>(data);
  Control* c = ref->rec->control(ref->id);
  if (!c) return;
  const ControlRef r = *ref;  // the handler may replace this control
  switch (r.kind) {
    case ControlKind::Button:
      r.tk->deliver(r.rec, event::kButton, {r.id, 0, 0, 0});
      break;
    case ControlKind::CheckBox:
      c->checked = static_cast<Fl_Check_Button*>(widget)->value() != 0;
      r.tk->deliver(r.rec, event::kButton, {r.id, 0, 0, 0});
      break;
    case ControlKind::Edit:
    case ControlKind::MultiEdit:
      c->text = static_cast<Fl_Input_*>(widget)->value();
      r.tk->deliver(r.rec, event::kEditChanged, {r.id, 0, 0, 0});
      break;
    case ControlKind::Slider:
      c->sliderPos = static_cast<int>(static_cast<Fl_Slider*>(widget)->value());
      r.tk->deliver(r.rec, event::kSliderMoved, {r.id, c->sliderPos, 0, 0});
      break;
    case ControlKind::ComboBox: {
      const int v = static_cast<Fl_Choice*>(widget)->value();
      if (v >= 0 && c->list.select(v)) r.tk->deliver(r.rec, event::kListSelection, {r.id, 0, 0, 0});
      break;
    }
    default:
      break;
  }
}

// Captions of labels, buttons and check boxes are drawn at the largest
// size at which they fit their box.
// Edit fields the same for the text written into them.
void fitCaption(Fl_Widget* widget, const Control& c) {
  if (c.kind == ControlKind::Edit) {
    auto* input = static_cast<Fl_Input_*>(widget);
    const int size = fittingFontSize(widget, c.kind, c.text);
    if (size == input->textsize()) return;
    input->textsize(size);
    input->redraw();
    return;
  }
  if (c.kind != ControlKind::Label && c.kind != ControlKind::Button &&
      c.kind != ControlKind::CheckBox)
    return;
  const int size = fittingFontSize(widget, c.kind, c.text);
  if (size == widget->labelsize()) return;
  widget->labelsize(size);
  widget->redraw();
}

void syncBrowser(Fl_Hold_Browser* b, const FileList& list) {
  bool same = b->size() == list.size();
  for (int i = 0; same && i < list.size(); ++i) {
    const char* t = b->text(i + 1);
    same = t && list.at(i).name == t;
  }
  if (!same) {
    b->clear();
    for (const FileEntry& e : list.entries()) b->add(e.name.c_str());
  }
  if (list.selection() >= 0) {
    b->select(list.selection() + 1);
  } else {
    b->deselect();
  }
  b->redraw();
}

void syncChoice(Fl_Choice* ch, const FileList& list) {
  ch->clear();
  for (const FileEntry& e : list.entries()) {
    const int i = ch->add("x");
    ch->replace(i, literalLabel(e.name).c_str());
  }
  ch->value(list.selection());
  ch->redraw();
}

}  // namespace

void FltkToolkit::controlCreated(Window& w, Control& c) {
  NativeWindow* nat = impl_->native(w);
  if (!nat) return;
  auto ref = std::make_unique<ControlRef>(ControlRef{this, &w, c.id, c.kind});
  Fl_Widget* widget = nullptr;
  Fl_Group* saved = Fl_Group::current();
  Fl_Group::current(nullptr);
  switch (c.kind) {
    case ControlKind::Label: {
      auto* box = new Caption(0, 0, 100, 20);
      box->box(FL_NO_BOX);
      box->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | FL_ALIGN_CLIP);
      widget = box;
      break;
    }
    case ControlKind::Button:
      widget = makeKeyed<Fl_Button>(ref.get());
      break;
    case ControlKind::CheckBox:
      widget = makeKeyed<Fl_Check_Button>(ref.get());
      break;
    case ControlKind::ComboBox:
      widget = makeKeyed<Fl_Choice>(ref.get());
      break;
    case ControlKind::Edit: {
      auto* input = makeKeyed<Fl_Input>(ref.get());
      input->when(FL_WHEN_CHANGED);
      widget = input;
      break;
    }
    case ControlKind::MultiEdit: {
      auto* input = makeKeyed<Fl_Multiline_Input>(ref.get());
      input->when(FL_WHEN_CHANGED);
      input->wrap(1);
      widget = input;
      break;
    }
    case ControlKind::Slider: {
      auto* slider = makeKeyed<Fl_Slider>(ref.get());
      slider->type(FL_HOR_NICE_SLIDER);
      slider->step(1);
      slider->bounds(c.sliderMin, c.sliderMax);
      slider->when(FL_WHEN_CHANGED);
      widget = slider;
      break;
    }
    case ControlKind::Progress: {
      auto* bar = new Fl_Progress(0, 0, 100, 20);
      bar->minimum(0);
      bar->maximum(100);
      bar->selection_color(FL_BLUE);
      widget = bar;
      break;
    }
    case ControlKind::ListBox: {
      auto* list = new DragBrowser(0, 0, 100, 20);
      list->ref = ref.get();
      list->format_char(0);  // names starting with '@' are shown as they are
      list->has_scrollbar(Fl_Browser_::BOTH);
      list->when(FL_WHEN_NEVER);
      widget = list;
      break;
    }
  }
  Fl_Group::current(saved);
  widget->labelsize(kFontSize);
  if (auto* input = dynamic_cast<Fl_Input_*>(widget)) input->textsize(kFontSize);
  if (c.kind != ControlKind::Label && c.kind != ControlKind::Progress) {
    widget->callback(widgetCallback, ref.get());
  }
  widget->hide();
  nat->win->add(widget);
  nat->widgets[c.id] = widget;
  nat->refs[c.id] = std::move(ref);
  nat->place(c);
}

void FltkToolkit::controlDestroyed(Window& w, int id) {
  NativeWindow* nat = impl_->native(w);
  if (!nat) return;
  auto it = nat->widgets.find(id);
  if (it == nat->widgets.end()) return;
  nat->win->remove(it->second);
  // Deleted once the current event is over: the widget may be the one
  // whose callback is running.
  Fl::delete_widget(it->second);
  nat->widgets.erase(it);
  // The reference outlives the widget for the same reason; it is dropped
  // with the window.
  nat->retired.push_back(std::move(nat->refs[id]));
  nat->refs.erase(id);
  nat->win->redraw();
}

void FltkToolkit::controlChanged(Window& w, Control& c, Change what) {
  NativeWindow* nat = impl_->native(w);
  if (!nat) return;
  auto it = nat->widgets.find(c.id);
  if (it == nat->widgets.end()) return;
  Fl_Widget* widget = it->second;
  switch (what) {
    case Change::Geometry:
      nat->place(c);
      fitCaption(widget, c);
      break;
    case Change::Visibility:
      c.visible ? widget->show() : widget->hide();
      break;
    case Change::Enabled:
      c.enabled ? widget->activate() : widget->deactivate();
      break;
    case Change::Text:
      switch (c.kind) {
        case ControlKind::Label:
        case ControlKind::Button:
        case ControlKind::CheckBox:
          widget->copy_label(literalLabel(c.text).c_str());
          fitCaption(widget, c);
          break;
        case ControlKind::Edit:
        case ControlKind::MultiEdit:
          static_cast<Fl_Input_*>(widget)->value(c.text.c_str());
          fitCaption(widget, c);
          break;
        default:
          break;
      }
      widget->redraw();
      nat->win->redraw();  // labels without a box leave their old text behind
      break;
    case Change::Check:
      static_cast<Fl_Check_Button*>(widget)->value(c.checked ? 1 : 0);
      break;
    case Change::Slider: {
      auto* slider = static_cast<Fl_Slider*>(widget);
      slider->bounds(c.sliderMin, c.sliderMax);
      slider->value(c.sliderPos);
      break;
    }
    case Change::Progress:
      static_cast<Fl_Progress*>(widget)->value(static_cast<float>(c.progress));
      break;
    case Change::List:
      if (c.kind == ControlKind::ListBox) syncBrowser(static_cast<Fl_Hold_Browser*>(widget), c.list);
      if (c.kind == ControlKind::ComboBox) syncChoice(static_cast<Fl_Choice*>(widget), c.list);
      break;
    case Change::Focus:
      widget->take_focus();
      if (c.kind == ControlKind::Edit || c.kind == ControlKind::MultiEdit) {
        auto* input = static_cast<Fl_Input_*>(widget);
        input->position(input->size(), 0);  // select all
      }
      break;
  }
}

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

void FltkToolkit::canvasChanged(Window& w) {
  if (NativeWindow* nat = impl_->native(w)) nat->win->redraw();
}

void FltkToolkit::syncFromNative(Window& w, Control& c) {
  NativeWindow* nat = impl_->native(w);
  if (!nat) return;
  auto it = nat->widgets.find(c.id);
  if (it == nat->widgets.end()) return;
  switch (c.kind) {
    case ControlKind::Edit:
    case ControlKind::MultiEdit:
      c.text = static_cast<Fl_Input_*>(it->second)->value();
      break;
    case ControlKind::CheckBox:
      c.checked = static_cast<Fl_Check_Button*>(it->second)->value() != 0;
      break;
    case ControlKind::Slider:
      c.sliderPos = static_cast<int>(static_cast<Fl_Slider*>(it->second)->value());
      break;
    default:
      break;
  }
}

namespace {

// A message box: the icon of its kind, the text, and "OK" or "No" and "Yes"
// (Enter answers with the right-hand button, Escape and the close box with
// the left-hand one). Centred over the owner's window when that is shown,
// else on the screen.
class MessageDialog : public Fl_Double_Window {
 public:
  MessageDialog(MessageKind kind, const std::string& text, const std::string& caption,
                Fl_Window* owner)
      : Fl_Double_Window(0, 0, 100, 100), kind_(kind), text_(text), caption_(caption) {
    constexpr int kMargin = 16, kButtonW = 80, kButtonH = 25, kMaxTextW = 560, kIcon = 48;
    fl_font(FL_HELVETICA, kFontSize);
    int tw = kMaxTextW, th = 0;
    fl_measure(text_.c_str(), tw, th, 0);
    // A little room: a box exactly as wide as its text wraps it.
    tw = std::max(tw + 12, 2 * kButtonW + 8 - kIcon - kMargin);
    const int width = kIcon + tw + 3 * kMargin;
    const int height = std::max(th, kIcon) + 3 * kMargin + kButtonH;
    size(width, height);
    label(caption_.c_str());
    auto* icon = new Fl_Box(kMargin, kMargin, kIcon, kIcon);
    icon->box(FL_THIN_UP_BOX);
    icon->labelfont(FL_TIMES_BOLD);
    icon->labelsize(34);
    icon->color(FL_WHITE);
    switch (boxLook(kind_).icon) {
      case BoxIcon::Information:
        icon->label("i");
        icon->labelcolor(FL_BLUE);
        break;
      case BoxIcon::Exclamation:
        icon->label("!");
        icon->color(FL_YELLOW);
        icon->labelcolor(FL_BLACK);
        break;
      case BoxIcon::Question:
        icon->label("?");
        icon->labelcolor(FL_BLUE);
        break;
    }
    auto* message = new Fl_Box(kIcon + 2 * kMargin, kMargin, tw, th);
    message->copy_label(literalLabel(text_).c_str());
    message->labelsize(kFontSize);
    message->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    const int by = height - kMargin - kButtonH;
    if (kind_ == MessageKind::Question) {
      no_ = new Fl_Button(width - kMargin - 2 * kButtonW - 8, by, kButtonW, kButtonH, "No");
      yes_ = new Fl_Return_Button(width - kMargin - kButtonW, by, kButtonW, kButtonH, "Yes");
    } else {
      yes_ = new Fl_Return_Button(width - kMargin - kButtonW, by, kButtonW, kButtonH, "OK");
    }
    for (Fl_Button* b : {no_, yes_}) {
      if (!b) continue;
      b->labelsize(kFontSize);
      b->callback(buttonCallback, this);
    }
    end();
    set_modal();
    callback(closeCallback, this);
    int left = (Fl::w() - width) / 2, top = (Fl::h() - height) / 2;
    if (owner && owner->shown()) {
      left = owner->x() + (owner->w() - width) / 2;
      top = owner->y() + (owner->h() - height) / 2;
    }
    position(std::clamp(left, 0, std::max(0, Fl::w() - width)),
             std::clamp(top, 0, std::max(0, Fl::h() - height)));
  }

  std::optional<bool> answer() const { return answer_; }
  void give(bool yes) {
    if (answer_) return;
    answer_ = yes;
    hide();
  }
  const std::string& text() const { return text_; }
  const std::string& caption() const { return caption_; }

 private:
  static void buttonCallback(Fl_Widget* b, void* data) {
    auto* d = static_cast<MessageDialog*>(data);
    d->give(b == d->yes_);
  }
  static void closeCallback(Fl_Widget*, void* data) {
    auto* d = static_cast<MessageDialog*>(data);
    d->give(d->kind_ != MessageKind::Question);
  }

  MessageKind kind_;
  std::string text_, caption_;
  Fl_Button* no_ = nullptr;
  Fl_Button* yes_ = nullptr;
  std::optional<bool> answer_;
};

}  // namespace

int fltkBeep(BoxBeep beep) {
  switch (beep) {
    case BoxBeep::Warning:
      return FL_BEEP_ERROR;  // as FLTK's own alert box
    case BoxBeep::Question:
      return FL_BEEP_QUESTION;
    case BoxBeep::Information:
      break;
  }
  return FL_BEEP_MESSAGE;
}

void FltkToolkit::openBox(Window* w, MessageKind kind, const std::string& text,
                          const std::string& caption) {
  Fl::pushed(nullptr);
  Fl_Group* saved = Fl_Group::current();
  Fl_Group::current(nullptr);
  NativeWindow* owner = owns(w) ? impl_->native(*w) : nullptr;
  impl_->box = std::make_unique<MessageDialog>(kind, text, caption, owner ? owner->win : nullptr);
  Fl_Group::current(saved);
  impl_->box->show();
  fl_beep(fltkBeep(boxLook(kind).beep));
}

std::array<int, 4> FltkToolkit::boxFrame() const {
  Fl_Window* box = impl_->box.get();
  if (!box || !box->shown()) return {0, 0, 0, 0};
  return {box->x(), box->y(), box->w(), box->h()};
}

std::optional<bool> FltkToolkit::boxAnswer() {
  auto* box = static_cast<MessageDialog*>(impl_->box.get());
  if (!box) return false;
  const std::optional<bool> answer = box->answer();
  if (answer) {
    box->hide();
    Fl::delete_widget(impl_->box.release());
  }
  return answer;
}

void FltkToolkit::waitForEvents() {
  Fl::wait(0.05);
  impl_->drain();
  auto* box = static_cast<MessageDialog*>(impl_->box.get());
  if (box && !box->answer() && impl_->answerBoxes && box->shown())
    box->give(impl_->answerBoxes(box->caption(), box->text()));
}

void FltkToolkit::answerBoxesWith(std::function<bool(const std::string&, const std::string&)> answer) {
  impl_->answerBoxes = std::move(answer);
}

std::string fltkFilterPattern(const std::string& pattern) {
  std::vector<std::string> alternatives;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = pattern.find(',', start);
    std::string alt = pattern.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    std::string matched;
    for (char c : alt) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (std::isalpha(u)) {
        matched += '[';
        matched += static_cast<char>(std::tolower(u));
        matched += static_cast<char>(std::toupper(u));
        matched += ']';
      } else {
        matched += c;
      }
    }
    if (!alt.empty()) alternatives.push_back(matched);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (alternatives.size() == 1) return alternatives.front();
  std::string out = "{";
  for (std::size_t i = 0; i < alternatives.size(); ++i) out += (i ? "," : "") + alternatives[i];
  return out + "}";
}

std::optional<FileChoice> FltkToolkit::fileDialog(Window*, FileDialog type, const std::string& filter,
                                                  const std::string& startDirectory) {
  Fl_Native_File_Chooser chooser;
  switch (type) {
    case FileDialog::Open: chooser.type(Fl_Native_File_Chooser::BROWSE_FILE); break;
    case FileDialog::OpenMultiple: chooser.type(Fl_Native_File_Chooser::BROWSE_MULTI_FILE); break;
    default: chooser.type(Fl_Native_File_Chooser::BROWSE_SAVE_FILE); break;
  }
  chooser.options(type == FileDialog::SaveAskOverwrite ? Fl_Native_File_Chooser::SAVEAS_CONFIRM
                                                       : Fl_Native_File_Chooser::NO_OPTIONS);
  // description;pattern pairs become FLTK's "description\tpattern" lines.
  std::string fltkFilter;
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t semi = filter.find(';', start);
    parts.push_back(filter.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    const std::string& description = parts[i];
    const std::string& pattern = i + 1 < parts.size() ? parts[i + 1] : parts[i];
    if (pattern.empty()) continue;
    if (!fltkFilter.empty()) fltkFilter += '\n';
    const std::string matched = fltkFilterPattern(pattern);
    fltkFilter += description.empty() ? matched : description + '\t' + matched;
  }
  if (!fltkFilter.empty()) chooser.filter(fltkFilter.c_str());
  if (!startDirectory.empty()) chooser.directory(startDirectory.c_str());
  Fl::pushed(nullptr);
  if (chooser.show() != 0) return std::nullopt;
  FileChoice choice;
  for (int i = 0; i < chooser.count(); ++i) {
    if (const char* name = chooser.filename(i)) choice.paths.emplace_back(name);
  }
  choice.filterIndex = std::max(0, chooser.filter_value());
  if (choice.paths.empty()) return std::nullopt;
  return choice;
}

std::optional<std::string> FltkToolkit::folderDialog(Window*, const std::string& title,
                                                     const std::string& startDirectory) {
  Fl::pushed(nullptr);
  const char* chosen = fl_dir_chooser(title.c_str(), startDirectory.empty() ? nullptr : startDirectory.c_str(), 0);
  if (!chosen) return std::nullopt;
  return std::string(chosen);
}

}  // namespace quilve::ui

namespace quilve::ui {

namespace {

bool writeScreenshot(Fl_Window* win, const std::string& bmpPath) {
  if (!win || !win->shown()) return false;
  Fl::flush();
  win->make_current();
  const int width = win->w();
  const int height = win->h();
  std::unique_ptr<uchar[]> rgb(fl_read_image(nullptr, 0, 0, width, height));
  if (!rgb) return false;
  const int row = Image::rowBytes(width, 24);
  std::vector<std::uint8_t> file(54 + static_cast<std::size_t>(row) * height, 0);
  auto put32 = [&file](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<std::uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  file[26] = 1;
  file[28] = 24;
  put32(34, static_cast<std::uint32_t>(row) * height);
  // Rows bottom-up, pixels blue, green, red.
  for (int y = 0; y < height; ++y) {
    const uchar* src = rgb.get() + static_cast<std::size_t>(y) * width * 3;
    std::uint8_t* dst = file.data() + 54 + static_cast<std::size_t>(height - 1 - y) * row;
    for (int x = 0; x < width; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  std::ofstream out(bmpPath, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

}  // namespace

bool FltkToolkit::screenshot(Window* w, const std::string& bmpPath) {
  NativeWindow* nat = owns(w) ? impl_->native(*w) : nullptr;
  return nat && writeScreenshot(nat->win, bmpPath);
}

bool FltkToolkit::screenshotBox(const std::string& bmpPath) {
  return writeScreenshot(impl_->box.get(), bmpPath);
}

}  // namespace quilve::ui

namespace quilve::ui {

std::vector<std::string> FltkToolkit::textsNotFitting(Window* w) {
  std::vector<std::string> out;
  NativeWindow* nat = owns(w) ? impl_->native(*w) : nullptr;
  if (!nat) return out;
  const std::string where = "'" + w->title + "': ";
  auto describe = [&](const std::string& text, int size, int needW, int needH, int haveW, int haveH) {
    out.push_back(where + "\"" + text + "\" at " + std::to_string(size) + " px needs " +
                  std::to_string(needW) + " x " + std::to_string(needH) + ", has " +
                  std::to_string(haveW) + " x " + std::to_string(haveH));
  };
  for (Control& c : w->controls) {
    auto it = nat->widgets.find(c.id);
    if (!c.visible || it == nat->widgets.end()) continue;
    Fl_Widget* widget = it->second;
    syncFromNative(*w, c);
    if (c.x < 0 || c.y < 0 || c.x + c.w > w->width || c.y + c.h > w->height)
      out.push_back(where + "control " + std::to_string(c.id) + " \"" + c.text +
                    "\" reaches past the window");
    int size = 0;
    switch (c.kind) {
      case ControlKind::Label:
      case ControlKind::Button:
      case ControlKind::CheckBox:
        size = widget->labelsize();
        break;
      case ControlKind::Edit:
        size = static_cast<Fl_Input_*>(widget)->textsize();
        break;
      default:
        continue;
    }
    if (c.text.empty()) continue;
    const TextRoom room = textRoom(widget, c.kind, size);
    int needW = 0, needH = 0;
    measureText(c.text, size, room.wrap ? std::max(1, room.w) : 0, &needW, &needH);
    if (needW > room.w || needH > room.h || size < kSmallestFontSize)
      describe(c.text, size, needW, needH, room.w, room.h);
  }
  // Canvas texts, drawn as the window's draw() does.
  std::lock_guard<std::mutex> lock(*(drawingMutex() ? drawingMutex() : &impl_->postMutex));
  const std::vector<Canvas::Text>& texts = w->canvas.texts();
  fl_font(FL_HELVETICA, kFontSize);
  struct Box {
    int x0, y0, x1, y1;
  };
  std::vector<Box> boxes;
  for (const Canvas::Text& t : texts) {
    const int width = static_cast<int>(std::ceil(fl_width(t.text.c_str())));
    boxes.push_back(Box{t.x, t.y, t.x + width, t.y + fl_height()});
    const Box& b = boxes.back();
    // Pure red is the colour of the frames and rings drawn on the canvas.
    if (t.colour != Rgb{255, 0, 0}) {
      bool crosses = false;
      for (int y = b.y0 + 2; y < b.y1 - 2 && !crosses; ++y)
        for (int x = b.x0; x < b.x1 && !crosses; ++x)
          crosses = w->canvas.pixel(x, y) == Rgb{255, 0, 0} && x < w->canvas.width() &&
                    y < w->canvas.height() && x >= 0 && y >= 0;
      if (crosses) out.push_back(where + "\"" + t.text + "\" crosses a red frame");
    }
    if (b.x0 < 0 || b.y0 < 0 || b.x1 > w->canvas.width() || b.y1 > w->canvas.height())
      describe(t.text, kFontSize, width, fl_height(), w->canvas.width() - t.x,
               w->canvas.height() - t.y);
  }
  for (std::size_t i = 0; i < boxes.size(); ++i)
    for (std::size_t j = i + 1; j < boxes.size(); ++j) {
      const Box& a = boxes[i];
      const Box& b = boxes[j];
      // Lines of text may share their leading; texts side by side keep
      // at least a space between them.
      const int gap = static_cast<int>(fl_width(' '));
      if (a.x0 < b.x1 + gap && b.x0 < a.x1 + gap && a.y0 < b.y1 - 2 && b.y0 < a.y1 - 2)
        out.push_back(where + "\"" + texts[i].text + "\" overlaps \"" + texts[j].text + "\"");
    }
  return out;
}

}  // namespace quilve::ui
