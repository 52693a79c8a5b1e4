#include "output/sonogram_writer.h"

#include <cstdio>
#include <filesystem>
#include <set>

#include "output/file_operations.h"
#include "output/png_file.h"
#include "output/recording_signature.h"
#include "output/sonogram_columns.h"
#include "output/sonogram_picture.h"
#include "settings/reporter.h"

namespace quilve {

namespace fs = std::filesystem;

SonogramWriter::SonogramWriter(std::string directory, bool allRecordings, const ScanSettings& settings)
    : directory_(std::move(directory)), all_(allRecordings), settings_(settings) {}

std::vector<std::string> SonogramWriter::pictureNames(const std::vector<std::string>& paths,
                                                      const std::vector<std::string>& subfolders) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::string folder = i < subfolders.size() && plainSubfolder(subfolders[i]) && !subfolders[i].empty()
                                   ? subfolders[i] + "/"
                                   : std::string();
    // Names are UTF-8 (the system's own spelling is not used here).
    const fs::path p = fs::u8path(paths[i]);
    std::string name = folder + p.stem().u8string();
    if (name == folder || taken.count(name)) name = folder + p.filename().u8string();
    if (name == folder) name = folder + "recording";
    const std::string base = name;
    for (int n = 2; taken.count(name); ++n) name = base + "~" + std::to_string(n);
    taken.insert(name);
    names.push_back(name);
  }
  return names;
}

SonogramPictures SonogramWriter::write(const RecordingOutcome& outcome, const std::string& name,
                                       Reporter* reporter) const {
  SonogramPictures out;
  if (!wanted(outcome)) return out;
  // A picture that should exist but does not is a failure; a recording
  // that has nothing to draw is only noted.
  auto note = [&](const std::string& text) {
    if (reporter) reporter->warning(text);
  };
  auto warn = [&](const std::string& text) {
    out.failed = true;
    note(text);
  };
  SonogramColumns columns;
  std::string reason;
  if (!columns.open(outcome.path, settings_, &reason)) {
    warn(outcome.path + ": no sonogram: " + reason);
    return out;
  }
  if (columns.effectiveSampleRate() < kSonogramMinimumRate) {
    note(outcome.path + ": no sonogram: the effective sample rate is below 8000 Hz");
    return out;
  }
  const bool passed =
      outcome.fileChirpCount >= static_cast<std::uint32_t>(settings_.ChirpDetectionThreshold);
  char verdict[160];
  std::snprintf(verdict, sizeof verdict, "%.0f Hz  %s, %u call%s", columns.effectiveSampleRate(),
                passed ? "passed" : "failed", outcome.fileChirpCount,
                outcome.fileChirpCount == 1 ? "" : "s");
  const std::string fileName = fs::u8path(outcome.path).filename().u8string();

  std::vector<float> levels(static_cast<std::size_t>(kSonogramPageColumns) * SonogramColumns::kLevels);
  SonogramPage page;
  page.effectiveSampleRate = columns.effectiveSampleRate();
  page.range = levelRangeFrom(settings_.SonoBrightness, settings_.SonoContrast);
  page.levels = levels.data();
  for (int number = 1;; ++number) {
    int n = 0;
    while (n < kSonogramPageColumns &&
           columns.next(&levels[static_cast<std::size_t>(n) * SonogramColumns::kLevels])) {
      ++n;
    }
    if (n == 0) {
      if (number == 1) {
        note(outcome.path + ": no sonogram: " + (columns.readFailed() ? columns.readError() : "no samples"));
        return out;
      }
      break;
    }
    page.columns = n;
    page.title = fileName + "  " + verdict + "  page " + std::to_string(number) + ": " +
                 std::to_string(page.firstColumn) + "-" + std::to_string(page.firstColumn + n) + " ms";
    const Raster picture = drawSonogramPage(page, outcome.calls);
    std::string error;
    // A recording of a scanned tree has its pictures in its branch.
    std::string directory = directory_;
    if (const std::size_t slash = name.find_last_of('/'); slash != std::string::npos &&
        !makeSubfolder(directory_, name.substr(0, slash), &directory, &error)) {
      warn(outcome.path + ": cannot write the sonogram: " + error);
      break;
    }
    const std::string path =
        (fs::u8path(directory) / fs::u8path(baseName(name) + "-p" + std::to_string(number) + ".png"))
            .u8string();
    if (holdsRecording(path)) {
      // The picture would be renamed over a recording.
      warn(path + ": cannot write the sonogram: it holds a recording, which is not replaced");
      break;
    }
    if (writePngFile(path, picture, &error)) {
      out.written.push_back(path);
    } else {
      warn(path + ": cannot write the sonogram: " + error);
      break;
    }
    page.firstColumn += n;
    if (n < kSonogramPageColumns) break;
  }
  // A read error the analysis met is reported with the scan already.
  if (columns.readFailed() && !outcome.readFailed) {
    note(outcome.path + ": sonogram drawn up to a read error: " + columns.readError());
  }
  return out;
}

}  // namespace quilve
