#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <ctime>

#include "input/recording_time.h"

namespace quilve {

namespace {

bool localFromTimespec(std::int64_t seconds, std::int64_t nanoseconds, DateTime* local,
                       int* offsetMinutes) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return false;
  local->year = tm.tm_year + 1900;
  local->month = tm.tm_mon + 1;
  local->day = tm.tm_mday;
  local->dayOfWeek = tm.tm_wday;
  local->hour = tm.tm_hour;
  local->minute = tm.tm_min;
  local->second = tm.tm_sec > 59 ? 59 : tm.tm_sec;  // a leap second shows as :59
  local->millisecond = static_cast<int>(nanoseconds / 1000000);
  if (offsetMinutes) *offsetMinutes = static_cast<int>(tm.tm_gmtoff / 60);
  return true;
}

}  // namespace

bool fileCreationLocalTime(const std::string& path, DateTime* local, int* offsetMinutes) {
  if (local == nullptr || path.empty()) return false;
#ifdef STATX_BTIME
  struct statx sx {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &sx) == 0) {
    // Not every file system records a birth time; then the modification
    // time is the closest to when the recording was made.
    if (sx.stx_mask & STATX_BTIME)
      return localFromTimespec(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec, local,
                               offsetMinutes);
    if (sx.stx_mask & STATX_MTIME)
      return localFromTimespec(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec, local,
                               offsetMinutes);
  }
#endif
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  return localFromTimespec(st.st_mtim.tv_sec, st.st_mtim.tv_nsec, local, offsetMinutes);
}

}  // namespace quilve
