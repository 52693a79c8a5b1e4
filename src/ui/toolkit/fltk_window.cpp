// The FLTK window behind each record: its frame, its painting from the
// canvas, and the mouse, key, size and move events it passes on.
#include "ui/toolkit/fltk_native.h"

#include <FL/Fl_Box.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace quilve::ui {

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
      fl_font(kTextFont, kFontSize);
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

void FltkToolkit::canvasChanged(Window& w) {
  if (NativeWindow* nat = impl_->native(w)) nat->win->redraw();
}

}  // namespace quilve::ui
