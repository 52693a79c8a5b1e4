#pragma once
// Month lengths of the Gregorian calendar, for every reader that checks the
// date of a recording's time stamp.
namespace quilve {

inline bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days in `month` (1..12) of `year`; 0 for a month outside 1..12.
inline int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace quilve
