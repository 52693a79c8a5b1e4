// The attribute block of a recording's header extension: the block parse,
// every key the metadata uses, the date and number readers, and the
// metadata filling itself.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "input/recording.h"
#include "input/sono_attribute.h"

using namespace quilve;
using quilve::fuzz::expect;

namespace {

const char* const kKeys[] = {"GPS", "UTC", "LTB", "DEV", "CMT", "G", ""};

void lookUpEverything(const SonoAttribute& attr, const std::string& text) {
  for (const char* key : kKeys) {
    for (std::size_t limit : {std::size_t(255), std::size_t(8), std::size_t(0)}) {
      std::string value;
      if (attr.getAttribute(key, &value, text, limit)) {
        expect(value.size() <= limit, "attribute value longer than its bound");
        DateTime t;
        (void)attr.parseDateTime(value.c_str(), &t);
        unsigned long n = 0;
        (void)attr.parseUnsigned(value.c_str(), &n);
      }
    }
  }
  (void)attr.getAttribute(nullptr, nullptr, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A header extension holds at most kMaxExtraBytes; longer inputs still go
  // to the parser, which takes any length.
  const SonoAttribute attr;
  AttributeFields fields;
  const bool parsed = attr.parseBlock(data, size, 10, &fields);
  const std::string& text = fields.text;
  if (parsed) {
    expect(!fields.statedFactor || *fields.statedFactor == fields.factor,
           "stated factor not the one given");
    expect(text.size() <= size, "attribute text longer than the block");
    expect(std::memchr(text.data(), '\0', text.size()) == nullptr, "attribute text holds a NUL");
    lookUpEverything(attr, text);

    // The metadata filling as the open step does it, with a real file behind
    // the path for the fallback to the file's time.
    const std::string& path = fuzz::writeInput(data, size, ".wav");
    Recording rec;
    rec.attributesParsed = true;
    rec.attributeText = text;
    fillMetadata(path, rec);
    expect(rec.metadata.device.size() <= 255, "device text longer than its bound");
    expect(rec.metadata.comment.size() <= 255, "comment longer than its bound");
    if (rec.metadata.timeFromUtc) {
      const DateTime& t = rec.metadata.recordingTime;
      expect(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour >= 0 &&
                 t.hour <= 23 && t.minute >= 0 && t.minute <= 59,
             "converted time out of range");
    }
    (void)previewComment(rec);
  }
  // The raw bytes as attribute text too: lookups must hold on any text.
  lookUpEverything(attr, std::string(reinterpret_cast<const char*>(data), size));
  // Both readers take terminated text.
  const std::string terminated(reinterpret_cast<const char*>(data), size);
  DateTime t;
  (void)attr.parseDateTime(terminated.c_str(), &t);
  unsigned long n = 0;
  (void)attr.parseUnsigned(terminated.c_str(), &n);
  return 0;
}
