// Writing results rows: the file is opened, written and closed for every row,
// so a scan that stops at any point leaves a complete file behind and other
// programs may read it while the scan goes on.
#include "output/results_file.h"

#include "output/whole_file.h"

namespace quilve {
namespace {

// Reports a failed results file the first time it fails; the row is lost
// either way and the scan goes on.
void reportFailure(ResultsFileLog* log, const std::string& path, const char* what,
                   const std::string& error) {
  if (log == nullptr) return;
  ++log->failures;
  if (!log->failedPaths.insert(path).second) return;
  if (log->reporter == nullptr) return;
  const std::string text = std::string(what) + " results file " + path + ": " +
                           (!error.empty() ? error : "unknown error");
  log->reporter->trace(text + "\n");
  log->reporter->warning(text);
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

  // Whole rows or none: a failed write (a full disk) is cut back, so no row
  // is left without its end.
  bool opened = false;
  std::string error;
  if (!appendWholeText(resultsPath, newFile, text, &opened, &error)) {
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
