#pragma once
// The operation timer: runs up to four stored scan programs unattended, once
// a day at a start time ("Run scan at") or at the start of every interval of
// N minutes ("Run scan every"). Each tick reads the clock, works out how far
// it is from the start instant and advances a small state machine:
//
//   IDLE -> WAIT (armed, before the start) -> CHECKING n (about to start
//   program n) -> SCANNING n (its scan runs) -> CHECKING n+1 ... -> IDLE
//
// Starting a program points the scanner at its input directory with a
// date-stamped temporary results file and requests a scan of all files;
// finishing it gives the results file its final name and disposes of the
// scanned recordings.
#include <string>

#include "engine/scan_control.h"
#include "engine/scan_results.h"
#include "engine/scan_state.h"
#include "output/file_disposition.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"
#include "timer/timer_clock.h"

namespace quilve {

enum class TimerPhase { Idle, Wait, Checking, Scanning };

struct TimerState {
  TimerPhase phase = TimerPhase::Idle;
  int program = 0;  // 1..4 while CHECKING or SCANNING
};

// "IDLE", "WAIT", "CHECKING n", "SCANNING n".
std::string timerStatusText(const TimerState& state);

constexpr int kHalfDaySeconds = 43200;

// Signed seconds from the start instant for `secondsOfDay`: negative before
// it, 0 at it. Mode 1 measures from the start time (-43200 when the text is
// not a valid start time) within +-12 hours; mode 2 from the nearest
// multiple of the interval counted from midnight, an interval below one
// minute counting as one minute; any other mode gives -43200.
int timerOffset(int mode, int secondsOfDay, const std::string& startTimeText,
                int repeatIntervalMinutes);

struct TimedResultsNames {
  std::string temporary;  // base + ".tmp_txt"
  std::string final;      // base + ".txt"
};

// The results names of a run started at `time`: the program's results file
// name without its extension (a '.' after the last separator, not the first
// character), then "_DyyyymmddThhmmss".
TimedResultsNames timedResultsNames(const std::string& resultsFileName, const CivilTime& time);

// The paths of timer program 1..4.
struct TimerProgramPaths {
  std::string inputDirectory;
  std::string outputFileName;
  std::string archiveDirectory;
};
TimerProgramPaths timerProgramPaths(const DirectoryHistory& history, int program);

// What the timer shows and changes in the windows.
class TimerHost {
 public:
  virtual ~TimerHost() = default;
  // Current-time field ("%02d:%02d:%02d") and the standard beside it.
  virtual void showClock(const std::string& time, const std::string& standard) = 0;
  virtual void showStatus(const std::string& status) = 0;
  // The text of the start-time field, read every tick in "Run scan at" mode.
  virtual std::string startTimeText() = 0;
  // Show the Scan Results window and check "Window/Scan _Results".
  virtual void showScanResults() = 0;
  // The input file list was refilled (scroll extents, redraw).
  virtual void inputListRefilled() = 0;
  // The main window's output field.
  virtual void showResultsFileName(const std::string& fileName) = 0;
  // Clear All was done on the lists and counters: show the counters as "0"
  // and disable the result buttons.
  virtual void resultsCleared() = 0;
  // The preview comment of the first recording.
  virtual void showComment(const std::string& comment) = 0;
};

// Everything the timer works with. The settings and the history are read
// live each tick; the Operation Timer window writes them, holding the lists'
// mutex while it changes a program's paths (the timer copies them under it).
struct TimerContext {
  const ScanSettings& settings;
  const DirectoryHistory& history;
  ScanControl& control;
  ScanLists& lists;
  ScanSession& session;
  DispositionState& disposition;
  DispositionHost& dispositionHost;
  TimerClock& clock;
  TimerHost& host;
  Reporter& reporter;
};

class OperationTimer {
 public:
  explicit OperationTimer(const TimerContext& context);

  // One tick: read the clock, show it, advance the state machine once.
  void tick();
  // The timer thread: ticks once a second while the running flag is set.
  int run();

  const TimerState& state() const { return state_; }
  // The results names of the run in progress (or the last one).
  const TimedResultsNames& runNames() const { return names_; }

 private:
  void enter(TimerState next);
  // The program's paths, copied under the lists' lock.
  TimerProgramPaths programPaths(int program) const;
  void nextProgram();
  bool startProgram(int program, const CivilTime& now);
  void finishProgram(int program);

  TimerContext ctx_;
  ScanResultsLists resultsLists_;
  FileDisposition disposition_;
  TimerState state_;
  TimedResultsNames names_;
};

}  // namespace quilve
