#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "cli/interruption.h"
#include "input/wide_path.h"

// Windows has no signals to wait for: the console tells a process of
// Ctrl-C, Ctrl-Break, its closing, a log-off and a shutdown through a
// handler the system calls on a thread of its own. Ctrl-C and Ctrl-Break
// act as SIGINT does elsewhere (the second ends the run at once). The
// system ends a process a few seconds after its console is closed or the
// user logs off, whatever the handler does: those stop the run as a first
// signal does, wait for it to end on its own for as long as the system
// allows, and otherwise cut the results back as a second signal does.
// A closed standard output is seen on the pipe's state, as nothing like
// SIGPIPE exists.

namespace quilve {

namespace {

// The numbers the run reports (its exit status is 128 + it), as near to
// what the same request gives elsewhere as Windows allows.
constexpr int kCtrlC = 2;       // SIGINT
constexpr int kHangUp = 1;      // SIGHUP: the console was closed
constexpr int kPipe = 13;       // SIGPIPE: standard output's reader went
constexpr int kTerminate = 15;  // SIGTERM: log-off or shutdown
constexpr int kCtrlBreak = 21;  // SIGBREAK

// How long a closed console or a log-off leaves the run to end: the system
// ends the process about five seconds after the event.
constexpr DWORD kGraceMs = 4000;

const char* eventName(int signal) {
  switch (signal) {
    case kCtrlC: return "Ctrl-C";
    case kCtrlBreak: return "Ctrl-Break";
    case kHangUp: return "a closed console";
    case kTerminate: return "log-off or shutdown";
    case kPipe: return "a closed standard output";
    default: return "a console event";
  }
}

void say(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

// Past the progress line, where there is one.
void clearLine() {
  DWORD mode = 0;
  if (!GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode)) return;
  say((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ? "\r\033[K" : "\n");
}

// The state of standard output's pipe, from the native call that gives it
// (looked up, so that nothing more is linked).
struct PipeLocalInformation {
  ULONG NamedPipeType, NamedPipeConfiguration, MaximumInstances, CurrentInstances, InboundQuota,
      ReadDataAvailable, OutboundQuota, WriteQuotaAvailable, NamedPipeState, NamedPipeEnd;
};
struct IoStatus {
  union {
    LONG Status;
    PVOID Pointer;
  };
  ULONG_PTR Information;
};
using QueryInformationFile = LONG(NTAPI*)(HANDLE, IoStatus*, PVOID, ULONG, int);
constexpr int kFilePipeLocalInformation = 24;
constexpr ULONG kPipeClosingState = 4;

bool pipeReaderGone(HANDLE pipe) {
  static const auto query = reinterpret_cast<QueryInformationFile>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
  if (!query) return false;
  IoStatus status{};
  PipeLocalInformation info{};
  if (query(pipe, &status, &info, sizeof info, kFilePipeLocalInformation) < 0) return false;
  return info.NamedPipeState == kPipeClosingState;
}

// The console handler has no context of its own: the one interruption of
// the process it acts for.
struct Console {
  std::mutex mutex;
  Interruption* owner = nullptr;
  void (*take)(Interruption&, int, bool) = nullptr;
  HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // the run is over
};

Console& console() {
  static Console* const c = new Console;  // used by handler threads until the process ends
  return *c;
}

BOOL WINAPI onConsoleEvent(DWORD event) {
  int signal = 0;
  switch (event) {
    case CTRL_C_EVENT: signal = kCtrlC; break;
    case CTRL_BREAK_EVENT: signal = kCtrlBreak; break;
    case CTRL_CLOSE_EVENT: signal = kHangUp; break;
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: signal = kTerminate; break;
    default: return FALSE;
  }
  Console& c = console();
  const bool ending = signal == kHangUp || signal == kTerminate;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (!c.owner) return FALSE;  // as if no handler were there
    if (!ending || !c.owner->interrupted()) {
      c.take(*c.owner, signal, false);
      if (!ending) return TRUE;
    }
  }
  if (WaitForSingleObject(c.ended, kGraceMs) == WAIT_OBJECT_0) {
    // The run is ending on its own; the process ends with its status
    // before the system would end it.
    Sleep(kGraceMs);
    return TRUE;
  }
  std::lock_guard<std::mutex> lock(c.mutex);
  if (c.owner) c.take(*c.owner, signal, true);
  return TRUE;
}

}  // namespace

class Interruption::Watcher {
 public:
  explicit Watcher(Interruption& owner) : owner_(owner) {}

  // Once the owner holds this watcher: the events go to it from then on.
  void listen() {
    Console& c = console();
    {
      std::lock_guard<std::mutex> lock(c.mutex);
      c.owner = &owner_;
      c.take = [](Interruption& o, int signal, bool atOnce) { o.watcher_->take(signal, atOnce); };
      ResetEvent(c.ended);
    }
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    thread_ = std::thread([this] { run(); });
  }
  ~Watcher() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
    Console& c = console();
    SetEvent(c.ended);
    std::lock_guard<std::mutex> lock(c.mutex);
    c.owner = nullptr;
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
  }

  // The first request raises the flag; a second (or one the system will
  // not wait for) cuts the results back to what was committed whole and
  // ends the process.
  void take(int signal, bool atOnce) {
    if (!owner_.stop_.load() && !atOnce) {
      owner_.signal_ = signal;
      owner_.stop_ = true;
      if (_isatty(2)) clearLine();
      say("quilve-scan: ");
      say(eventName(signal));
      say(signal == kPipe || signal == kHangUp || signal == kTerminate
              ? ": stopping after the recording under way\n"
              : ": stopping after the recording under way (again to end at once)\n");
      return;
    }
    if (signal == kPipe) return;
    const int fd = owner_.resultsFd_.load();
    if (fd >= 0) cutBack(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), owner_.wholeLength_.load());
    say("quilve-scan: ");
    say(eventName(signal));
    say(atOnce ? ": ended before the recording under way was done; the results file keeps the recordings "
                 "committed whole, no summary was written\n"
               : " again: ended at once; the results file keeps the recordings committed whole, no summary "
                 "was written\n");
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(128 + signal));
  }

 private:
  // Through a handle of its own on the same file, opened for writing only
  // now, so that the watch never stands in the way of the run's own opens.
  static void cutBack(HANDLE watched, std::int64_t length) {
    if (watched == INVALID_HANDLE_VALUE) return;
    HANDLE h = ReOpenFile(watched, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
    if (h == INVALID_HANDLE_VALUE) return;
    // Set directly rather than through the file pointer, which not every
    // system keeps right on a reopened handle.
    FILE_END_OF_FILE_INFO end;
    end.EndOfFile.QuadPart = length;
    SetFileInformationByHandle(h, FileEndOfFileInfo, &end, sizeof end);
    CloseHandle(h);
  }

  void run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!done_) {
      wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return done_; });
      if (done_) break;
      if (owner_.watchOutput_.load() && !owner_.stop_.load() && pipeReaderGone(GetStdHandle(STD_OUTPUT_HANDLE))) {
        std::lock_guard<std::mutex> consoleLock(console().mutex);
        take(kPipe, false);
      }
    }
  }

  Interruption& owner_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

Interruption::Interruption() : watcher_(std::make_unique<Watcher>(*this)) { watcher_->listen(); }

Interruption::~Interruption() {
  watcher_.reset();
  const int fd = resultsFd_.exchange(-1);
  if (fd >= 0) _close(fd);
}

std::string Interruption::cause() const { return eventName(signal_.load()); }

void Interruption::watchResultsFile(const std::string& path) {
  // Attributes only: such a handle takes no part in sharing, so the run
  // opens, writes and replaces the file as if it were not there.
  int fd = -1;
  const std::wstring name = systemPath(path);
  HANDLE h = name.empty() ? INVALID_HANDLE_VALUE
                          : CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) CloseHandle(h);
  }
  const int old = resultsFd_.exchange(fd);
  if (old >= 0) _close(old);
  markResultsWhole();
}

void Interruption::markResultsWhole() {
  const int fd = resultsFd_.load();
  LARGE_INTEGER size;
  if (fd >= 0 && GetFileSizeEx(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), &size)) wholeLength_ = size.QuadPart;
}

void Interruption::watchStandardOutput() {
  if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_PIPE) watchOutput_ = true;
}

void Interruption::raise(int signal) {
  if (!stop_.exchange(true)) signal_ = signal;
}

}  // namespace quilve
