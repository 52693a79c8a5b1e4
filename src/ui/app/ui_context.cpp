#include "ui/app/ui_context.h"

namespace quilve::ui {

void warnMessageBuffer(UiContext& ui, Window* w) { ui.tk.warning(w, ui.app.control.messageBuffer); }

}  // namespace quilve::ui
