#pragma once
// The sonogram pictures of analysed recordings: for each recording with at
// least one accepted call (or each one that could be read, when all are
// asked for), one PNG per page of kSonogramPageColumns ms of effective
// time, named "<name>-p<page>.png" in the picture directory. Pictures are
// drawn from a pass over the recording of their own after its analysis and
// never change the outcome; the same outcome gives the same files.
#include <cstddef>
#include <string>
#include <vector>

#include "records/recording_outcome.h"
#include "settings/scan_settings.h"

namespace quilve {

class Reporter;

constexpr int kSonogramPageColumns = 3000;  // 3 s a page
// Below this effective rate a recording gets no picture (a millisecond
// would hold less than 8 samples; no bat recording is made that way).
constexpr float kSonogramMinimumRate = 8000.0f;

struct SonogramPictures {
  std::vector<std::string> written;  // paths, in page order
  // A picture that should exist could not be written (or the recording
  // could no longer be opened); a recording with nothing to draw (no
  // samples, a rate below kSonogramMinimumRate) is only reported.
  bool failed = false;
};

class SonogramWriter {
 public:
  // `settings` are those of the scan (effective rate, brightness, contrast,
  // pass threshold); they must outlive the writer.
  SonogramWriter(std::string directory, bool allRecordings, const ScanSettings& settings);

  // The picture names ("<name>" above) of recordings scanned in this order:
  // the file name without its extension, or with it when an earlier
  // recording has the same stem, with "~2", "~3", ... added while still
  // taken, so that no recording's pictures replace another's.
  // With `subfolders` (one per path, as a tree scan finds them), a name is
  // that of its folder below the picture directory ("Site1/0601/a"), unique
  // within that folder.
  static std::vector<std::string> pictureNames(const std::vector<std::string>& paths,
                                               const std::vector<std::string>& subfolders = {});

  // Draws and writes the pages of one analysed recording; every problem
  // goes to `reporter` as a warning naming the file. Safe to call from
  // several threads at once for different recordings.
  SonogramPictures write(const RecordingOutcome& outcome, const std::string& name,
                         Reporter* reporter) const;

  bool wanted(const RecordingOutcome& outcome) const {
    return outcome.opened && (all_ || !outcome.calls.empty());
  }

 private:
  std::string directory_;
  bool all_;
  const ScanSettings& settings_;
};

}  // namespace quilve
