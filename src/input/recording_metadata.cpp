// Recording metadata: position, recording time, device and comment, each
// from the attribute block, else GUANO, else (the time) the file name's
// stamp or the file's own time.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "input/name_stamp.h"
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
  md.timeSource = TimeSource::Attribute;
  md.utcOffsetKnown = true;
  md.utcOffsetMinutes = static_cast<int>(-bias);
}

// A stated time as the recording time, when it is a date the time
// arithmetic can hold (its day of week is worked out on the way).
bool takeStatedTime(const StatedTime& t, TimeSource source, RecordingMetadata& md) {
  DateTime checked;
  if (!utcToLocalWithBias(t.time, 0, &checked)) return false;
  md.recordingTime = checked;
  md.timeKnown = true;
  md.timeSource = source;
  md.utcOffsetKnown = t.hasOffset;
  md.utcOffsetMinutes = t.hasOffset ? t.offsetMinutes : 0;
  return true;
}

// Cuts a text to at most `limit` bytes without splitting a UTF-8 sequence.
std::string boundedText(const std::string& text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

void fillFromGuano(const GuanoFields& g, TimeSource source, RecordingMetadata& md) {
  if (!md.gpsValid && g.hasPosition) {
    md.latitude = static_cast<float>(g.latitude);
    md.longitude = static_cast<float>(g.longitude);
    md.altitude = g.hasElevation ? static_cast<float>(g.elevation) : 0.0f;
    md.gpsValid = true;
  }
  if (!md.timeKnown && g.hasTimestamp) takeStatedTime(g.timestamp, source, md);
  if (md.device == kNoDeviceText) {
    std::string device;
    for (const std::string* part : {&g.make, &g.model, &g.serial}) {
      if (part->empty()) continue;
      if (!device.empty()) device += ' ';
      device += *part;
    }
    if (!device.empty()) md.device = boundedText(device, kMaxMetadataText);
  }
  if (md.comment.empty() && !g.note.empty()) md.comment = boundedText(g.note, kMaxMetadataText);
}

}  // namespace

void fillMetadata(const std::string& path, Recording& rec) {
  RecordingMetadata md;
  md.expansionFactor = rec.metadata.expansionFactor;
  md.expansionSource = rec.metadata.expansionSource;
  if (rec.attributesParsed) {
    const SonoAttribute attr;
    const std::string& text = rec.attributeText;
    fillPosition(attr, text, md);
    fillTimeFromUtc(attr, text, md);
    std::string value;
    if (attr.getAttribute("DEV", &value, text, kMaxMetadataText)) md.device = value;
    if (attr.getAttribute("CMT", &value, text, kMaxMetadataText)) md.comment = value;
  }
  if (rec.hasGuano) fillFromGuano(rec.guano, TimeSource::Guano, md);
  else if (rec.hasWamd) fillFromGuano(rec.wamd, TimeSource::Wamd, md);
  NameStamp stamp;
  if (!md.timeKnown && findNameStamp(path.c_str(), &stamp) && stamp.hasDate) {
    takeStatedTime(stamp.time, TimeSource::Name, md);
  }
  if (!md.timeKnown) {
    DateTime local;
    int offset = 0;
    if (fileCreationLocalTime(path, &local, &offset)) {
      md.recordingTime = local;
      md.timeKnown = true;
      md.timeSource = TimeSource::File;
      md.utcOffsetKnown = true;
      md.utcOffsetMinutes = offset;
    }
  }
  rec.metadata = std::move(md);
}

const char* timeSourceName(TimeSource source) {
  switch (source) {
    case TimeSource::Attribute: return "attribute";
    case TimeSource::Guano: return "guano";
    case TimeSource::Wamd: return "wamd";
    case TimeSource::Name: return "name";
    case TimeSource::File: return "file";
    case TimeSource::None: break;
  }
  return "";
}

const char* expansionSourceName(ExpansionSource source) {
  switch (source) {
    case ExpansionSource::Attribute: return "attribute";
    case ExpansionSource::Guano: return "guano";
    case ExpansionSource::Default: break;
  }
  return "default";
}

}  // namespace quilve
