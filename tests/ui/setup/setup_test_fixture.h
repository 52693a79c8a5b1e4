#pragma once
// The program state over the headless toolkit with a main window holding the
// Window menu items the setup and timer windows uncheck when closed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/reporter.h"
#include "ui/app/control_ids.h"
#include "ui/app/ui_context.h"
#include "ui/toolkit/headless_toolkit.h"

namespace quilve::ui::test {

class TraceLines : public Reporter {
 public:
  void warning(const std::string& text) override { warnings.push_back(text); }
  void trace(const std::string& text) override { traces.push_back(text); }
  std::vector<std::string> warnings;
  std::vector<std::string> traces;
};

class SetupWindowTest : public ::testing::Test {
 protected:
  SetupWindowTest() : ui(tk, app, trace) {
    ui.windows.main = tk.createWindow({}, WindowKind::Main);
    tk.addMenuItem(ui.windows.main, main_ids::kMenuWindowScanSetup, "_Window/Scan _Setup");
    tk.addMenuItem(ui.windows.main, main_ids::kMenuWindowOutputFormat, "_Window/Output _Format");
    tk.addMenuItem(ui.windows.main, main_ids::kMenuWindowTimer, "_Window/Operation Timer...");
  }

  std::string text(Window* w, int id) { return tk.text(w, id).value_or("<missing>"); }
  bool checked(Window* w, int id) {
    bool c = false;
    EXPECT_TRUE(tk.isChecked(w, id, &c)) << "control " << id;
    return c;
  }
  bool enabled(Window* w, int id) {
    const Control* c = w->control(id);
    EXPECT_NE(c, nullptr) << "control " << id;
    return c && c->enabled;
  }
  bool menuChecked(int item) {
    bool c = false;
    tk.menuItemState(ui.windows.main, item, &c, nullptr);
    return c;
  }
  // Warnings shown so far.
  int warningsShown() const {
    int n = 0;
    for (const auto& s : tk.shown()) n += !s.dialog && s.kind == MessageKind::Warning;
    return n;
  }

  HeadlessToolkit tk;
  AppState app;
  TraceLines trace;
  UiContext ui;
};

}  // namespace quilve::ui::test
