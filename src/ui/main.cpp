// The desktop program: the eight windows over FLTK, the scan worker and the
// operation timer on their own threads, settings and directory history kept
// in the registry hive under the user's configuration directory.
#include <cstdio>

#include "settings/registry.h"
#include "ui/app/application.h"
#include "ui/toolkit/fltk_toolkit.h"

int main() {
  using namespace quilve::ui;
  if (!FltkToolkit::openDisplay()) {
    std::fprintf(stderr, "quilve: cannot open the X display\n");
    return 1;
  }
  FltkToolkit toolkit;
  Application app(toolkit, quilve::RegistryHive::defaultFile());
  return app.run();
}
