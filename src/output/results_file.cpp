// Writing results rows: the file is opened, written and closed for every row,
// so a scan that stops at any point leaves a complete file behind and other
// programs may read it while the scan goes on.
#include "output/results_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quilve {
namespace {

// Reports a failed results file the first time it fails; the row is lost
// either way and the scan goes on.
void reportFailure(ResultsFileLog* log, const std::string& path, const char* what, int error) {
  if (log == nullptr) return;
  ++log->failures;
  if (!log->failedPaths.insert(path).second) return;
  if (log->reporter == nullptr) return;
  const std::string text = std::string(what) + " results file " + path + ": " +
                           (error != 0 ? std::strerror(error) : "unknown error");
  log->reporter->trace(text + "\n");
  log->reporter->warning(text);
}

// Appends `text` whole or not at all: a failed write (a full disk) is cut
// back to the length the file had, so no row is left without its end.
// Returns 0 or the system's error number.
int appendWhole(const std::string& path, bool truncate, const std::string& text, bool* opened) {
  *opened = false;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : O_APPEND),
                        0666);
  if (fd < 0) return errno != 0 ? errno : EIO;
  *opened = true;
  struct stat st {};
  const off_t before = ::fstat(fd, &st) == 0 ? st.st_size : -1;
  int error = 0;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if (n == 0) {
      error = EIO;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (error != 0 && done > 0 && before >= 0) {
    // Best effort: a file that cannot be cut back is reported all the same.
    [[maybe_unused]] const int cut = ::ftruncate(fd, before);
  }
  if (::close(fd) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  return error;
}

}  // namespace

bool writeResultRow(const std::string& resultsPath, bool newFile, const CallParameters& call,
                    const CallParameters& previous, const std::string& recordingPath,
                    const RecordingMetadata& position, const ScanSettings& settings,
                    ResultsFileLog* log) {
  if (resultsPath.empty() || resultsLayout(settings.OutputFormat) == ResultsLayout::None) {
    return true;
  }
  // Format first: nothing touches the file before the text is ready.
  std::string text;
  if (newFile) text = resultsHeader(settings);
  text += formatResultRow(call, previous, recordingFileName(recordingPath), position, settings);

  bool opened = false;
  const int error = appendWhole(resultsPath, newFile, text, &opened);
  if (error != 0) {
    reportFailure(log, resultsPath, opened ? "Failed writing" : "Failed opening", error);
    return false;
  }
  return true;
}

bool writeResultRow(const std::string& resultsPath, const ChirpStore& store, int slot,
                    bool newFile, const std::string& recordingPath,
                    const RecordingMetadata& position, const ScanSettings& settings,
                    ResultsFileLog* log) {
  if (slot < 0 || slot > kLastChirpSlot) return false;
  const CallParameters& call = store.parameters[static_cast<std::size_t>(slot)];
  const CallParameters& previous =
      slot == 0 ? call : store.parameters[static_cast<std::size_t>(slot - 1)];
  return writeResultRow(resultsPath, newFile, call, previous, recordingPath, position, settings,
                        log);
}

}  // namespace quilve
