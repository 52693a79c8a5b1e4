// The desktop program: the eight windows over FLTK, the scan worker and the
// operation timer on their own threads, settings and directory history kept
// in the registry hive under the user's configuration directory (on
// Windows in the user's registry).
#include <cstdio>
#include <cstring>

#include "quilve_version.h"

#include "settings/registry.h"
#include "ui/app/application.h"
#include "ui/app/stop_requests.h"
#include "ui/toolkit/fltk_toolkit.h"

namespace {

constexpr const char* kUsage =
    "Usage: quilve [OPTION]\n"
    "The desktop program: scans bat echolocation recordings (WAV or WavPack) for\n"
    "calls, shows them while it scans and writes results files, zero-crossing\n"
    "files and scheduled scans. Needs an X display.\n"
    "\n"
    "Options:\n"
    "  -h,--help  Print this help and exit\n"
    "  --version  Print the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace quilve::ui;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("quilve %s\n", quilve::kProgramVersion);
      return 0;
    }
    std::fprintf(stderr, "quilve: %s: unknown argument\n%s", argv[i], kUsage);
    return 2;
  }
  // An interrupt, a hang-up or a termination request (on Windows a console
  // event) ends the program as closing the main window does, so the
  // settings and the history are still saved.
  quilve::ui::StopRequests stopRequests;

  if (!FltkToolkit::openDisplay()) {
    std::fprintf(stderr, "quilve: cannot open the X display\n");
    return 1;
  }
  FltkToolkit toolkit;
  Application app(toolkit, quilve::RegistryHive::defaultFile());
  stopRequests.watch([&] { toolkit.quit(); });
  const int status = app.run();
  stopRequests.finished();
  return status;
}
