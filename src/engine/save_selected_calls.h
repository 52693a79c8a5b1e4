#pragma once
// "Save Selected" and "Append Selected": the accepted calls of the recording
// last scanned, or only those that start inside a marked time range, written
// to a file the user chose: results lines in the chosen layout, or one
// zero-crossing file in zero-crossing mode.
#include <string>

#include "engine/chirp_record.h"
#include "engine/scan_state.h"
#include "output/results_file.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"

namespace quilve {

struct CallTimeRange {
  bool marked = false;
  double start = 0.0;  // s, both ends included
  double end = 0.0;
};

// Whether slot `slot` (below `job.chirpIndex`) is one of the calls to save.
bool callSelected(const ChirpStore& store, int slot, const CallTimeRange& range);

// Writes the selected calls of slots 0 .. job.chirpIndex - 1 to `path`.
// Saving (append false) starts the file afresh with its header; appending
// adds rows (or zero-crossing calls) without one. Zero-crossing files go to
// `outputDirectory` under the name part of `path`. Returns the number of
// calls written; failures to open or write are reported through `log` or
// `reporter` once.
int saveSelectedCalls(const ChirpStore& store, const ScanJob& job, const ScanSettings& settings,
                      const std::string& path, const std::string& outputDirectory, bool append,
                      const CallTimeRange& range, ResultsFileLog* log, Reporter* reporter);

}  // namespace quilve
