// The desktop program: the eight windows over FLTK, the scan worker and the
// operation timer on their own threads, settings and directory history kept
// in the registry hive under the user's configuration directory.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "quilve_version.h"

#include "settings/registry.h"
#include "ui/app/application.h"
#include "ui/app/worker_thread.h"
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
  // An interrupt, a hang-up or a termination request ends the program as closing the
  // main window does, so the settings and the history are still saved. The
  // signals are taken by one thread with sigwait; every other thread
  // inherits the blocked mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);  // the terminal closed
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  if (!FltkToolkit::openDisplay()) {
    std::fprintf(stderr, "quilve: cannot open the X display\n");
    return 1;
  }
  FltkToolkit toolkit;
  Application app(toolkit, quilve::RegistryHive::defaultFile());
  std::atomic<bool> ended{false};
  // A request that only ends a modal loop (About) is followed by the next.
  quilve::ui::WorkerThread signalWatcher;
  signalWatcher.start([&] {
    int signal = 0;
    while (sigwait(&stopSignals, &signal) == 0 && !ended) toolkit.quit();
  });
  // Without the watcher the signals act as they do by default.
  if (!signalWatcher.started()) pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);
  const int status = app.run();
  ended = true;
  if (signalWatcher.started()) pthread_kill(signalWatcher.nativeHandle(), SIGTERM);
  signalWatcher.join();
  return status;
}
