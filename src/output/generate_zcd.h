#pragma once
// Zero-crossing files (file type 132, the ".00#" family) synthesised from
// traced call contours. No zero crossings are counted in the audio: each
// interval is the time a tone following the contour needs for divideRatio / 2
// cycles, the output of a divide-by-16 counter. Zero-crossing viewers read
// these files, so the header and the interval forms are fixed to the byte.
//
// A generator owns at most one open file, its header text, the reference
// date and time written into the header and the time of the last crossing
// written. The caller owns the generator (one per scan, or one per "Save
// Selected" command).
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "records/call_records.h"
#include "input/sono_attribute.h"

namespace quilve {

// Byte layout of a zero-crossing file.
constexpr std::size_t kZcdTextSize = 276;         // header text block
constexpr std::size_t kZcdHeaderSize = 336;       // where the intervals start
constexpr std::size_t kZcdDataInfoOffset = 282;   // data information block
constexpr std::uint8_t kZcdFileType = 132;
// Text block fields: offset and length within the block.
constexpr std::size_t kZcdDeviceOffset = 0, kZcdDeviceLength = 8;
constexpr std::size_t kZcdDateOffset = 8, kZcdDateLength = 8;
constexpr std::size_t kZcdCommentOffset = 122, kZcdCommentLength = 153;
// Largest interval, in microseconds, that the four-byte form holds.
constexpr std::uint32_t kZcdMaxInterval = 0x1FFFFFFF;
// lastCrossingTime at or below this means no crossing written yet.
constexpr double kZcdNoCrossing = -15.0;
// Longest gap, in seconds, after which a call still continues a combined file.
constexpr double kZcdCombineWindow = 3.0;

// The date and time written into the header.
struct ZcdReference {
  int year = 2014, month = 9, day = 30, hour = 1, minute = 2, second = 3;
  int hundredths = 0;
  int microseconds = 0;  // the part below the hundredths, (ms mod 10) x 1000
};

class GenerateZCD {
 public:
  GenerateZCD();
  virtual ~GenerateZCD();
  GenerateZCD(const GenerateZCD&) = delete;
  GenerateZCD& operator=(const GenerateZCD&) = delete;

  // Blanks the text block (275 blanks and a zero byte).
  void resetText();
  // Fill the device and comment fields of the text block: the text up to
  // its first zero byte or the field's length, each control character
  // (0x01 to 0x1F, 0x7F) as a blank; the rest keeps its blanks.
  void setDevice(const std::string& device);
  void setComment(const std::string& comment);

  // Opens `directory` + the name part of `name` (after the last '\\' or
  // '/'), with the extension handling of filePathFor. Mode "a" with
  // `append`, else "w". Refused (false) with an empty directory or name, or
  // while a file is open, and refused when the file holds a recording
  // (openProblem() says so). Starts a new time base: no crossing yet, no
  // shift.
  bool openFile(const std::string& directory, const std::string& name, bool append);
  // Why the last openFile failed, for the user ("it holds a recording, ...",
  // or the system's reason); empty when it was refused for its arguments.
  const std::string& openProblem() const { return openProblem_; }
  // openFile for the file named after a recording, never appending.
  bool openRecordingFile(const std::string& directory, const std::string& recordingPath);

  // Sets the reference date and time and the date of the text block, then
  // writes the 336-byte header. The position fields are blank unless
  // `positionValid`. Returns whether a file is open; without one only the
  // reference and the text change.
  bool writeHeader(const DateTime& time, float latitude, float longitude, float altitude,
                   bool positionValid);

  // Writes the intervals of one call (trace points 0 .. endPoint-1): first
  // the gap from the last crossing (or from the start of the recording),
  // then the synthesised crossings. Returns true when the call went into an
  // open file; false without an open file or without trace points. A call
  // whose translation ends early (a non-positive local frequency, or an
  // interval that no form holds) keeps what was written and still returns
  // true, so it is never written a second time into another file.
  bool writeCall(const ChirpRecord& trace);

  // Whether the open file can continue with a recording starting at `time`:
  // same day and 0 <= offset < 15 s from the reference (within 10 ms: no
  // change). A later start becomes the new reference and the time base
  // shifts with it; the header in the file is not rewritten.
  bool acceptsRecordingTime(const DateTime& time);

  // A file is open and the call starts 0 .. 3 s after the last crossing.
  bool callFitsWindow(const ChirpRecord& trace) const;

  // Closes the open file; returns whether one was open.
  bool closeFile();

  // Whether a write or close failed since the last call; then the file's
  // path and the system's error number. The failure is taken.
  bool takeWriteFailure(std::string* path, int* error);

  bool isOpen() const { return file_ != nullptr; }
  // Path of the open file; empty when none is open.
  const std::string& openPath() const { return openPath_; }

  const std::array<char, kZcdTextSize>& text() const { return text_; }
  const ZcdReference& reference() const { return reference_; }
  double lastCrossingTime() const { return lastCrossingTime_; }
  double timeShift() const { return timeShift_; }
  float divideRatio() const { return divideRatio_; }

  // Name of a combined file for a recording that starts at `time`: the
  // recording's name, cut before its extension or date stamp, with a year
  // letter in front when it does not start with a letter, and
  // "_yyyymmddhhmm.ss#" appended (rec01.wav -> rec01_201409300102.03#).
  // Empty when no name can be formed (no file name, or year 0).
  static std::string combinedFileName(const std::string& recordingPath, const DateTime& time);

  // The path openFile opens: `directory` (a separator is added when it has
  // none at its end) + the name part of `name`; an extension whose fourth
  // character is '#' is kept, any other extension is replaced by ".00#".
  static std::string filePathFor(const std::string& directory, const std::string& name);

  // The 9-byte latitude and longitude fields and the 4-byte altitude field.
  static std::string latitudeField(float latitude, bool valid);
  static std::string longitudeField(float longitude, bool valid);
  static std::string altitudeField(float altitude, bool valid);

 private:
  void setTextField(std::size_t offset, std::size_t length, const std::string& source);
  void setReference(const DateTime& time);
  // Writes one interval in the smallest form; false when none holds it.
  bool writeInterval(double microseconds);
  void noteWriteFailure();

  std::FILE* file_ = nullptr;
  std::string openPath_;
  bool writeFailed_ = false;
  int writeError_ = 0;
  std::string failedPath_;
  std::string openProblem_;
  float divideRatio_ = 16.0f;
  double lastCrossingTime_ = kZcdNoCrossing;
  double timeShift_ = 0.0;
  ZcdReference reference_;
  std::array<char, kZcdTextSize> text_{};
};

}  // namespace quilve
