// GUANO metadata, the "wamd" chunk and the date-time stamps of file names:
// the GUANO and "wamd" parses,
// the ISO 8601 reader, the name-stamp search on the same bytes taken as a
// file name, and the metadata filling from what GUANO gave.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "input/guano.h"
#include "input/name_stamp.h"
#include "input/recording.h"
#include "input/wamd.h"

using namespace quilve;
using quilve::fuzz::expect;

namespace {

bool validDateTime(const DateTime& t) {
  return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= 31 && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
         t.second >= 0 && t.second <= 59 && t.millisecond >= 0 && t.millisecond <= 999;
}

void checkStated(const StatedTime& t) {
  expect(validDateTime(t.time), "a read time is out of range");
  expect(t.offsetMinutes > -24 * 60 && t.offsetMinutes < 24 * 60, "an offset is out of range");
  expect(t.hasOffset || t.offsetMinutes == 0, "an offset without hasOffset");
  const std::string iso = formatIsoTime(t.time, t.hasOffset, t.offsetMinutes);
  expect(iso.size() == (t.hasOffset ? 29u : 23u), "formatted time of unexpected length");
  StatedTime back;
  expect(parseIsoTime(iso, &back), "a formatted time does not read back");
  expect(std::memcmp(&back.time, &t.time, sizeof t.time) == 0 && back.hasOffset == t.hasOffset &&
             back.offsetMinutes == t.offsetMinutes,
         "a formatted time reads back differently");
}

bool isUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3
                                         : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += len;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const GuanoFields g = parseGuano(data, size);
  if (g.hasTimestamp) checkStated(g.timestamp);
  if (g.hasExpansion) expect(g.expansion >= 1 && g.expansion <= 9999, "TE out of range");
  if (g.hasPosition) {
    expect(g.latitude >= -90 && g.latitude <= 90 && g.longitude >= -180 && g.longitude <= 180,
           "position out of range");
  }
  for (const std::string* s : {&g.make, &g.model, &g.serial, &g.note}) {
    expect(isUtf8(*s), "a text field is not UTF-8");
    expect(s->size() <= size, "a text field longer than the input");
  }

  // The same bytes as a "wamd" chunk.
  const GuanoFields w = parseWamd(data, size);
  if (w.hasTimestamp) checkStated(w.timestamp);
  if (w.hasPosition) {
    expect(w.latitude >= -90 && w.latitude <= 90 && w.longitude >= -180 && w.longitude <= 180,
           "wamd position out of range");
  }

  // The raw bytes as one ISO time.
  const std::string text(reinterpret_cast<const char*>(data), size);
  StatedTime t;
  if (parseIsoTime(text, &t)) checkStated(t);

  // The same bytes as a file name (up to a NUL, as a path would end).
  NameStamp stamp;
  if (findNameStamp(text.c_str(), &stamp)) {
    const double seconds = secondsOfDay(stamp.time.time);
    expect(seconds >= 0 && seconds < 100 * 3600, "a name stamp's time of day is out of range");
    if (stamp.hasDate) checkStated(stamp.time);
  }

  // The metadata as the open step fills it, with a real file behind the
  // path for the fallback to the file's time.
  const std::string& path = fuzz::writeInput(data, size, ".wav");
  Recording rec;
  rec.hasGuano = true;
  rec.guano = g;
  fillMetadata(path, rec);
  expect(rec.metadata.device.size() <= 255, "device text longer than its bound");
  expect(rec.metadata.comment.size() <= 255, "comment longer than its bound");
  expect(isUtf8(rec.metadata.device) && isUtf8(rec.metadata.comment), "cut inside a character");
  expect(rec.metadata.timeKnown, "no recording time at all");
  (void)previewComment(rec);
  return 0;
}
