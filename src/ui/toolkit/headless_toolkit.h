#pragma once
// A toolkit without a display: every window and control lives only in its
// record, message boxes and file dialogs take their answers from a script
// the caller sets up beforehand, and the simulated user actions below do
// what a click, a keystroke or a drag would do, delivering the same events.
// Used by the tests of the windows and of the toolkit itself.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

class HeadlessToolkit : public Toolkit {
 public:
  // A message box or dialog as it was shown.
  struct Shown {
    MessageKind kind = MessageKind::Information;  // for dialogs: Question
    bool dialog = false;
    std::string caption;
    std::string text;  // for dialogs: the filter text
    // Message boxes: the window owning the box, its icon and beep.
    Window* owner = nullptr;
    BoxIcon icon = BoxIcon::Information;
    BoxBeep beep = BoxBeep::Information;
  };

  HeadlessToolkit();

  // ---- the script, consumed in order ----------------------------------------
  // Information and warning boxes need no answer; questions, file dialogs
  // and folder pickers each take the next one. With the script empty a
  // question answers No and a dialog is cancelled.
  void answerQuestion(bool yes);
  void answerFile(const std::string& path, int filterIndex = 0);
  void answerFiles(const std::vector<std::string>& paths, int filterIndex = 0);
  void answerFolder(const std::string& path);
  void answerCancel();
  std::size_t answersLeft() const { return script_.size(); }
  // Answers of the wrong kind met so far (a question given a path, ...).
  const std::vector<std::string>& scriptErrors() const { return scriptErrors_; }
  const std::vector<Shown>& shown() const { return shown_; }
  // With `run`, a message box stays open until the calls posted so far have
  // run once, as a real box's loop runs them; else it closes at once.
  void runPostsWhileBoxOpen(bool run) { runPostsWhileBoxOpen_ = run; }
  void clearShown() { shown_.clear(); }

  // ---- the simulated user; false when the control is missing, hidden or
  // disabled, or the item grayed ------------------------------------------------
  bool click(Window* w, int id);  // buttons; check boxes also toggle
  bool chooseMenu(Window* w, int itemId);
  bool type(Window* w, int id, const std::string& text);  // edits
  bool leaveEdit(Window* w, int id);
  bool clickEntry(Window* w, int id, int index);
  bool doubleClickEntry(Window* w, int id, int index);
  bool moveSlider(Window* w, int id, int position);
  bool releaseSlider(Window* w, int id);
  // Tab and Shift+Tab cycle the focus; Enter and Escape and every other
  // key reach the window as key-down events.
  bool pressKey(Window* w, int key, int modifiers = 0);
  bool requestClose(Window* w);
  // Moves the window by its frame; false when the handler put it elsewhere.
  bool moveWindow(Window* w, int left, int top);
  bool minimize(Window* w);
  bool restore(Window* w);
  // The mouse rests over the client area (the hover time has passed).
  bool hover(Window* w, int x, int y, int keyBits = 0);
  // The display the windows are "shown" on (24 bits per pixel at first).
  void setDisplayBitsPerPixel(int bits) { displayBits_ = bits; }
  int displayBitsPerPixel() const override { return displayBits_; }
  // Canvas texts measure 8 pixels a character (a UTF-8 sequence counts as
  // one) and 15 a line, whatever the text: fixed, so that what the windows
  // lay out does not depend on the fonts of the machine.
  static constexpr int kCharWidth = 8;
  static constexpr int kLineHeight = 15;
  int textWidth(const std::string& text) const override;
  int lineHeight() const override { return kLineHeight; }
  // Presses on entry `from`, drags over `to` (count: below the last entry,
  // negative: off the list) and releases there.
  bool dragEntry(Window* w, int id, int from, int to);

  // ---- loop -------------------------------------------------------------------
  void runLoop() override;
  void dispatchPending() override;
  void runModal(Window* w) override;
  void quit() override;
  void post(std::function<void()> call) override;

 protected:
  void openBox(Window* w, MessageKind kind, const std::string& text,
               const std::string& caption) override;
  std::optional<bool> boxAnswer() override;
  void waitForEvents() override;
  std::optional<FileChoice> fileDialog(Window* w, FileDialog type, const std::string& filter,
                                       const std::string& startDirectory) override;
  std::optional<std::string> folderDialog(Window* w, const std::string& title,
                                          const std::string& startDirectory) override;

 private:
  struct Answer {
    enum class Type { Question, File, Folder, Cancel };
    explicit Answer(Type t = Type::Cancel) : type(t) {}
    Type type;
    bool yes = false;
    FileChoice file;
    std::string folder;
  };
  Control* usable(Window* w, int id);
  bool takeAnswer(Answer::Type wanted, Answer* out);
  void runUntilQuit();

  std::deque<Answer> script_;
  bool runPostsWhileBoxOpen_ = false;
  bool openAnswer_ = true;
  int boxRounds_ = 0;
  std::vector<std::string> scriptErrors_;
  std::vector<Shown> shown_;

  std::mutex queueMutex_;
  std::condition_variable queueReady_;
  std::deque<std::function<void()>> queue_;
  // queue_.size(), readable without the lock: a dispatch with nothing
  // posted costs no locking.
  std::atomic<std::size_t> queued_{0};
  bool quitRequested_ = false;
  int displayBits_ = 24;
};

}  // namespace quilve::ui
