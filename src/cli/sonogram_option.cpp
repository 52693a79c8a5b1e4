#include "cli/sonogram_option.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>

#include "output/name_text.h"

namespace quilve {

void SonogramOption::addTo(CLI::App& app) {
  auto* dir = app.add_option("--sonograms", directory_,
                             "Write a PNG sonogram of each recording with accepted calls into DIR")
                  ->type_name("DIR");
  app.add_flag("--sonograms-all", all_, "With --sonograms: a sonogram of every recording")->needs(dir);
}

bool SonogramOption::prepare(const std::vector<std::string>& paths, const std::vector<std::string>& subfolders,
                             const ScanSettings& settings, BatchOptions& options) {
  if (!requested()) return true;
  std::error_code ec;
  std::filesystem::create_directories(directory_, ec);
  if (ec || !std::filesystem::is_directory(directory_)) {
    std::fprintf(stderr, "quilve-scan: %s: cannot make the sonogram directory: %s\n",
                 messageText(directory_).c_str(), ec ? ec.message().c_str() : "not a directory");
    return false;
  }
  writer_ = std::make_unique<SonogramWriter>(directory_, all_, settings);
  names_ = SonogramWriter::pictureNames(paths, subfolders);
  options.analysed = [this](std::size_t index, const RecordingOutcome& outcome, Reporter& reporter) {
    if (writer_->write(outcome, names_[index], &reporter).failed) failed_ = true;
  };
  return true;
}

}  // namespace quilve
