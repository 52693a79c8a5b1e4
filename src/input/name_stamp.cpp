#include "input/name_stamp.h"

#include <cstring>

#include "input/calendar.h"

namespace quilve {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool digitsAt(const char* s, int count, int* value) {
  int v = 0;
  for (int i = 0; i < count; ++i) {
    if (!isDigit(s[i])) return false;
    v = v * 10 + (s[i] - '0');
  }
  *value = v;
  return true;
}

bool validDate(const DateTime& t) {
  return t.year >= 1 && t.day >= 1 && t.day <= daysInMonth(t.year, t.month);
}

bool validTime(const DateTime& t) { return t.hour <= 23 && t.minute <= 59 && t.second <= 59; }

// YYYYMMDD at s.
bool readDate(const char* s, DateTime* t) {
  return digitsAt(s, 4, &t->year) && digitsAt(s + 4, 2, &t->month) && digitsAt(s + 6, 2, &t->day);
}

// hhmmss at s.
bool readTime(const char* s, DateTime* t) {
  return digitsAt(s, 2, &t->hour) && digitsAt(s + 2, 2, &t->minute) && digitsAt(s + 4, 2, &t->second);
}

// DyyyymmddThhmmssmNNN (20 characters): only the time is checked.
bool legacyStamp(const char* s, std::size_t left, NameStamp* out) {
  if (left < 20 || s[0] != 'D' || s[9] != 'T' || s[16] != 'm') return false;
  NameStamp n;
  DateTime& t = n.time.time;
  if (!readTime(s + 10, &t) || !digitsAt(s + 17, 3, &t.millisecond)) return false;
  n.hasDate = readDate(s + 1, &t) && validDate(t) && validTime(t);
  if (!n.hasDate) t.year = t.month = t.day = 0;
  *out = n;
  return true;
}

// YYYYMMDD_HHMMSS[_NNN] and YYYYMMDDTHHMMSS[+HHMM|-HHMM], not inside a
// longer run of digits.
bool digitStamp(const char* s, std::size_t left, NameStamp* out) {
  if (left < 15 || (s[8] != '_' && s[8] != 'T')) return false;
  NameStamp n;
  DateTime& t = n.time.time;
  if (!readDate(s, &t) || !readTime(s + 9, &t) || !validDate(t) || !validTime(t)) return false;
  std::size_t end = 15;
  if (s[8] == '_') {
    if (left >= 19 && s[15] == '_' && digitsAt(s + 16, 3, &t.millisecond) &&
        (left == 19 || !isDigit(s[19]))) {
      end = 19;
    } else {
      t.millisecond = 0;
    }
  } else if (left >= 20 && (s[15] == '+' || s[15] == '-')) {
    int hh = 0, mm = 0;
    if (digitsAt(s + 16, 2, &hh) && digitsAt(s + 18, 2, &mm) && hh <= 23 && mm <= 59 &&
        (left == 20 || !isDigit(s[20]))) {
      n.time.hasOffset = true;
      n.time.offsetMinutes = (s[15] == '-' ? -1 : 1) * (hh * 60 + mm);
      end = 20;
    }
  }
  if (end == 15 && left > 15 && isDigit(s[15])) return false;
  n.hasDate = true;
  *out = n;
  return true;
}

}  // namespace

bool findNameStamp(const char* path, NameStamp* out) {
  if (path == nullptr) return false;
  // Both separators count: names come from Windows-style lists as well as
  // from this machine's paths.
  const char* name = path;
  for (const char* c = path; *c != '\0'; ++c) {
    if (*c == '\\' || *c == '/') name = c + 1;
  }
  const std::size_t length = std::strlen(name);
  for (std::size_t p = 0; p < length; ++p) {
    const char* s = name + p;
    NameStamp n;
    if (legacyStamp(s, length - p, &n) ||
        ((p == 0 || !isDigit(s[-1])) && digitStamp(s, length - p, &n))) {
      if (out) *out = n;
      return true;
    }
  }
  return false;
}

double secondsOfDay(const DateTime& t) {
  return t.hour * 3600.0 + t.minute * 60.0 + t.second + t.millisecond * 0.001;
}

double recordingTimeOfDay(const char* path, const GuanoFields* guano) {
  NameStamp stamp;
  if (findNameStamp(path, &stamp)) return secondsOfDay(stamp.time.time);
  if (guano && guano->hasTimestamp) return secondsOfDay(guano->timestamp.time);
  return 0.0;
}

}  // namespace quilve
