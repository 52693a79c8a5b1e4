// The desktop program: the eight windows over FLTK, the scan worker and the
// operation timer on their own threads, settings and directory history kept
// in the registry hive under the user's configuration directory.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "settings/registry.h"
#include "ui/app/application.h"
#include "ui/toolkit/fltk_toolkit.h"

int main() {
  using namespace quilve::ui;
  // An interrupt or a termination request ends the program as closing the
  // main window does, so the settings and the history are still saved. The
  // signals are taken by one thread with sigwait; every other thread
  // inherits the blocked mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  if (!FltkToolkit::openDisplay()) {
    std::fprintf(stderr, "quilve: cannot open the X display\n");
    return 1;
  }
  FltkToolkit toolkit;
  Application app(toolkit, quilve::RegistryHive::defaultFile());
  std::atomic<bool> ended{false};
  // A request that only ends a modal loop (About) is followed by the next.
  std::thread signalWatcher([&] {
    int signal = 0;
    while (sigwait(&stopSignals, &signal) == 0 && !ended) toolkit.quit();
  });
  const int status = app.run();
  ended = true;
  pthread_kill(signalWatcher.native_handle(), SIGTERM);
  signalWatcher.join();
  return status;
}
