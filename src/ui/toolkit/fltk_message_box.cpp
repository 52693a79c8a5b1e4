// Message boxes: the box window with the icon of its kind, its beep, and
// the answer it gives.
#include "ui/toolkit/fltk_native.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "ui/toolkit/fltk_text.h"

namespace quilve::ui {

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
    fl_font(kTextFont, kFontSize);
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

}  // namespace quilve::ui
