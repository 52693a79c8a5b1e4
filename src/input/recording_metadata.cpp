// Recording metadata from the attribute block: position, recording time,
// device and comment; the file's own time when the block gives none.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "input/recording.h"
#include "input/recording_time.h"
#include "input/sono_attribute.h"

namespace quilve {

const char* const kNoDeviceText = "<No device found>";

namespace {

// Longest device or comment text kept. The zero-crossing header holds 8 and
// 153 characters of them; the comment field shows more.
constexpr std::size_t kMaxMetadataText = 255;

// Reads a signed decimal ("%ld"): leading blanks and a sign allowed, at least
// one digit, anything after the number ignored. Out-of-range values fail.
bool readLong(const std::string& text, long* value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(begin, &end, 10);
  if (end == begin || errno == ERANGE) return false;
  *value = v;
  return true;
}

void fillPosition(const SonoAttribute& attr, const std::string& text, RecordingMetadata& md) {
  std::string gps;
  if (!attr.getAttribute("GPS", &gps, text)) return;
  float lat = 0.0f, lon = 0.0f, alt = 0.0f;
  if (std::sscanf(gps.c_str(), "lat:%f lon:%f alt:%f", &lat, &lon, &alt) != 3) return;
  md.latitude = lat;
  md.longitude = lon;
  md.altitude = alt;
  md.gpsValid = true;
}

// "UTC" with "LTB" give the local time under that bias alone.
void fillTimeFromUtc(const SonoAttribute& attr, const std::string& text, RecordingMetadata& md) {
  std::string utcText, biasText;
  if (!attr.getAttribute("UTC", &utcText, text) || !attr.getAttribute("LTB", &biasText, text)) return;
  DateTime utc;
  long bias = 0;
  if (!attr.parseDateTime(utcText.c_str(), &utc) || !readLong(biasText, &bias)) return;
  utc.dayOfWeek = 0;
  DateTime local;
  if (!utcToLocalWithBias(utc, bias, &local)) return;
  // Only a time that was actually converted counts as coming from the block.
  md.recordingTime = local;
  md.timeFromUtc = true;
  md.timeKnown = true;
}

}  // namespace

void fillMetadata(const std::string& path, Recording& rec) {
  RecordingMetadata md;
  if (rec.attributesParsed) {
    const SonoAttribute attr;
    const std::string& text = rec.attributeText;
    fillPosition(attr, text, md);
    fillTimeFromUtc(attr, text, md);
    std::string value;
    if (attr.getAttribute("DEV", &value, text, kMaxMetadataText)) md.device = value;
    if (attr.getAttribute("CMT", &value, text, kMaxMetadataText)) md.comment = value;
  }
  if (!md.timeKnown) {
    DateTime local;
    if (fileCreationLocalTime(path, &local)) {
      md.recordingTime = local;
      md.timeKnown = true;
    }
  }
  rec.metadata = std::move(md);
}

}  // namespace quilve
