#include "output/generate_zcd.h"

#include "output/recording_signature.h"
#include "settings/open_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace quilve {

namespace {

// The part of a path after its last separator. Recording paths may come
// from either platform, so both '\\' and '/' separate.
std::string namePart(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

void putLittle16(std::uint8_t* out, unsigned value) {
  out[0] = static_cast<std::uint8_t>(value & 0xFF);
  out[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void putText(std::uint8_t* out, const std::string& text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    out[i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

// "%0*.5f" of the absolute value with the decimal point taken out, behind
// the hemisphere letter. The integer part is zero-padded to `intDigits`, so
// 5.5 gives 0550000 rather than a number that reads as 55.0000.
std::string positionDigits(char hemisphere, double magnitude, int intDigits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%c%0*.5f", hemisphere, intDigits + 6, magnitude);
  std::string out(buffer);
  out.erase(std::remove(out.begin(), out.end(), '.'), out.end());
  return out;
}

bool isDateStampAt(const std::string& name, std::size_t pos) {
  std::size_t i = pos;
  while (i < name.size() && (name[i] == 'D' || name[i] == 'd')) ++i;
  if (i + 8 > name.size()) return false;
  for (std::size_t k = i; k < i + 8; ++k)
    if (!std::isdigit(static_cast<unsigned char>(name[k]))) return false;
  return true;
}

char yearLetter(int year) {
  if (year >= 1990 && year <= 1999) return static_cast<char>('0' + (year - 1990));
  if (year >= 2000 && year <= 2025) return static_cast<char>('A' + (year - 2000));
  if (year >= 2026 && year <= 2050) return static_cast<char>(year - 1928);
  return 'z';
}

}  // namespace

GenerateZCD::GenerateZCD() { resetText(); }

GenerateZCD::~GenerateZCD() { closeFile(); }

void GenerateZCD::resetText() {
  text_.fill(' ');
  text_[kZcdTextSize - 1] = '\0';
}

void GenerateZCD::setTextField(std::size_t offset, std::size_t length,
                               const std::string& source) {
  // The fields are blank-padded text of fixed size: a control character (a
  // line end in a recording's comment) is written as a blank.
  for (std::size_t i = 0; i < length && i < source.size() && source[i] != '\0'; ++i) {
    const auto c = static_cast<unsigned char>(source[i]);
    text_[offset + i] = c < 0x20 || c == 0x7F ? ' ' : source[i];
  }
}

void GenerateZCD::setDevice(const std::string& device) {
  setTextField(kZcdDeviceOffset, kZcdDeviceLength, device);
}

void GenerateZCD::setComment(const std::string& comment) {
  setTextField(kZcdCommentOffset, kZcdCommentLength, comment);
}

std::string GenerateZCD::filePathFor(const std::string& directory, const std::string& name) {
  std::string file = namePart(name);
  const std::size_t dot = file.find_last_of('.');
  const bool zcdExtension = dot != std::string::npos && dot + 3 < file.size() &&
                            file[dot + 3] == '#';
  if (!zcdExtension) {
    if (dot != std::string::npos) file.erase(dot);
    file += ".00#";
  }
  std::string path = directory;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  return path + file;
}

bool GenerateZCD::openFile(const std::string& directory, const std::string& name, bool append) {
  openProblem_.clear();
  if (file_ != nullptr || directory.empty() || name.empty() || namePart(name).empty())
    return false;
  const std::string path = filePathFor(directory, name);
  // A recording under that name is never written over nor appended to.
  if (holdsRecording(path)) {
    openProblem_ = "it holds a recording, which is not replaced";
    return false;
  }
  file_ = quilve::openFile(path, append ? "ab" : "wb");
  if (file_ == nullptr) {
    openProblem_ = std::strerror(errno);
    return false;
  }
  openPath_ = path;
  lastCrossingTime_ = kZcdNoCrossing;
  timeShift_ = 0.0;
  return true;
}

bool GenerateZCD::openRecordingFile(const std::string& directory,
                                    const std::string& recordingPath) {
  return openFile(directory, recordingPath, false);
}

void GenerateZCD::noteWriteFailure() {
  if (writeFailed_) return;
  writeFailed_ = true;
  writeError_ = errno;
  failedPath_ = openPath_;
}

bool GenerateZCD::takeWriteFailure(std::string* path, int* error) {
  if (!writeFailed_) return false;
  writeFailed_ = false;
  if (path) *path = failedPath_;
  if (error) *error = writeError_;
  return true;
}

bool GenerateZCD::closeFile() {
  if (file_ == nullptr) return false;
  // Buffered records reach the disk here: a full disk shows at the close.
  if (std::fclose(file_) != 0) noteWriteFailure();
  file_ = nullptr;
  openPath_.clear();
  return true;
}

void GenerateZCD::setReference(const DateTime& time) {
  reference_.year = time.year;
  reference_.month = time.month;
  reference_.day = time.day;
  reference_.hour = time.hour;
  reference_.minute = time.minute;
  reference_.second = time.second;
  reference_.hundredths = time.millisecond / 10;
  reference_.microseconds = (time.millisecond % 10) * 1000;
}

std::string GenerateZCD::latitudeField(float latitude, bool valid) {
  if (!valid || !std::isfinite(latitude)) return std::string(9, ' ');
  const double magnitude = std::min(std::fabs(static_cast<double>(latitude)), 90.0);
  return positionDigits(latitude < 0 ? 'S' : 'N', magnitude, 2) + ' ';
}

std::string GenerateZCD::longitudeField(float longitude, bool valid) {
  if (!valid || !std::isfinite(longitude)) return std::string(9, ' ');
  const double magnitude = std::min(std::fabs(static_cast<double>(longitude)), 180.0);
  return positionDigits(longitude < 0 ? 'W' : 'E', magnitude, 3);
}

std::string GenerateZCD::altitudeField(float altitude, bool valid) {
  if (!valid) return std::string(4, ' ');
  int metres = 0;
  if (std::isfinite(altitude))
    metres = static_cast<int>(std::clamp(static_cast<double>(altitude), -999.0, 9999.0));
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d", metres);
  return buffer;
}

bool GenerateZCD::writeHeader(const DateTime& time, float latitude, float longitude,
                              float altitude, bool positionValid) {
  setReference(time);
  char date[32];
  std::snprintf(date, sizeof date, "%04d%02d%02d", time.year, time.month, time.day);
  // An out-of-range date is cut to the field rather than spilling into the
  // next one.
  for (std::size_t i = 0; i < kZcdDateLength; ++i)
    text_[kZcdDateOffset + i] = date[i] != '\0' ? date[i] : ' ';
  if (file_ == nullptr) return false;

  std::array<std::uint8_t, kZcdHeaderSize> h{};
  putLittle16(&h[0], kZcdDataInfoOffset);
  h[2] = 0;
  h[3] = kZcdFileType;
  putLittle16(&h[4], 0);
  std::memcpy(&h[6], text_.data(), kZcdTextSize);
  putLittle16(&h[282], kZcdHeaderSize);
  putLittle16(&h[284], 25000);
  h[286] = static_cast<std::uint8_t>(static_cast<int>(divideRatio_));
  h[287] = 82;
  putLittle16(&h[288], static_cast<unsigned>(reference_.year));
  h[290] = static_cast<std::uint8_t>(reference_.month);
  h[291] = static_cast<std::uint8_t>(reference_.day);
  h[292] = static_cast<std::uint8_t>(reference_.hour);
  h[293] = static_cast<std::uint8_t>(reference_.minute);
  h[294] = static_cast<std::uint8_t>(reference_.second);
  h[295] = static_cast<std::uint8_t>(reference_.hundredths);
  putLittle16(&h[296], static_cast<unsigned>(reference_.microseconds));
  putText(&h[298], "TRKZCD", 6);
  putText(&h[304], "WGS84", 10);
  putText(&h[314], latitudeField(latitude, positionValid), 9);
  putText(&h[323], longitudeField(longitude, positionValid), 9);
  putText(&h[332], altitudeField(altitude, positionValid), 4);
  if (std::fwrite(h.data(), 1, h.size(), file_) != h.size()) noteWriteFailure();
  return true;
}

bool GenerateZCD::writeInterval(double microseconds) {
  // Rounded half up; checked before the conversion so that no value is
  // too large for the integer it goes into.
  const double rounded = std::floor(microseconds + 0.5);
  if (!(rounded >= 0.0) || rounded > static_cast<double>(kZcdMaxInterval)) return false;
  const auto v = static_cast<std::uint32_t>(rounded);
  std::uint8_t bytes[4];
  std::size_t count;
  if (v <= 8191) {
    bytes[0] = static_cast<std::uint8_t>(0x80 + ((v >> 8) & 0x1F));
    bytes[1] = static_cast<std::uint8_t>(v & 0xFF);
    count = 2;
  } else if (v <= 0x1FFFFF) {
    bytes[0] = static_cast<std::uint8_t>(0xA0 + ((v >> 16) & 0x1F));
    bytes[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    bytes[2] = static_cast<std::uint8_t>(v & 0xFF);
    count = 3;
  } else {
    bytes[0] = static_cast<std::uint8_t>(0xC0 + ((v >> 24) & 0x1F));
    bytes[1] = static_cast<std::uint8_t>((v >> 16) & 0xFF);
    bytes[2] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    bytes[3] = static_cast<std::uint8_t>(v & 0xFF);
    count = 4;
  }
  if (std::fwrite(bytes, 1, count, file_) != count) noteWriteFailure();
  return true;
}

bool GenerateZCD::writeCall(const ChirpRecord& trace) {
  if (file_ == nullptr) return false;
  const int endPoint = trace.endPoint;
  if (endPoint < 1 || endPoint > kTracePoints) return false;
  const auto& p = trace.points;
  const double tStart = p[0].time;
  const double tEnd = p[endPoint - 1].time;

  const double gap = lastCrossingTime_ > kZcdNoCrossing ? tStart - lastCrossingTime_ : tStart;
  if (gap > 0) writeInterval(gap * 1e6);

  // Each interval is the time the tone, starting at the contour's local
  // frequency b and sweeping at its local slope a, needs for n cycles.
  const double n = static_cast<double>(divideRatio_) * 0.5;
  double t = tStart;
  int k = 0;
  while (k < endPoint - 1 && t < tEnd) {
    const double d = t - p[k].time;
    const double f = p[k].frequency;
    const double s = p[k].smoothedSlope;
    const double c = p[k].smoothedCurvature;
    const double a = s + c * d;
    const double b = f + s * d + 0.5 * c * d * d;
    // A tone at or below 0 Hz completes no cycles: the rest of the contour
    // cannot be translated.
    if (!(b > 0.0) || !std::isfinite(a)) break;
    double x = -1.0;
    if (std::fabs(a) > 1.0) {
      const double disc = b * b + 2.0 * a * n;
      // A negative discriminant means the sweep reaches 0 Hz before the
      // cycles are complete; the constant-frequency interval stands in.
      if (disc >= 0.0) x = (std::sqrt(disc) - b) / a;
    }
    if (!(x >= 0.0)) x = n / b;
    // An interval that rounds to 0 us (a tone above 16 MHz) would never
    // move the time on: the contour is not a call any more.
    if (!std::isfinite(x) || x * 1e6 + 0.5 < 1.0) break;
    if (!writeInterval(x * 1e6)) break;
    t += x;
    if (t >= p[k + 1].time) k += 1;
  }
  lastCrossingTime_ = t;
  return true;
}

bool GenerateZCD::acceptsRecordingTime(const DateTime& time) {
  if (file_ == nullptr) return false;
  if (time.year != reference_.year || time.month != reference_.month ||
      time.day != reference_.day)
    return false;
  const double b = (time.hour - reference_.hour) * 3600.0 +
                   (time.minute - reference_.minute) * 60.0 +
                   (time.second - reference_.second) +
                   (time.millisecond -
                    (reference_.hundredths * 10 + reference_.microseconds / 1000)) *
                       0.001;
  if (b <= -0.01 || b >= 15.0) return false;
  if (std::fabs(b) < 0.01) return true;
  setReference(time);
  lastCrossingTime_ -= b;
  timeShift_ += b;
  return true;
}

bool GenerateZCD::callFitsWindow(const ChirpRecord& trace) const {
  if (file_ == nullptr) return false;
  const double gap = static_cast<double>(trace.points[0].time) - lastCrossingTime_;
  return gap >= 0.0 && gap <= kZcdCombineWindow;
}

std::string GenerateZCD::combinedFileName(const std::string& recordingPath,
                                          const DateTime& time) {
  std::string name = namePart(recordingPath);
  if (name.empty() || time.year == 0) return {};
  if (!std::isalpha(static_cast<unsigned char>(name[0])))
    name.insert(name.begin(), yearLetter(time.year));

  // Stop at the extension or at a date stamp: the new name carries the
  // recording's time itself.
  std::size_t stop = 0;
  while (stop < name.size() && name[stop] != '.' && !isDateStampAt(name, stop)) ++stop;
  // Drop the stop position and any separators before it; the first
  // character, a letter by now, always stays.
  std::size_t last = stop;
  while (last > 0) {
    const auto ch = static_cast<unsigned char>(last < name.size() ? name[last] : '\0');
    if (ch != '\0' && !std::ispunct(ch) && !std::isspace(ch) && !isDateStampAt(name, last))
      break;
    --last;
  }
  // `last` is the last kept character: append after it when it is a letter
  // or digit, else in its place.
  const bool keepLast = std::isalnum(static_cast<unsigned char>(name[last])) != 0;
  name.erase(keepLast ? last + 1 : last);

  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "_%04d%02d%02d%02d%02d.%02d#", time.year, time.month,
                time.day, time.hour, time.minute, time.second);
  return name + stamp;
}

}  // namespace quilve
