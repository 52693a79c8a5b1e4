// Writing results rows: the file is opened, written and closed for every row,
// so a scan that stops at any point leaves a complete file behind and other
// programs may read it while the scan goes on.
#include "output/results_file.h"

#include <cstdio>

namespace quilve {
namespace {

// Reports a failed results file the first time it fails; the row is lost
// either way and the scan goes on.
void reportFailure(ResultsFileLog* log, const std::string& path, const char* what) {
  if (log == nullptr || !log->failedPaths.insert(path).second) return;
  if (log->reporter == nullptr) return;
  const std::string text = std::string(what) + " results file " + path;
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

  std::FILE* file = std::fopen(resultsPath.c_str(), newFile ? "w" : "a");
  if (file == nullptr) {
    reportFailure(log, resultsPath, "Failed opening");
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool flushed = std::fflush(file) == 0;
  const bool closed = std::fclose(file) == 0;
  if (!(written && flushed && closed)) {
    reportFailure(log, resultsPath, "Failed writing");
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
