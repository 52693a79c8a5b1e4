// GUANO metadata: the fields the scan uses, ISO 8601 times with and without
// an offset, and broken or missing input that must never stop a recording.
#include <gtest/gtest.h>

#include <string>

#include "input/guano.h"
#include "input/wamd.h"
#include "support/wav_writer.h"

using namespace quilve;
using quilve::test::guanoBody;

namespace {

GuanoFields parse(const std::vector<std::pair<std::string, std::string>>& fields) {
  const auto body = guanoBody(fields);
  return parseGuano(body.data(), body.size());
}

GuanoFields parseText(const std::string& text) {
  return parseGuano(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::string iso(const StatedTime& t) { return formatIsoTime(t.time, t.hasOffset, t.offsetMinutes); }

}  // namespace

TEST(Guano, ReadsTheFieldsTheScanUses) {
  const GuanoFields g = parse({{"Make", "Wildlife Acoustics"},
                               {"Model", "SM4BAT-FS"},
                               {"Serial", "S4U09999"},
                               {"TE", "10"},
                               {"Timestamp", "2021-06-15T22:22:35.319-06:00"},
                               {"Loc Position", "40.16872 -105.90369"},
                               {"Loc Elevation", "2501.5"},
                               {"Note", "two\\nlines"},
                               {"NABat|Latitude", "1.0"},
                               {"WA|Kaleidoscope|Version", "5.4.2"}});
  EXPECT_TRUE(g.problems.empty());
  EXPECT_EQ(g.make, "Wildlife Acoustics");
  EXPECT_EQ(g.model, "SM4BAT-FS");
  EXPECT_EQ(g.serial, "S4U09999");
  ASSERT_TRUE(g.hasExpansion);
  EXPECT_EQ(g.expansion, 10);
  ASSERT_TRUE(g.hasTimestamp);
  EXPECT_EQ(iso(g.timestamp), "2021-06-15T22:22:35.319-06:00");
  ASSERT_TRUE(g.hasPosition);
  EXPECT_DOUBLE_EQ(g.latitude, 40.16872);
  EXPECT_DOUBLE_EQ(g.longitude, -105.90369);
  ASSERT_TRUE(g.hasElevation);
  EXPECT_DOUBLE_EQ(g.elevation, 2501.5);
  EXPECT_EQ(g.note, "two lines");
}

TEST(Guano, TimestampsWithAndWithoutOffset) {
  struct Case {
    const char* text;
    const char* shown;  // "" when refused
  } cases[] = {
      {"2021-07-19T16:00:59", "2021-07-19T16:00:59.000"},  // no offset: stays local
      {"2020-02-29T00:00:00Z", "2020-02-29T00:00:00.000+00:00"},
      {"2022-06-27T22:42:46.759-06:00", "2022-06-27T22:42:46.759-06:00"},
      {"2022-06-27 22:42:46.5+0530", "2022-06-27T22:42:46.500+05:30"},
      {"2022-06-27T22:42:46,123456+01", "2022-06-27T22:42:46.123+01:00"},
      {"2022-06-27T22:42:46.7", "2022-06-27T22:42:46.700"},
      {"2021-02-29T00:00:00", ""},        // no such day
      {"2021-06-15T24:00:00", ""},        // no such hour
      {"2021-06-15T22:22:60", ""},
      {"2021-06-15T22:22", ""},           // seconds missing
      {"2021-06-15T22:22:35.", ""},       // a point with no digits
      {"2021-06-15T22:22:35+6", ""},
      {"2021-06-15T22:22:35 Z", ""},
      {"2021-06-15T22:22:35-06:00x", ""},
      {"15/06/2021 22:22:35", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const GuanoFields g = parse({{"Timestamp", c.text}});
    if (*c.shown) {
      ASSERT_TRUE(g.hasTimestamp);
      EXPECT_EQ(iso(g.timestamp), c.shown);
      EXPECT_TRUE(g.problems.empty());
    } else {
      EXPECT_FALSE(g.hasTimestamp);
      ASSERT_EQ(g.problems.size(), 1u);
      EXPECT_NE(g.problems[0].find("Timestamp"), std::string::npos) << g.problems[0];
    }
  }
}

TEST(Guano, BrokenAndMissingInputIsSkippedLineByLine) {
  // Nothing at all, only the version line, only padding.
  EXPECT_FALSE(parseGuano(nullptr, 0).hasTimestamp);
  GuanoFields g = parse({});
  EXPECT_FALSE(g.hasTimestamp || g.hasExpansion || g.hasPosition || g.hasElevation);
  EXPECT_TRUE(g.problems.empty());
  EXPECT_TRUE(parseText(std::string(40, '\0')).problems.empty());

  // A line without a key, bad values: each is noted, the good fields stay.
  g = parse({{"", "this line has no colon"},
             {"", ": value without a key"},
             {"TE", "ten"},
             {"Loc Position", "91.0 10.0"},
             {"Loc Elevation", "high"},
             {"Timestamp", "2021-06-15T22:22:35"},
             {"Make", "Pettersson"}});
  EXPECT_EQ(g.problems.size(), 5u);
  EXPECT_FALSE(g.hasExpansion);
  EXPECT_FALSE(g.hasPosition);
  EXPECT_FALSE(g.hasElevation);
  EXPECT_TRUE(g.hasTimestamp);
  EXPECT_EQ(g.make, "Pettersson");
  for (const std::string& p : g.problems) EXPECT_EQ(p.find('\n'), std::string::npos) << p;

  // CR LF lines, no blank after the colon, blanks around values, a comma
  // between latitude and longitude, text after a NUL is padding.
  g = parseText(std::string("GUANO|Version:1.0\r\nTE:1\r\nLoc Position:  -33.5,151.25  \r\n", 52) +
                std::string("\0Make: lost", 11));
  EXPECT_TRUE(g.problems.empty());
  EXPECT_EQ(g.expansion, 1);
  EXPECT_DOUBLE_EQ(g.latitude, -33.5);
  EXPECT_DOUBLE_EQ(g.longitude, 151.25);
  EXPECT_EQ(g.make, "");
  // TE of 0 is no factor.
  EXPECT_FALSE(parse({{"TE", "0"}}).hasExpansion);
}

TEST(Guano, NonAsciiTextIsKeptAndInvalidBytesAreReplaced) {
  GuanoFields g = parse({{"Make", "Écholocation GmbH"}, {"Note", "Fledermäuse am Teich 🦇"}});
  EXPECT_EQ(g.make, "Écholocation GmbH");
  EXPECT_EQ(g.note, "Fledermäuse am Teich 🦇");
  // Latin-1 bytes, a cut sequence, an overlong form and a surrogate.
  g = parseText("Make: caf\xe9\nModel: \xe2\x82\nSerial: \xc0\xaf-\xed\xa0\x80\n");
  EXPECT_EQ(g.make, "caf?");
  EXPECT_EQ(g.model, "??");
  EXPECT_EQ(g.serial, "??" "-???");
}

namespace {

// A "wamd" entry: 16-bit identifier, 32-bit length, the bytes.
void wamdEntry(quilve::test::Bytes& b, std::uint16_t id, const std::string& text) {
  quilve::test::putU16(b, id);
  quilve::test::putU32(b, static_cast<std::uint32_t>(text.size()));
  quilve::test::putText(b, text);
}

}  // namespace

TEST(Wamd, TimeStampAndPosition) {
  quilve::test::Bytes b;
  wamdEntry(b, 0x0000, std::string("\x01\x00", 2));
  wamdEntry(b, 0x0001, "SM4BAT");
  wamdEntry(b, 0x0005, std::string("2022-06-27 22:42:46.759-06:00\0", 30));
  wamdEntry(b, 0x0006, "WGS84,40.16872,N,105.90369,W,2501");
  GuanoFields g = parseWamd(b.data(), b.size());
  EXPECT_TRUE(g.problems.empty());
  ASSERT_TRUE(g.hasTimestamp);
  EXPECT_EQ(iso(g.timestamp), "2022-06-27T22:42:46.759-06:00");
  ASSERT_TRUE(g.hasPosition);
  EXPECT_DOUBLE_EQ(g.latitude, 40.16872);
  EXPECT_DOUBLE_EQ(g.longitude, -105.90369);
  EXPECT_DOUBLE_EQ(g.elevation, 2501.0);
  EXPECT_EQ(g.model, "");  // only the time and the position are read

  // Unreadable entries are noted; an entry longer than the chunk ends it.
  b.clear();
  wamdEntry(b, 0x0006, "WGS84,40.1,X,105.9,W");
  wamdEntry(b, 0x0005, "yesterday");
  quilve::test::putU16(b, 0x0005);
  quilve::test::putU32(b, 1000);
  g = parseWamd(b.data(), b.size());
  EXPECT_FALSE(g.hasPosition || g.hasTimestamp);
  EXPECT_EQ(g.problems.size(), 3u);
  EXPECT_TRUE(parseWamd(nullptr, 0).problems.empty());
}
