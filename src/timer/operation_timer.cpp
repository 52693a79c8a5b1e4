#include "timer/operation_timer.h"

#include <algorithm>
#include <cstdio>

#include "engine/file_list_ops.h"
#include "output/file_operations.h"
#include "timer/start_time.h"

namespace quilve {

namespace {

constexpr int kDaySeconds = 86400;
constexpr const char* kRecordingPattern = "*.w*";

}  // namespace

std::string timerStatusText(const TimerState& state) {
  switch (state.phase) {
    case TimerPhase::Idle:
      return "IDLE";
    case TimerPhase::Wait:
      return "WAIT";
    case TimerPhase::Checking:
      return "CHECKING " + std::to_string(state.program);
    case TimerPhase::Scanning:
      return "SCANNING " + std::to_string(state.program);
  }
  return "IDLE";
}

int timerOffset(int mode, int secondsOfDay, const std::string& startTimeText,
                int repeatIntervalMinutes) {
  if (mode == kTimerRunAt) {
    int start = 0;
    if (!parseStartTime(startTimeText, &start)) return -kHalfDaySeconds;
    int n = secondsOfDay - start;
    if (n > kHalfDaySeconds) {
      n -= kDaySeconds;
    } else if (n < -kHalfDaySeconds) {
      n += kDaySeconds;
    }
    return n;
  }
  if (mode == kTimerRunEvery) {
    // An interval of 0 or fewer minutes would divide by zero or run every
    // second; it counts as one minute.
    const long long h = static_cast<long long>(std::max(1, repeatIntervalMinutes)) * 60;
    long long n = secondsOfDay % h;
    if (n > h / 2) n -= h;
    return static_cast<int>(n);
  }
  return -kHalfDaySeconds;
}

TimedResultsNames timedResultsNames(const std::string& resultsFileName, const CivilTime& time) {
  std::string base = resultsFileName;
  const auto pos = base.find_last_of("./");
  if (pos != std::string::npos && pos > 0 && base[pos] == '.') base.resize(pos);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "_D%04d%02d%02dT%02d%02d%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  base += stamp;
  return TimedResultsNames{base + ".tmp_txt", base + ".txt"};
}

TimerProgramPaths timerProgramPaths(const DirectoryHistory& h, int program) {
  switch (program) {
    case 1:
      return {h.Program1InputDirectory, h.Program1OutputFileName, h.Program1ArchiveDirectory};
    case 2:
      return {h.Program2InputDirectory, h.Program2OutputFileName, h.Program2ArchiveDirectory};
    case 3:
      return {h.Program3InputDirectory, h.Program3OutputFileName, h.Program3ArchiveDirectory};
    case 4:
      return {h.Program4InputDirectory, h.Program4OutputFileName, h.Program4ArchiveDirectory};
    default:
      return {};
  }
}

OperationTimer::OperationTimer(const TimerContext& context)
    : ctx_(context),
      resultsLists_(context.lists),
      disposition_(context.disposition, resultsLists_, context.dispositionHost) {}

TimerProgramPaths OperationTimer::programPaths(int program) const {
  // The Operation Timer window changes these texts on its own thread.
  std::lock_guard<std::mutex> lock(ctx_.lists.mutex);
  return timerProgramPaths(ctx_.history, program);
}

void OperationTimer::enter(TimerState next) {
  state_ = next;
  ctx_.host.showStatus(timerStatusText(state_));
}

void OperationTimer::nextProgram() {
  if (state_.program < kTimerProgramCount) {
    enter({TimerPhase::Checking, state_.program + 1});
  } else {
    enter({TimerPhase::Idle, 0});
  }
}

void OperationTimer::tick() {
  const ScanSettings& s = ctx_.settings;
  const bool local = s.TimeStandard == kTimeLocal;
  const CivilTime now = ctx_.clock.now(local);
  char clock[32];
  std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", now.hour, now.minute, now.second);
  ctx_.host.showClock(clock, local ? "Local" : "UTC");

  const int mode = s.TimerOperationMode;
  const int t = now.hour * 3600 + now.minute * 60 + now.second;
  const int n =
      timerOffset(mode, t, mode == kTimerRunAt ? ctx_.host.startTimeText() : std::string(),
                  s.RepeatIntervalMinutes);

  switch (state_.phase) {
    case TimerPhase::Idle:
      if (mode != kTimerOff && n < 0) enter({TimerPhase::Wait, 0});
      break;
    case TimerPhase::Wait:
      if (mode == kTimerOff) {
        enter({TimerPhase::Idle, 0});
      } else if (n >= 0) {
        enter({TimerPhase::Checking, 1});
      }
      break;
    case TimerPhase::Checking:
      if (mode == kTimerOff) {
        enter({TimerPhase::Idle, 0});
      } else if (!timerProgramEnabled(s, state_.program)) {
        nextProgram();
      } else if (!ctx_.control.scanDone) {
        // A scan started from the windows is still running: the program
        // waits for it rather than changing its lists and results file.
      } else if (startProgram(state_.program, now)) {
        enter({TimerPhase::Scanning, state_.program});
      } else {
        nextProgram();
      }
      break;
    case TimerPhase::Scanning:
      if (mode == kTimerOff) {
        enter({TimerPhase::Idle, 0});
      } else if (ctx_.control.scanDone) {
        finishProgram(state_.program);
        nextProgram();
      }
      break;
  }
}

int OperationTimer::run() {
  while (ctx_.control.running) {
    tick();
    ctx_.clock.sleep(std::chrono::seconds(1));
  }
  return 0;
}

bool OperationTimer::startProgram(int program, const CivilTime& now) {
  const TimerProgramPaths paths = programPaths(program);
  // Without an input directory the list would be filled from the root
  // directory, and its recordings then moved or trashed; without a results
  // name the results would land in the working directory.
  if (paths.inputDirectory.empty() || paths.outputFileName.empty()) {
    ctx_.reporter.trace("Timer program " + std::to_string(program) +
                        " has no input directory or results file\n");
    return false;
  }
  ctx_.host.showScanResults();
  names_ = timedResultsNames(paths.outputFileName, now);

  {
    std::lock_guard<std::mutex> lock(ctx_.lists.mutex);
    ctx_.lists.inputDirectory = withTrailingSeparator(paths.inputDirectory);
    ctx_.lists.input.fillFromDirectory(ctx_.lists.inputDirectory, kRecordingPattern);
  }
  ctx_.host.inputListRefilled();
  {
    std::lock_guard<std::mutex> lock(ctx_.lists.mutex);
    ctx_.control.resultsPath = names_.temporary;
  }
  ctx_.host.showResultsFileName(baseName(names_.temporary));
  ctx_.control.newResultsFile = true;

  clearAll(ctx_.lists, ctx_.session, ctx_.disposition);
  ctx_.host.resultsCleared();

  if (!resetFileList(ctx_.lists, ctx_.control)) return false;
  std::string comment;
  if (!previewSelectedFile(ctx_.lists, ctx_.control, ctx_.settings, &comment)) return false;
  ctx_.host.showComment(comment);

  // The worker clears the done flag when it takes up the request; clearing
  // it here as well keeps the next tick from reading the idle state of
  // before the request.
  // The flag goes up before the counter, so the worker cannot take up the
  // request and finish its first file before it learns to go on.
  ctx_.control.scanDone = false;
  ctx_.control.scanRequestFlag = true;
  ctx_.control.scanRequestCounter.fetch_add(1);
  return true;
}

void OperationTimer::finishProgram(int program) {
  if (!renameFile(names_.temporary, names_.final)) ctx_.reporter.trace("ERROR renamimg file\n");
  disposition_.timedDisposition(programPaths(program).archiveDirectory);
}

}  // namespace quilve
