// Opens recordings and prints what the scan would read from them: format,
// effective sample rate, attribute block and metadata.
//   quilve-inspect [--expansion 1|10] PATH...
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "input/recording.h"
#include "quilve_version.h"
#include "settings/scan_settings.h"

namespace fs = std::filesystem;
using namespace quilve;

namespace {

bool isRecordingName(const std::string& name) {
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
  const auto dot = lower.rfind('.');
  return dot != std::string::npos && dot + 1 < lower.size() && lower[dot + 1] == 'w';
}

void print(const std::string& path, const ScanSettings& settings) {
  Recording rec;
  std::string reason;
  std::printf("%s\n", path.c_str());
  if (failed(openRecording(path, settings, rec, &reason))) {
    std::printf("  cannot be read: %s\n\n", reason.c_str());
    return;
  }
  fillMetadata(path, rec);
  const WaveFormat& f = rec.format;
  const unsigned frames = f.blockAlign ? rec.dataSize / f.blockAlign : 0;
  std::printf("  reader:          %s\n", rec.isWavPack ? "WavPack" : "WAV");
  std::printf("  format:          %u channel(s), %u bits, %u Hz stored, block %u bytes\n",
              f.channels, f.bitsPerSample, f.sampleRate, f.blockAlign);
  std::printf("  effective rate:  %.0f Hz\n", rec.effectiveSampleRate);
  std::printf("  data:            %u bytes%s\n", rec.dataSize,
              rec.isWavPack ? " (compressed file size)" : "");
  if (!rec.isWavPack && rec.effectiveSampleRate > 0) {
    std::printf("  duration:        %.3f s real time (%u frames)\n",
                frames / rec.effectiveSampleRate, frames);
  }
  std::printf("  attribute block: %s\n",
              f.extraSize == 0 ? "none" : rec.attributesParsed ? rec.attributeText.c_str() : "present but not parsed");
  std::printf("  device:          %s\n", rec.metadata.device.c_str());
  std::printf("  comment:         %s\n", previewComment(rec).c_str());
  if (rec.metadata.gpsValid) {
    std::printf("  position:        lat %.6f lon %.6f alt %.1f m\n", rec.metadata.latitude,
                rec.metadata.longitude, rec.metadata.altitude);
  }
  if (rec.metadata.timeKnown) {
    const DateTime& t = rec.metadata.recordingTime;
    std::printf("  recorded:        %04d-%02d-%02d %02d:%02d:%02d.%03d local (%s)\n", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.millisecond,
                rec.metadata.timeFromUtc ? "from UTC and LTB" : "file time");
  }
  std::printf("\n");
  rec.reader->close();
}

}  // namespace

constexpr const char* kUsage =
    "Usage: quilve-inspect [--expansion 1|10] PATH...\n"
    "Prints what a scan reads from recordings (WAV or WavPack) and from the\n"
    "recordings (*.w*) of directories: format, effective sample rate, duration,\n"
    "attribute block, device, comment, position and recording time.\n"
    "\n"
    "Options:\n"
    "  --expansion 1|10  Time-expansion factor of recordings that state none\n"
    "  -h,--help         Print this help and exit\n"
    "  --version         Print the version and exit\n";

int main(int argc, char** argv) {
  ScanSettings settings;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("quilve-inspect %s\n", quilve::kProgramVersion);
      return 0;
    }
    if (std::strcmp(argv[i], "--expansion") == 0 && i + 1 < argc) {
      settings.DefaultExpansionFactor = std::atoi(argv[++i]) == 10 ? 10 : 1;
    } else {
      paths.push_back(argv[i]);
    }
  }
  if (paths.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  for (const std::string& p : paths) {
    std::error_code ec;
    if (fs::is_directory(p, ec)) {
      std::vector<std::string> names;
      for (const auto& e : fs::directory_iterator(p, ec)) {
        if (e.is_regular_file() && isRecordingName(e.path().filename().string())) {
          names.push_back(e.path().string());
        }
      }
      std::sort(names.begin(), names.end());
      for (const auto& n : names) print(n, settings);
    } else {
      print(p, settings);
    }
  }
  return 0;
}
