#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "cli/interruption.h"

namespace quilve {

namespace {

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

const char* signalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGPIPE: return "a closed standard output";
    default: return "a signal";
  }
}

// Only async-signal-safe calls from here on: the other threads may hold any
// lock of the C library when the process ends this way.
void say(const char* text) {
  const ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
  (void)ignored;
}

}  // namespace

class Interruption::Watcher {
 public:
  explicit Watcher(Interruption& owner) : owner_(owner) {
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // A write to a closed pipe fails with EPIPE instead of ending the
    // process in the middle of its summary.
    ::signal(SIGPIPE, SIG_IGN);
    thread_ = std::thread([this] { run(); });
  }
  ~Watcher() {
    done_ = true;
    thread_.join();
  }

 private:
  void run() {
    const sigset_t set = stopSignals();
    const struct timespec tick {0, 100 * 1000 * 1000};
    while (!done_) {
      const int signal = sigtimedwait(&set, nullptr, &tick);
      if (signal > 0) {
        take(signal);
      } else if (owner_.watchOutput_.load() && !owner_.stop_.load() && outputClosed()) {
        take(SIGPIPE);
      }
    }
  }

  static bool outputClosed() {
    struct pollfd p {STDOUT_FILENO, 0, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLERR) != 0;
  }

  void take(int signal) {
    if (!owner_.stop_.load()) {
      owner_.signal_ = signal;
      owner_.stop_ = true;
      if (::isatty(STDERR_FILENO)) say("\r\033[K");  // past the progress line
      say("quilve-scan: ");
      say(signalName(signal));
      say(signal == SIGPIPE ? ": stopping after the recording under way\n"
                            : ": stopping after the recording under way (again to end at once)\n");
      return;
    }
    if (signal == SIGPIPE) return;
    // The second: the results keep only what was committed whole.
    const int fd = owner_.resultsFd_.load();
    if (fd >= 0) {
      const int ignored = ::ftruncate(fd, static_cast<off_t>(owner_.wholeLength_.load()));
      (void)ignored;
    }
    say("quilve-scan: ");
    say(signalName(signal));
    say(" again: ended at once; the results file keeps the recordings committed whole, no summary "
        "was written\n");
    ::_exit(128 + signal);
  }

  Interruption& owner_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

Interruption::Interruption() : watcher_(std::make_unique<Watcher>(*this)) {}

Interruption::~Interruption() {
  watcher_.reset();
  const int fd = resultsFd_.exchange(-1);
  if (fd >= 0) ::close(fd);
}

std::string Interruption::cause() const { return signalName(signal_.load()); }

void Interruption::watchResultsFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  const int old = resultsFd_.exchange(fd);
  if (old >= 0) ::close(old);
  markResultsWhole();
}

void Interruption::markResultsWhole() {
  const int fd = resultsFd_.load();
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0) wholeLength_ = static_cast<std::int64_t>(st.st_size);
}

void Interruption::watchStandardOutput() {
  struct stat st {};
  if (::fstat(STDOUT_FILENO, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))) {
    watchOutput_ = true;
  }
}

void Interruption::raise(int signal) {
  if (!stop_.exchange(true)) signal_ = signal;
}

}  // namespace quilve
