#pragma once
// Private to the FLTK backend: the FLTK window behind each window record,
// what a widget keeps to find its record, the toolkit's own state, and the
// translation of FLTK's key and mouse state into the toolkit's codes.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/toolkit/fltk_text.h"
#include "ui/toolkit/fltk_toolkit.h"

namespace quilve::ui {

constexpr int kMenuBarHeight = 25;
// The size of the texts the backend draws: captions, edit fields, menus,
// message boxes and the texts on a canvas, all in one face.
constexpr int kFontSize = 12;
constexpr Fl_Font kTextFont = FL_HELVETICA;

// The key and mouse state of the current FLTK event as the windows take it.
int modifierBits();
int mouseBits();
// FLTK key codes to the key codes the windows expect (letters upper case,
// the usual virtual-key numbers for the named keys).
int keyCode(int k);
bool isModifierKey(int k);

// What a widget needs to find its way back to the record.
struct ControlRef {
  FltkToolkit* tk;
  Window* rec;
  int id;
  ControlKind kind;
};

// The FLTK window of a record (its events: fltk_window.cpp).
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
  CanvasFont canvasFont;

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

}  // namespace quilve::ui
