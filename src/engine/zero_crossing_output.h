#pragma once
// Accepted calls into zero-crossing files (OutputFormat 4): one file per
// recording, or, with AllowFileCombining and a recording time taken from
// UTC, files that run on across recordings as long as the calls follow each
// other closely.
//
// The scan calls beginRecording when a recording has been opened and its
// metadata read, writeCall for every accepted call, endRecording when the
// recording is finished and endRun at the end of a run (or of a single-file
// scan). All of them in recording order; a scan that analyses several
// recordings at once calls them when it commits each recording.
//
// No file replaces another one written in the same run: when a second
// recording would write a file of the same name (a.wav and a.wv, or two
// directories each with rec.wav), its calls go to the first free name
// "<stem>-2<ext>", "<stem>-3<ext>", ... (a-2.00#), with a warning. A file
// from an earlier run is replaced as before.
#include <cstddef>
#include <map>
#include <string>

#include "engine/accepted_calls.h"
#include "engine/scan_state.h"
#include "input/recording.h"
#include "output/generate_zcd.h"
#include "settings/reporter.h"
#include "settings/scan_settings.h"

namespace quilve {

class ZeroCrossingOutput : public CallOutput {
 public:
  // The files go to the directory of target.path (read at every call, so a
  // newly chosen results file takes effect at once); with no results path
  // no file is made. Failures to create a file go to `reporter` (one warning
  // per path) when one is given.
  ZeroCrossingOutput(const ScanSettings& settings, const ResultsTarget& target,
                     Reporter* reporter = nullptr);

  // Writes the files into `directory` instead of the results path's
  // directory; an empty text goes back to the results path's directory.
  void setDirectory(const std::string& directory) { directoryOverride_ = directory; }
  // The directory new files are made in; empty when none is set.
  std::string outputDirectory() const;
  // Recordings whose files go to a folder below that directory, by path
  // (made when it is missing); the map must outlive this output.
  void setSubfolders(const std::map<std::string, std::string>* subfolders) { subfolders_ = subfolders; }

  // Start of a recording: blank header text, then the recording's device
  // ("DEV") and comment ("CMT").
  void beginRecording(const RecordingMetadata& metadata);
  // End of a recording: its file is closed, unless files are being combined
  // and the recording's time came from UTC (the next recording may go on in
  // the same file).
  void endRecording(const RecordingMetadata& metadata);
  // End of a run: the open file is closed.
  void endRun();

  void writeCall(const ChirpRecord& trace, const CallParameters& call,
                 const CallParameters& previous, const ScanJob& job) override;

  // Records and files that could not be written in full this session.
  std::size_t writeFailures() const { return writeFailures_; }

  GenerateZCD& generator() { return generator_; }
  const GenerateZCD& generator() const { return generator_; }

 private:
  void writeCombined(const ChirpRecord& trace, const ScanJob& job);
  void writeSeparate(const ChirpRecord& trace, const ScanJob& job);
  // Header text from the recording's metadata, then the header itself.
  void writeHeader(const ScanJob& job);
  void reportOpenFailure(const std::string& directory, const std::string& name);
  // The name (as openRecordingFile takes it) under which `recording` writes
  // the file that `name` would give in `directory`.
  std::string claimName(const std::string& directory, const std::string& name,
                        const std::string& recording);
  // Counts and reports a write failure the generator noted.
  void checkWrites();

  const ScanSettings& settings_;
  const ResultsTarget& target_;
  Reporter* reporter_;
  // The folder the files of `recording` go to, made when it is missing;
  // empty when there is none (a folder that cannot be made is reported).
  std::string directoryFor(const std::string& recording);

  std::string directoryOverride_;
  const std::map<std::string, std::string>* subfolders_ = nullptr;
  std::string lastFailedPath_;
  std::map<std::string, std::string> claimed_;  // file path -> recording, this run
  std::string openFor_;  // recording whose own file is open; empty for a combined file
  std::size_t writeFailures_ = 0;
  std::string lastWriteFailurePath_;
  GenerateZCD generator_;
};

}  // namespace quilve
