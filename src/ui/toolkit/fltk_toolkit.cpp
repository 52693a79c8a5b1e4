// The FLTK toolkit itself: the display, the loop, the calls posted from
// other threads, and the system colours.
#include "ui/toolkit/fltk_toolkit.h"

#include <FL/x.H>

#include "ui/toolkit/fltk_display.h"
#include "ui/toolkit/fltk_native.h"

namespace quilve::ui {

bool FltkToolkit::openDisplay() { return openFltkDisplay(); }

FltkToolkit::FltkToolkit() : impl_(std::make_unique<Impl>()) {
  impl_->tk = this;
  impl_->canvasFont = CanvasFont::measure();
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

}  // namespace quilve::ui
