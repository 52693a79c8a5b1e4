#pragma once
// --sonograms DIR and --sonograms-all: a PNG sonogram picture of each
// recording with accepted calls (or of each one), drawn on the thread that
// analysed the recording.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/batch_scan.h"
#include "output/sonogram_writer.h"

namespace CLI {
class App;
}

namespace quilve {

class SonogramOption {
 public:
  void addTo(CLI::App& app);
  bool requested() const { return !directory_.empty(); }
  const std::string& directory() const { return directory_; }

  // Makes the picture directory and hooks the writer into the scan of
  // `paths`. False with a message on standard error when the directory
  // cannot be made.
  // `subfolders` (one per path, or none) put the pictures of a scanned
  // tree's recordings in their branches below the picture directory.
  bool prepare(const std::vector<std::string>& paths, const std::vector<std::string>& subfolders,
               const ScanSettings& settings, BatchOptions& options);

  // Whether any picture could not be written (each was reported).
  bool anyFailed() const { return failed_.load(); }

 private:
  std::string directory_;
  bool all_ = false;
  std::unique_ptr<SonogramWriter> writer_;
  std::vector<std::string> names_;
  std::atomic<bool> failed_{false};
};

}  // namespace quilve
