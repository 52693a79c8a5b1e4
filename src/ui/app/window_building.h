#pragma once
// Small helpers every window's construction and event code shares.
#include <string>

#include "ui/app/ui_context.h"

namespace quilve::ui {

// A hidden window with its handler, kind, title, client size and position.
Window* createToolWindow(UiContext& ui, EventHandler handler, WindowKind kind,
                         const std::string& title, int width, int height, int x, int y);

// Creates, places, labels and shows a control.
bool addControl(Toolkit& tk, Window* w, int id, ControlKind kind, int x, int y, int width,
                int height, const std::string& text = {});

// Hides a tool window and clears the check mark of the main-menu item that
// shows it.
void hideWithMenuItem(UiContext& ui, Window* w, int menuItem);

// "Command : %d   val : %d \n" for a posted user command.
void traceUserCommand(UiContext& ui, const EventValues& v);

// Mouse events the displays take: move, left down, drag, left up, right
// up, double-click.
bool isMouseEvent(int event);

// "%d".
std::string decimal(long long value);

}  // namespace quilve::ui
