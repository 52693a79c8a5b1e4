#pragma once
// Results files: one tab-separated line per accepted call in the layout
// chosen by OutputFormat (Analook, SonoBat-2, Echoclass or our own), with a
// header when the file is started. Other programs read these files, so every
// header and row text is fixed to the byte.
#include <set>
#include <string>

#include "records/call_records.h"
#include "input/recording.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"

namespace quilve {

enum class ResultsLayout { Analook, SonoBat2, Echoclass, Own, None };

// OutputFormat 1 -> SonoBat-2, 2 -> Echoclass, 3 -> own, 4 -> no results
// lines (zero-crossing files instead); 0 and any other value -> Analook.
ResultsLayout resultsLayout(int outputFormat);

// The name written in the Filename column: the text after the last path
// separator ('\\' or '/') of the recording's full path.
std::string recordingFileName(const std::string& recordingPath);

// The header line(s) of the layout chosen by the settings, ending in "\n";
// empty for zero-crossing output.
std::string resultsHeader(const ScanSettings& settings);

// One row, ending in "\n", of the layout chosen by the settings; empty for
// zero-crossing output. `previous` is the previous accepted call of the same
// recording, or the call itself for the first one. The Filename column shows
// `fileName` with each control character (tab, line ends, ...) as one "?"
// (columnText in output/name_text.h); every other byte as it is. Shared by
// the scan worker and the batch tool.
std::string formatResultRow(const CallParameters& call, const CallParameters& previous,
                            const std::string& fileName, const RecordingMetadata& position,
                            const ScanSettings& settings);

// Remembers which results files could not be opened, so each one is
// reported once (trace and warning) however many rows are lost on it. The
// caller owns it for as long as it wants the reports kept to one per path,
// e.g. one per scan session.
struct ResultsFileLog {
  Reporter* reporter = nullptr;  // may be null: failures are then only returned
  std::set<std::string> failedPaths;
  std::size_t failures = 0;  // rows not written, on any path
};

// Opens the results file ("w", creating or truncating it, when `newFile` is
// set; otherwise "a"), writes the header first when `newFile` is set, then
// the row, and closes the file again: the file is opened and closed for
// every row. An empty path or zero-crossing output writes nothing and
// returns true. The text goes in whole or not at all: a write that fails
// part way (a full disk) is cut back, so the file ends with its last whole
// row. Returns false when the file could not be opened or written; every
// failure is counted in `log`, the first on a path is reported (trace and
// warning) as "Failed opening results file <path>: <reason>" or "Failed
// writing results file <path>: <reason>", later ones on the same path are
// not. A caller keeps its new-file
// flag set until a row has been written, so the header is not lost.
bool writeResultRow(const std::string& resultsPath, bool newFile, const CallParameters& call,
                    const CallParameters& previous, const std::string& recordingPath,
                    const RecordingMetadata& position, const ScanSettings& settings,
                    ResultsFileLog* log);

// The same for slot `slot` of a chirp store: the previous call is slot - 1,
// or the call itself for slot 0. A slot outside 0..kLastChirpSlot writes
// nothing and returns false.
bool writeResultRow(const std::string& resultsPath, const ChirpStore& store, int slot,
                    bool newFile, const std::string& recordingPath,
                    const RecordingMetadata& position, const ScanSettings& settings,
                    ResultsFileLog* log);

}  // namespace quilve
