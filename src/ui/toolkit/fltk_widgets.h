#pragma once
// Private to the FLTK backend: the widgets the controls are made of.
#include <FL/Fl_Box.H>
#include <FL/Fl_Hold_Browser.H>

#include "ui/toolkit/fltk_native.h"

namespace quilve::ui {

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
  int handle(int e) override;
  void draw() override;

 private:
  int lineHeight() const;
  // Index of the entry under the cursor, size() below the last entry,
  // -1 off the list.
  int entryUnderCursor();

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

}  // namespace quilve::ui
