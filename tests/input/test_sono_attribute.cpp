#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "input/sono_attribute.h"

namespace quilve {
namespace {

struct Parsed {
  bool ok = false;
  long rate = -1;
  long factor = -1;
  std::optional<long> stated;
  long third = -1;
  std::string text;
};

// Parses the block from a heap copy of exactly its bytes, so that the
// sanitizer build catches any read past its end.
Parsed parse(const std::string& block, long defaultFactor = 1) {
  std::vector<std::uint8_t> bytes(block.begin(), block.end());
  AttributeFields f;
  Parsed p;
  p.ok = SonoAttribute().parseBlock(bytes.empty() ? nullptr : bytes.data(), bytes.size(),
                                    defaultFactor, &f);
  if (p.ok) {
    p.rate = f.sampleRate;
    p.factor = f.factor;
    p.stated = f.statedFactor;
    p.third = f.thirdValue;
    p.text = f.text;
  }
  return p;
}

const std::string kMarker = "MMMMMMMMM";

TEST(AttributeBlock, FullExampleParsesWithFactorCorrection) {
  const Parsed p = parse(kMarker + "(#25000#)<&1&>[!full!]DEV=D1,CMT=<a, b>" + kMarker);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.rate, 25000);
  EXPECT_EQ(p.factor, 10);  // 1 at 25000 Hz means time expansion 10
  EXPECT_EQ(p.third, 25);   // taken before the correction
  EXPECT_EQ(p.text, "DEV=D1,CMT=<a, b>");

  const SonoAttribute attr;
  std::string v;
  ASSERT_TRUE(attr.getAttribute("DEV", &v, p.text));
  EXPECT_EQ(v, "D1");
  ASSERT_TRUE(attr.getAttribute("CMT", &v, p.text));
  EXPECT_EQ(v, "a, b");
}

TEST(AttributeBlock, OptionalFieldsAndCorrections) {
  Parsed p = parse(kMarker + "DEV=X" + kMarker, 10);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.factor, 10);  // caller's default kept
  EXPECT_FALSE(p.stated);
  EXPECT_EQ(p.text, "DEV=X");

  // The default takes the correction too, and is still no stated factor.
  p = parse(kMarker + "(#25000#)DEV=X" + kMarker, 1);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.factor, 10);
  EXPECT_FALSE(p.stated);

  p = parse(kMarker + "(#250000#)<&10&>[!123!]" + kMarker);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.factor, 1);  // 10 at a real-time rate means 1
  EXPECT_EQ(p.stated, 1);
  EXPECT_EQ(p.third, 123);

  p = parse(kMarker + "(#44100#)<&0&>" + kMarker, 10);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.stated, 0);  // stated, even as 0

  p = parse(kMarker + "(#44100#)<&1&>" + kMarker);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.factor, 1);  // no correction at other rates
}

TEST(AttributeBlock, TrailingBytesAfterTheEndMarkerAreIgnored) {
  for (const std::string& tail : {std::string(" "), std::string(1, '\0'), std::string("xyz\0", 4)}) {
    const Parsed p = parse(kMarker + "(#37500#)CMT=hi" + kMarker + tail);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.rate, 37500);
    EXPECT_EQ(p.factor, 10);
    EXPECT_EQ(p.text, "CMT=hi");
  }
}

TEST(AttributeBlock, MalformedBlocksFail) {
  const char* const bad[] = {
      "",
      "MMMMMMMM",                           // shorter than a marker
      "MMMMMMMMXDEV=1MMMMMMMMM",            // start marker one short
      "MMMMMMMMM(#250x#)MMMMMMMMM",         // letter among the digits
      "MMMMMMMMM(#25000MMMMMMMMM",          // no closing "#)"
      "MMMMMMMMM<&1#>MMMMMMMMM",            // wrong closing pair
      "MMMMMMMMM[!fu!]MMMMMMMMM",           // neither digits nor "full"
      "MMMMMMMMM[!fullMMMMMMMMM",           // "full" without "!]"
      "MMMMMMMMM",                          // start marker only
      "MMMMMMMMM text",                     // no end marker
      "MMMMMMMMMDEV=1MMMMMMMM",             // end marker one short
  };
  for (const char* b : bad) EXPECT_FALSE(parse(b).ok) << '"' << b << '"';
}

TEST(AttributeBlock, EndMarkerOverlappingTheFieldsFails) {
  // Each of these ends in "M"s that would have to serve as both the fields'
  // bytes or the start marker and the end marker.
  const char* const overlapping[] = {
      "MMMMMMMMM(#25000#)MMMM",
      "MMMMMMMMM(#25000#)<&1&>MMMMMMMM",
      "MMMMMMMMMMMMMMMMM",  // 17: markers share a byte
      "MMMMMMMMMMMMMMMMM  ",
  };
  for (const char* b : overlapping) EXPECT_FALSE(parse(b).ok) << '"' << b << '"';
  EXPECT_TRUE(parse(std::string(18, 'M')).ok);
}

TEST(AttributeBlock, HugeNumbersFailInsteadOfOverflowing) {
  EXPECT_FALSE(parse(kMarker + "(#99999999999999999999999#)" + kMarker).ok);
  EXPECT_FALSE(parse(kMarker + "<&4294967296&>" + kMarker).ok);
  EXPECT_TRUE(parse(kMarker + "(#2147483647#)<&1&>[!full!]" + kMarker).ok);
}

TEST(AttributeLookup, MatchingAndValueSyntax) {
  const SonoAttribute attr;
  std::string v;
  ASSERT_TRUE(attr.getAttribute("DEV", &v, "XDEV=1"));  // inside a longer key
  EXPECT_EQ(v, "1");
  EXPECT_FALSE(attr.getAttribute("DEV", &v, "DEV="));  // nothing after "="
  EXPECT_FALSE(attr.getAttribute("GPS", &v, "DEV=1,CMT=2"));
  EXPECT_FALSE(attr.getAttribute("", &v, "=1"));

  ASSERT_TRUE(attr.getAttribute("C", &v, "C=x<y,z>w,D=1"));
  EXPECT_EQ(v, "xy,z");  // ends at ">"
  ASSERT_TRUE(attr.getAttribute("C", &v, "C=<open, never closed"));
  EXPECT_EQ(v, "open, never closed");
}

TEST(AttributeLookup, ValuesAreBoundedToTheCallersLength) {
  const SonoAttribute attr;
  std::string v;
  const std::string text = "CMT=" + std::string(500, 'c') + ",DEV=d";
  ASSERT_TRUE(attr.getAttribute("CMT", &v, text, 63));
  EXPECT_EQ(v, std::string(63, 'c'));
  ASSERT_TRUE(attr.getAttribute("DEV", &v, text, 63));
  EXPECT_EQ(v, "d");
}

TEST(AttributeDateTime, StrictForm) {
  const SonoAttribute attr;
  DateTime t;
  t.dayOfWeek = 5;
  ASSERT_TRUE(attr.parseDateTime("2014:09:30::01:02:03.456", &t));
  EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond,
                              t.dayOfWeek}),
            std::vector<int>({2014, 9, 30, 1, 2, 3, 456, 0}));

  const char* const bad[] = {
      "",
      "2014:09:30::01:02:03.45",   // short
      "2014:09:30:01:02:03.456",   // single colon before the hour
      "2014-09-30::01:02:03.456",  // wrong separator
      "2014:9:30::01:02:03.456",   // missing digit
      "2014:09:30::01:02:03,456",
      " 2014:09:30::01:02:03.45",
      "2014:0a:30::01:02:03.456",
  };
  for (const char* b : bad) EXPECT_FALSE(attr.parseDateTime(b, &t)) << '"' << b << '"';
  EXPECT_FALSE(attr.parseDateTime(nullptr, &t));
}

TEST(AttributeUnsigned, DigitsBetweenWhiteSpace) {
  const SonoAttribute attr;
  unsigned long v = 99;
  ASSERT_TRUE(attr.parseUnsigned("  300", &v));
  EXPECT_EQ(v, 300u);
  ASSERT_TRUE(attr.parseUnsigned("42 ", &v));
  EXPECT_EQ(v, 42u);
  ASSERT_TRUE(attr.parseUnsigned("", &v));
  EXPECT_EQ(v, 0u);
  EXPECT_FALSE(attr.parseUnsigned("-5", &v));
  EXPECT_FALSE(attr.parseUnsigned("12a", &v));
  EXPECT_FALSE(attr.parseUnsigned("99999999999999999999999", &v));  // would wrap
}

}  // namespace
}  // namespace quilve
