#include "engine/zero_crossing_output.h"

#include <cstring>
#include <filesystem>

#include "input/wide_path.h"
#include "output/file_operations.h"

namespace quilve {

ZeroCrossingOutput::ZeroCrossingOutput(const ScanSettings& settings, const ResultsTarget& target,
                                       Reporter* reporter)
    : settings_(settings), target_(target), reporter_(reporter) {}

std::string ZeroCrossingOutput::outputDirectory() const {
  if (!directoryOverride_.empty()) return directoryOverride_;
  if (target_.path.empty()) return {};
  // A results file named without a directory lies in the current one; its
  // zero-crossing files go there too.
  const std::filesystem::path parent = std::filesystem::u8path(target_.path).parent_path();
  return parent.empty() ? std::string("./") : parent.u8string() + "/";
}

std::string ZeroCrossingOutput::directoryFor(const std::string& recording) {
  const std::string directory = outputDirectory();
  if (directory.empty() || !subfolders_) return directory;
  const auto it = subfolders_->find(recording);
  if (it == subfolders_->end() || it->second.empty()) return directory;
  std::string made;
  std::string error;
  if (makeSubfolder(directory, it->second, &made, &error)) return withTrailingSeparator(made);
  ++writeFailures_;
  if (reporter_ && error != lastFailedPath_) {
    lastFailedPath_ = error;
    reporter_->warning("Failed creating the zero-crossing folder for " + recording + ": " + error);
  }
  return {};
}

void ZeroCrossingOutput::beginRecording(const RecordingMetadata& metadata) {
  generator_.resetText();
  // The metadata holds a placeholder when the recording names no device; the
  // header then keeps a blank device field.
  if (metadata.device != kNoDeviceText) generator_.setDevice(metadata.device);
  generator_.setComment(metadata.comment);
}

void ZeroCrossingOutput::endRecording(const RecordingMetadata& metadata) {
  if (!(settings_.AllowFileCombining && metadata.timeFromUtc)) generator_.closeFile();
  checkWrites();
}

void ZeroCrossingOutput::endRun() {
  generator_.closeFile();
  checkWrites();
  claimed_.clear();
}

void ZeroCrossingOutput::checkWrites() {
  std::string path;
  int error = 0;
  if (!generator_.takeWriteFailure(&path, &error)) return;
  ++writeFailures_;
  if (reporter_ == nullptr || path == lastWriteFailurePath_) return;
  lastWriteFailurePath_ = path;
  const std::string text = "Failed writing zero-crossing file " + path + ": " +
                           (error != 0 ? std::strerror(error) : "write error");
  reporter_->trace(text + "\n");
  reporter_->warning(text);
}

std::string ZeroCrossingOutput::claimName(const std::string& directory, const std::string& name,
                                          const std::string& recording) {
  const std::string path = GenerateZCD::filePathFor(directory, name);
  auto it = claimed_.find(path);
  if (it == claimed_.end() || it->second == recording) {
    claimed_[path] = recording;
    return name;
  }
  // The name part as filePathFor forms it, split before its extension.
  const std::size_t slash = path.find_last_of(pathSeparators());
  const std::string file = path.substr(slash == std::string::npos ? 0 : slash + 1);
  const std::size_t dot = file.find_last_of('.');
  const std::string stem = dot == std::string::npos ? file : file.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : file.substr(dot);
  for (int n = 2;; ++n) {
    const std::string candidate = stem + "-" + std::to_string(n) + ext;
    const std::string candidatePath = GenerateZCD::filePathFor(directory, candidate);
    auto other = claimed_.find(candidatePath);
    if (other != claimed_.end() && other->second != recording) continue;
    claimed_[candidatePath] = recording;
    if (reporter_) {
      reporter_->warning("Zero-crossing file " + path + " was already written for " +
                         it->second + " in this run; the calls of " + recording +
                         " go to " + candidatePath);
    }
    return candidate;
  }
}

void ZeroCrossingOutput::writeCall(const ChirpRecord& trace, const CallParameters& /*call*/,
                                   const CallParameters& /*previous*/, const ScanJob& job) {
  if (settings_.AllowFileCombining && job.metadata.timeFromUtc)
    writeCombined(trace, job);
  else
    writeSeparate(trace, job);
}

void ZeroCrossingOutput::writeHeader(const ScanJob& job) {
  // The text is the recording's own even when the calls of several
  // recordings are committed after their analysis.
  beginRecording(job.metadata);
  const RecordingMetadata& m = job.metadata;
  generator_.writeHeader(m.recordingTime, m.latitude, m.longitude, m.altitude, m.gpsValid);
}

void ZeroCrossingOutput::writeCombined(const ChirpRecord& trace, const ScanJob& job) {
  const DateTime& start = job.metadata.recordingTime;
  if (generator_.acceptsRecordingTime(start) && generator_.callFitsWindow(trace) &&
      generator_.writeCall(trace))
    return;

  const std::string directory = directoryFor(job.recordingPath);
  const std::string name = GenerateZCD::combinedFileName(job.recordingPath, start);
  // The recording that started the open file has the same combined name:
  // opening it again would truncate the calls already in it, so the call
  // goes on in that file after its long gap.
  if (generator_.isOpen() && !directory.empty() && !name.empty() &&
      GenerateZCD::filePathFor(directory, name) == generator_.openPath()) {
    generator_.writeCall(trace);
    return;
  }

  generator_.closeFile();
  checkWrites();
  if (directory.empty() || name.empty()) return;
  const std::string claimed = claimName(directory, name, job.recordingPath);
  if (!generator_.openRecordingFile(directory, claimed)) {
    reportOpenFailure(directory, claimed);
    return;
  }
  openFor_.clear();  // a combined file is no one recording's own
  writeHeader(job);
  generator_.writeCall(trace);
}

void ZeroCrossingOutput::writeSeparate(const ChirpRecord& trace, const ScanJob& job) {
  // A combined file left open by an earlier recording has another time
  // base; this recording's calls go into its own file.
  if (generator_.isOpen() && openFor_ != job.recordingPath) {
    generator_.closeFile();
    checkWrites();
  }
  if (!generator_.isOpen()) {
    const std::string directory = directoryFor(job.recordingPath);
    if (directory.empty() || job.recordingPath.empty()) return;
    const std::string claimed = claimName(directory, job.recordingPath, job.recordingPath);
    if (!generator_.openRecordingFile(directory, claimed)) {
      reportOpenFailure(directory, claimed);
      return;
    }
    openFor_ = job.recordingPath;
    writeHeader(job);
  }
  generator_.writeCall(trace);
}

void ZeroCrossingOutput::reportOpenFailure(const std::string& directory,
                                           const std::string& name) {
  const std::string path = GenerateZCD::filePathFor(directory, name);
  ++writeFailures_;
  if (path == lastFailedPath_) return;
  lastFailedPath_ = path;
  if (reporter_ == nullptr) return;
  reporter_->trace("Failed creating zero-crossing file " + path + "\n");
  const std::string& problem = generator_.openProblem();
  reporter_->warning("Failed creating zero-crossing file " + path +
                     (problem.empty() ? std::string() : ": " + problem));
}

}  // namespace quilve
