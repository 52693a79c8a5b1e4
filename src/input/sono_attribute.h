#pragma once
// The SONO_ATTR attribute block of SonoBat and PELLAR recordings: markers,
// the optional rate/factor/third-value fields and KEY=value attributes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quilve {

struct DateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int dayOfWeek = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The fields of a parsed attribute block.
struct AttributeFields {
  long sampleRate = 0;
  // The expansion factor the block states, with the correction for its
  // rate; none when the block states no factor.
  std::optional<long> statedFactor;
  // The stated factor, else the caller's default with the same correction.
  long factor = 1;
  long thirdValue = 0;
  std::string text;
};

class SonoAttribute {
 public:
  virtual ~SonoAttribute() = default;

  // Parses a block of `length` bytes into `out` (left as it was on failure).
  // `defaultFactor` stands for a factor the block does not state.
  virtual bool parseBlock(const std::uint8_t* block, std::size_t length, long defaultFactor,
                          AttributeFields* out) const;
  // Looks up KEY= in the attribute text; the value is bounded to
  // `maxValueLength` characters.
  virtual bool getAttribute(const char* key, std::string* value, const std::string& text,
                            std::size_t maxValueLength = 255) const;
  // Reads "YYYY:MM:DD::hh:mm:ss.mmm".
  virtual bool parseDateTime(const char* text, DateTime* out) const;
  // Reads an unsigned decimal number with surrounding white space.
  virtual bool parseUnsigned(const char* text, unsigned long* value) const;
};

}  // namespace quilve
