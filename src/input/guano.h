#pragma once
// GUANO 1.0 metadata ("guan" chunk): UTF-8 "Key: value" lines, keys with
// namespaces separated by "|". The fields the scan uses are read; a line or
// value it cannot read is noted and skipped, never a reason to refuse the
// recording.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input/sono_attribute.h"

namespace quilve {

// A date and time as written, with the UTC offset it states, if any.
struct StatedTime {
  DateTime time;  // the writer's own local time (or UTC with offset 0)
  bool hasOffset = false;
  int offsetMinutes = 0;  // local time minus UTC
};

struct GuanoFields {
  bool hasExpansion = false;
  long expansion = 0;  // "TE"
  bool hasTimestamp = false;
  StatedTime timestamp;  // "Timestamp"
  bool hasPosition = false;
  double latitude = 0.0;  // "Loc Position", degrees
  double longitude = 0.0;
  bool hasElevation = false;
  double elevation = 0.0;  // "Loc Elevation", metres
  std::string make, model, serial, note;  // "Make", "Model", "Serial", "Note"
  // One text per line or value that was skipped, for the trace.
  std::vector<std::string> problems;
};

// Parses the body of a "guan" chunk. Text that is not valid UTF-8 keeps its
// valid parts; each invalid byte becomes "?".
GuanoFields parseGuano(const std::uint8_t* data, std::size_t size);

// ISO 8601 as GUANO writes it: YYYY-MM-DDThh:mm:ss (or a blank for the "T"),
// optional fraction of a second (kept to the millisecond), optional "Z" or
// +hh:mm, +hhmm, +hh (or "-"). The date and time must exist.
bool parseIsoTime(std::string_view text, StatedTime* out);

// "YYYY-MM-DDThh:mm:ss.mmm" with "+hh:mm" when the offset is known.
std::string formatIsoTime(const DateTime& time, bool hasOffset, int offsetMinutes);

}  // namespace quilve
