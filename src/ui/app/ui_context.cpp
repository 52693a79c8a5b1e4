#include "ui/app/ui_context.h"

#include "engine/file_list_ops.h"

namespace quilve::ui {

void warnMessageBuffer(UiContext& ui, Window* w) { ui.tk.warning(w, messageWithReason(ui.app.control)); }

}  // namespace quilve::ui
