// The forms a file name takes in JSON, results rows and messages.
#include "output/name_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace quilve;

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

}  // namespace

TEST(NameText, ValidUtf8IsKeptAndEveryBrokenByteBecomesOneReplacement) {
  // Valid multibyte forms of every length, up to U+10FFFF.
  for (const std::string& ok : {std::string("plain name.wav"), std::string("\xC3\xA9t\xC3\xA9.wav"),
                               std::string("\xE2\x82\xAC \xED\x9F\xBF \xEE\x80\x80"),
                               std::string("\xF0\x9F\xA6\x87 \xF4\x8F\xBF\xBF"), std::string()}) {
    EXPECT_TRUE(isValidUtf8(ok)) << ok;
    EXPECT_EQ(utf8Text(ok), ok);
  }
  struct Case {
    std::string bytes;
    std::string text;
  };
  const Case broken[] = {
      {"\xE9t\xE9.wav", kReplacement + "t" + kReplacement + ".wav"},  // Latin-1
      {"\xC0\xAF", kReplacement + kReplacement},                      // overlong "/"
      {"\xE0\x80\xAF", kReplacement + kReplacement + kReplacement},   // overlong, 3 bytes
      {"\xF0\x80\x80\xAF", std::string() + kReplacement + kReplacement + kReplacement + kReplacement},
      {"\xED\xA0\x80", kReplacement + kReplacement + kReplacement},  // surrogate U+D800
      {"\xF4\x90\x80\x80", kReplacement + kReplacement + kReplacement + kReplacement},  // above U+10FFFF
      {"\xF8\x88\x80\x80\x80", kReplacement + kReplacement + kReplacement + kReplacement + kReplacement},
      {"a\x80" "b", "a" + kReplacement + "b"},  // a lone continuation byte
      {"x\xE2\x82", "x" + kReplacement + kReplacement},  // cut short at the end
      {"x\xF0\x9F\xA6", "x" + kReplacement + kReplacement + kReplacement},
      {"\xE2\x82" "A", kReplacement + kReplacement + "A"},  // cut short by ASCII
      {"\xFF\xFE", kReplacement + kReplacement},
  };
  for (const Case& c : broken) {
    EXPECT_FALSE(isValidUtf8(c.bytes)) << c.text;
    EXPECT_EQ(utf8Text(c.bytes), c.text);
    EXPECT_TRUE(isValidUtf8(utf8Text(c.bytes)));
  }
}

TEST(NameText, PercentEncodingGivesTheExactBytesBack) {
  EXPECT_EQ(percentEncodedBytes("/card/\xE9t\xE9.wav"), "/card/%E9t%E9.wav");
  EXPECT_EQ(percentEncodedBytes("a b\t100%.wav"), "a%20b%09100%25.wav");
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  const std::string encoded = percentEncodedBytes(every);
  for (const char c : encoded) EXPECT_TRUE(c > 0x20 && c < 0x7F);
  std::string back;
  ASSERT_TRUE(decodePercentBytes(encoded, &back));
  EXPECT_EQ(back, every);
  ASSERT_TRUE(decodePercentBytes("%e9x", &back));
  EXPECT_EQ(back, "\xE9x");
  for (const char* bad : {"%", "%4", "x%G0", "%%"}) EXPECT_FALSE(decodePercentBytes(bad, &back)) << bad;
}

TEST(NameText, TheFilenameColumnHasNoControlCharacters) {
  for (const std::string& ok : {std::string("D20140930T010203m456.wav"), std::string("a b (2).WAV"),
                               std::string("\xE9t\xE9.wav"), std::string("\xC3\xA9t\xC3\xA9.wav")}) {
    EXPECT_EQ(columnText(ok), ok);
  }
  EXPECT_EQ(columnText("a\tb\nc\rd\x7F" "e.wav"), "a?b?c?d?e.wav");
  EXPECT_EQ(columnText(std::string("a\0b", 3)), "a?b");
  // C1 controls and the Unicode line and paragraph separators in UTF-8: one
  // "?" each; a lone byte 0x85 (not UTF-8) is kept.
  EXPECT_EQ(columnText("a\xC2\x85" "b\xE2\x80\xA8" "c\xE2\x80\xA9" "d\x85"), "a?b?c?d\x85");
}

TEST(NameText, MessagesEscapeOnlyWhatIsNeeded) {
  for (const std::string& ok : {std::string("/data/night 1/D20140930T010203m456.wav"),
                               std::string("/data/\xC3\xA9t\xC3\xA9.wav"), std::string("C:\\data\\a.wav")}) {
    EXPECT_EQ(messageText(ok), ok);
  }
  EXPECT_EQ(messageText("/card/\xE9t\xE9.wav"), "/card/\\xE9t\\xE9.wav");
  EXPECT_EQ(messageText("tab\there\nnew\r.wav"), "tab\\x09here\\x0Anew\\x0D.wav");
  EXPECT_EQ(messageText("\x1B[2J"), "\\x1B[2J");
  EXPECT_EQ(messageText("a\xC2\x9B" "b"), "a\\xC2\\x9Bb");  // C1 control in UTF-8
  // A backslash is doubled only where it could start an escape.
  EXPECT_EQ(messageText("a\\x09.wav"), "a\\\\x09.wav");
  EXPECT_EQ(messageText("a\\\\b"), "a\\\\\\b");
  EXPECT_EQ(messageText("a\\\t"), "a\\\\\\x09");
  EXPECT_EQ(messageText("a\\\xE9"), "a\\\\\\xE9");
  EXPECT_EQ(messageText("end\\"), "end\\");
}
