#include "engine/save_selected_calls.h"

#include <algorithm>
#include <cstring>

#include "input/file_identity.h"
#include "output/generate_zcd.h"

namespace quilve {

bool callSelected(const ChirpStore& store, int slot, const CallTimeRange& range) {
  if (slot < 0 || slot >= kChirpSlots) return false;
  const ChirpRecord& record = store.records[static_cast<std::size_t>(slot)];
  if (!record.accepted) return false;
  if (!range.marked) return true;
  const double t = record.contextStartTime;
  return t >= range.start && t <= range.end;
}

namespace {

int saveZeroCrossing(const ChirpStore& store, int slots, const ScanJob& job,
                     const std::string& path, const std::string& outputDirectory, bool append,
                     const CallTimeRange& range, Reporter* reporter) {
  GenerateZCD generator;
  const RecordingMetadata& m = job.metadata;
  if (m.device != kNoDeviceText) generator.setDevice(m.device);
  generator.setComment(m.comment);
  int written = 0;
  bool failed = false;
  for (int slot = 0; slot < slots; ++slot) {
    if (!callSelected(store, slot, range)) continue;
    // The file opens with the first selected call; later calls go on in it.
    if (!generator.isOpen()) {
      if (failed) continue;
      // Appending to a file that does not exist yet (or is empty) starts
      // it: without its header no viewer could read it.
      FileIdentity existing;
      const std::string target = GenerateZCD::filePathFor(outputDirectory, path);
      const bool startsFile = !append || !identityOfPath(target, &existing) || existing.size == 0;
      if (!generator.openFile(outputDirectory, path, append)) {
        failed = true;
        if (reporter) {
          reporter->trace("Failed creating zero-crossing file " + target + "\n");
          reporter->warning("Failed creating zero-crossing file " + target);
        }
        continue;
      }
      if (startsFile) generator.writeHeader(m.recordingTime, m.latitude, m.longitude, m.altitude, m.gpsValid);
    }
    if (generator.writeCall(store.records[static_cast<std::size_t>(slot)])) ++written;
  }
  generator.closeFile();
  std::string failedPath;
  int error = 0;
  if (generator.takeWriteFailure(&failedPath, &error) && reporter) {
    const std::string text = "Failed writing zero-crossing file " + failedPath + ": " +
                             (error != 0 ? std::strerror(error) : "write error");
    reporter->trace(text + "\n");
    reporter->warning(text);
  }
  return written;
}

}  // namespace

int saveSelectedCalls(const ChirpStore& store, const ScanJob& job, const ScanSettings& settings,
                      const std::string& path, const std::string& outputDirectory, bool append,
                      const CallTimeRange& range, ResultsFileLog* log, Reporter* reporter) {
  if (path.empty()) return 0;
  const int slots = std::clamp<int>(job.chirpIndex, 0, kChirpSlots);
  if (settings.OutputFormat == kOutputZcd)
    return saveZeroCrossing(store, slots, job, path, outputDirectory, append, range, reporter);

  int written = 0;
  bool newFile = !append;
  for (int slot = 0; slot < slots; ++slot) {
    if (!callSelected(store, slot, range)) continue;
    // The header goes with the first row actually written, so a failed
    // first write does not leave the saved file without it.
    if (writeResultRow(path, store, slot, newFile, job.recordingPath, job.metadata, settings, log)) {
      newFile = false;
      ++written;
    }
  }
  return written;
}

}  // namespace quilve
