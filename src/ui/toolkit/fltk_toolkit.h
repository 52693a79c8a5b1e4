#pragma once
// The toolkit over FLTK 1.3. Each window record gets a double-buffered FLTK
// window whose background is the record's canvas; each control a widget;
// the menu tree a menu bar across the top (the client area starts below it).
//
// FLTK may only be called on the user-interface thread: the thread that
// created the FltkToolkit and runs its loop. Other threads use post(),
// postUserEvent(), quit() and invalidate(), which hand the work to that
// thread through Fl::awake().
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

// A file dialog pattern in FLTK's syntax: alternatives separated by ','
// ("*.wav,*.wv") become "{...,...}", and letters match either case.
std::string fltkFilterPattern(const std::string& pattern);

// FLTK's beep type for a message box's beep.
int fltkBeep(BoxBeep beep);

class FltkToolkit : public Toolkit {
 public:
  // Opens the X display named by DISPLAY and hands it to FLTK; false when
  // there is none. FLTK itself would end the process on that failure, so
  // call this before creating the toolkit.
  static bool openDisplay();

  FltkToolkit();
  ~FltkToolkit() override;

  void runLoop() override;
  void dispatchPending() override;
  void runModal(Window* w) override;
  void showBlocking(Window* w, bool shown) override;
  void quit() override;
  void post(std::function<void()> call) override;
  Rgb systemWindowColour() const override;
  Rgb faceColour() const override;
  int displayBitsPerPixel() const override;
  // Canvas texts as FLTK draws them (Helvetica at 12 pixels).
  int textWidth(const std::string& text) const override;
  int lineHeight() const override;
  // Writes what the shown window looks like on the screen (menu bar and
  // controls included) to a 24-bit BMP file. False when the window is not
  // shown or the file cannot be written.
  bool screenshot(Window* w, const std::string& bmpPath);
  // The same for the message box open now; and its frame on the screen
  // (x, y, width, height; zeros when none is shown).
  bool screenshotBox(const std::string& bmpPath);
  std::array<int, 4> boxFrame() const;
  // Every text of the window that cannot be shown whole where it is, as
  // measured by FLTK at the size it is drawn: captions and edit-field texts
  // of the visible controls larger than their box or drawn below the
  // smallest caption size, controls reaching past the client area, and
  // canvas texts reaching past the canvas or overlapping another canvas
  // text. One line of description each; empty when everything fits.
  std::vector<std::string> textsNotFitting(Window* w);
  // For tests: every message box, once it is on the screen and the loop
  // has run, is answered by `answer` (caption, text; true: OK or Yes).
  void answerBoxesWith(std::function<bool(const std::string&, const std::string&)> answer);

  struct Impl;

 protected:
  void windowCreated(Window&) override;
  void windowShown(Window&, bool visible) override;
  void windowTitleChanged(Window&) override;
  void windowGeometryChanged(Window&) override;
  void controlCreated(Window&, Control&) override;
  void controlDestroyed(Window&, int id) override;
  void controlChanged(Window&, Control&, Change) override;
  void menuChanged(Window&) override;
  void canvasChanged(Window&) override;
  void syncFromNative(Window&, Control&) override;

  void openBox(Window* w, MessageKind kind, const std::string& text,
               const std::string& caption) override;
  std::optional<bool> boxAnswer() override;
  void waitForEvents() override;
  std::optional<FileChoice> fileDialog(Window* w, FileDialog type, const std::string& filter,
                                       const std::string& startDirectory) override;
  std::optional<std::string> folderDialog(Window* w, const std::string& title,
                                          const std::string& startDirectory) override;

 private:
  friend struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quilve::ui
