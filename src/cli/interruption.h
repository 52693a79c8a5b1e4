#pragma once
// How quilve-scan is interrupted: SIGINT (Ctrl-C), SIGTERM (a scheduler's
// time limit), SIGHUP (the terminal went away) and a closed standard output
// (`| head`) raise one stop flag that the scan and the disposition look at,
// so the run ends after the recording under way with whole recordings'
// rows, its summary and a line saying where it stopped. A second signal ends
// the process at once: the results file is first cut back to the last
// recording committed whole.
//
// The signals are taken by a watching thread, so the object must be made
// before any other thread starts (the threads inherit the blocked mask).
//
// On Windows the console's events stand for the signals: Ctrl-C (as
// SIGINT, status 130) and Ctrl-Break (SIGBREAK, 149) act as above; a closed
// console (as SIGHUP, 129), log-off and shutdown (as SIGTERM, 143) stop the
// run too, but the system ends the process a few seconds later whatever it
// does, so when the run has not ended by then the results are cut back as
// after a second signal. A closed standard output is a pipe whose reader
// has gone (141).
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace quilve {

class Interruption {
 public:
  Interruption();
  ~Interruption();
  Interruption(const Interruption&) = delete;
  Interruption& operator=(const Interruption&) = delete;

  // Raised by the first signal, or when standard output is closed.
  const std::atomic<bool>& stopFlag() const { return stop_; }
  bool interrupted() const { return stop_.load(); }
  // The signal that stopped the run (SIGPIPE for a closed standard output),
  // 0 while none did; the exit status is 128 + it.
  int signal() const { return signal_.load(); }
  // "SIGINT", "SIGTERM", "SIGHUP", or "a closed standard output" (on
  // Windows "Ctrl-C", "Ctrl-Break", "a closed console", "log-off or
  // shutdown").
  std::string cause() const;

  // The results file a second signal cuts back; empty: none. Its current
  // length counts as whole.
  void watchResultsFile(const std::string& path);
  // Everything in the results file now belongs to recordings committed
  // whole: a second signal keeps it.
  void markResultsWhole();
  // Also stop when standard output is a pipe whose reader has gone.
  void watchStandardOutput();

  // Raises the flag as a first signal would (for tests and callers that
  // stop on their own account).
  void raise(int signal);

 private:
  class Watcher;
  std::atomic<bool> stop_{false};
  std::atomic<int> signal_{0};
  std::atomic<int> resultsFd_{-1};
  std::atomic<std::int64_t> wholeLength_{0};
  std::atomic<bool> watchOutput_{false};
  std::unique_ptr<Watcher> watcher_;
};

}  // namespace quilve
