// Opens recordings and prints what the scan would read from them: format,
// effective sample rate, attribute block, GUANO fields and metadata, each
// value with the source it came from.
//   quilve-inspect [--expansion 1|10] PATH...
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "input/name_stamp.h"
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
  static const char* const kEncodings[] = {"8-bit unsigned integer", "16-bit integer",
                                           "24-bit integer (value / 256)",
                                           "32-bit integer (value / 65536)",
                                           "32-bit float (value x 32768)",
                                           "64-bit float (value x 32768)"};
  std::printf("  samples:         %s, %u valid bits\n",
              kEncodings[static_cast<int>(rec.sampleFormat.encoding)], rec.sampleFormat.validBits);
  std::printf("  effective rate:  %.0f Hz\n", rec.effectiveSampleRate);
  std::printf("  data:            %u bytes%s\n", rec.dataSize,
              rec.isWavPack ? " (compressed file size)" : "");
  if (!rec.isWavPack && rec.effectiveSampleRate > 0) {
    std::printf("  duration:        %.3f s real time (%u frames)\n",
                frames / rec.effectiveSampleRate, frames);
  }
  std::printf("  attribute block: %s\n",
              f.extraSize == 0 ? "none"
              : !rec.attributesParsed ? "present but not parsed"
              : rec.attributeText.empty() ? "parsed, no attributes"
                                          : rec.attributeText.c_str());
  const RecordingMetadata& m = rec.metadata;
  std::printf("  expansion:       %ld (%s)\n", m.expansionFactor,
              m.expansionSource == ExpansionSource::Attribute ? "attribute block"
              : m.expansionSource == ExpansionSource::Guano   ? "GUANO TE"
                                                              : "default");
  const SonoAttribute attr;
  std::string value;
  auto fromBlock = [&](const char* key) {
    return rec.attributesParsed && attr.getAttribute(key, &value, rec.attributeText);
  };
  const GuanoFields& g = rec.guano;
  const bool guanoDevice = !g.make.empty() || !g.model.empty() || !g.serial.empty();
  std::printf("  device:          %s%s\n", m.device.c_str(),
              fromBlock("DEV") ? " (attribute DEV)"
              : guanoDevice    ? " (GUANO Make, Model, Serial)"
                               : "");
  std::printf("  comment:         %s%s\n", previewComment(rec).c_str(),
              fromBlock("CMT") ? " (attribute CMT)"
              : !rec.attributeText.empty() ? " (attribute text)"
              : !g.note.empty()      ? " (GUANO Note)"
                                     : "");
  if (m.gpsValid) {
    std::printf("  position:        lat %.6f lon %.6f alt %.1f m (%s)\n", m.latitude, m.longitude,
                m.altitude, fromBlock("GPS") ? "attribute GPS" : rec.hasWamd ? "wamd position" : "GUANO Loc Position");
  }
  if (m.timeKnown) {
    const char* source = m.timeSource == TimeSource::Attribute ? "attribute UTC and LTB"
                         : m.timeSource == TimeSource::Guano   ? "GUANO Timestamp"
                         : m.timeSource == TimeSource::Wamd    ? "wamd time stamp"
                         : m.timeSource == TimeSource::Name    ? "file name"
                                                               : "file time";
    std::printf("  recorded:        %s (%s)\n",
                formatIsoTime(m.recordingTime, m.utcOffsetKnown, m.utcOffsetMinutes).c_str(), source);
  }
  NameStamp stamp;
  const bool named = findNameStamp(path.c_str(), &stamp);
  const GuanoFields* vendor = rec.hasGuano ? &g : rec.hasWamd ? &rec.wamd : nullptr;
  const double timeOfDay = recordingTimeOfDay(path.c_str(), vendor);
  const char* todSource = named                               ? "file name"
                          : vendor && vendor->hasTimestamp && rec.hasGuano ? "GUANO Timestamp"
                          : vendor && vendor->hasTimestamp    ? "wamd time stamp"
                                                              : "none";
  std::printf("  time of day:     %.3f s (%s)\n", timeOfDay, todSource);
  if (rec.hasGuano) {
    std::printf("  GUANO:\n");
    if (g.hasExpansion) std::printf("    TE:            %ld\n", g.expansion);
    if (g.hasTimestamp) {
      std::printf("    Timestamp:     %s\n",
                  formatIsoTime(g.timestamp.time, g.timestamp.hasOffset, g.timestamp.offsetMinutes).c_str());
    }
    if (g.hasPosition) std::printf("    Loc Position:  %.6f %.6f\n", g.latitude, g.longitude);
    if (g.hasElevation) std::printf("    Loc Elevation: %.1f\n", g.elevation);
    if (!g.make.empty()) std::printf("    Make:          %s\n", g.make.c_str());
    if (!g.model.empty()) std::printf("    Model:         %s\n", g.model.c_str());
    if (!g.serial.empty()) std::printf("    Serial:        %s\n", g.serial.c_str());
    if (!g.note.empty()) std::printf("    Note:          %s\n", g.note.c_str());
    for (const std::string& problem : g.problems) std::printf("    ignored:       %s\n", problem.c_str());
  } else if (rec.hasWamd) {
    const GuanoFields& w = rec.wamd;
    std::printf("  wamd:\n");
    if (w.hasTimestamp) {
      std::printf("    time stamp:    %s\n",
                  formatIsoTime(w.timestamp.time, w.timestamp.hasOffset, w.timestamp.offsetMinutes).c_str());
    }
    if (w.hasPosition) std::printf("    position:      %.6f %.6f\n", w.latitude, w.longitude);
    for (const std::string& problem : w.problems) std::printf("    ignored:       %s\n", problem.c_str());
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
  auto refuse = [](const std::string& text) {
    std::fprintf(stderr, "quilve-inspect: %s\nRun with --help for more information.\n", text.c_str());
    return 2;
  };
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnd || arg == "-" || arg.empty() || arg[0] != '-') {
      paths.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnd = true;
      continue;
    }
    if (arg == "--expansion" || arg.rfind("--expansion=", 0) == 0) {
      std::string value;
      if (arg.size() > std::strlen("--expansion")) {
        value = arg.substr(std::strlen("--expansion="));
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        return refuse("--expansion: needs 1 or 10");
      }
      if (value != "1" && value != "10") return refuse("--expansion " + value + ": not 1 or 10");
      settings.DefaultExpansionFactor = value == "10" ? 10 : 1;
      continue;
    }
    if (arg != "--help" && arg != "-h" && arg != "--version") {
      // A misspelt option is no path to look for.
      return refuse(arg + ": unknown option (a path that starts with - is given after --)");
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("quilve-inspect %s\n", quilve::kProgramVersion);
      return 0;
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
