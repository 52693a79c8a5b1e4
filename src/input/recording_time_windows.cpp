// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#include <windows.h>

#include <cstdint>

#include "input/recording_time.h"
#include "input/wide_path.h"

namespace quilve {

namespace {

std::int64_t ticksOf(const FILETIME& t) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

// A system time as 100 ns ticks since 1601.
bool ticksOfSystemTime(const SYSTEMTIME& t, std::int64_t* ticks) {
  FILETIME f{};
  if (!SystemTimeToFileTime(&t, &f)) return false;
  *ticks = ticksOf(f);
  return true;
}

}  // namespace

bool fileCreationLocalTime(const std::string& path, DateTime* local, int* offsetMinutes) {
  if (local == nullptr || path.empty()) return false;
  const std::wstring name = systemPath(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (name.empty() || !GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) return false;
  // Every Windows file system records when a file was made; a zero time
  // (some network shares) leaves the modification time as the closest.
  const FILETIME made = ticksOf(data.ftCreationTime) != 0 ? data.ftCreationTime : data.ftLastWriteTime;
  SYSTEMTIME utc{}, there{};
  if (!FileTimeToSystemTime(&made, &utc)) return false;
  // The zone's rules for the year of the time, not today's bias.
  TIME_ZONE_INFORMATION zone{};
  const bool ofYear = GetTimeZoneInformationForYear(utc.wYear, nullptr, &zone) &&
                      SystemTimeToTzSpecificLocalTime(&zone, &utc, &there);
  if (!ofYear && !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &there)) return false;
  local->year = there.wYear;
  local->month = there.wMonth;
  local->day = there.wDay;
  local->dayOfWeek = there.wDayOfWeek;
  local->hour = there.wHour;
  local->minute = there.wMinute;
  local->second = there.wSecond;
  local->millisecond = there.wMilliseconds;
  if (offsetMinutes) {
    std::int64_t u = 0, l = 0;
    if (!ticksOfSystemTime(utc, &u) || !ticksOfSystemTime(there, &l)) return false;
    *offsetMinutes = static_cast<int>((l - u) / 600000000);
  }
  return true;
}

}  // namespace quilve
