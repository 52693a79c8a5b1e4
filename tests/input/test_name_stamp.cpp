// Date-time stamps in recording file names.
#include <gtest/gtest.h>

#include "input/name_stamp.h"

using namespace quilve;

namespace {

// The stamp as ISO text, "" when the name holds none, "time hh:mm:ss.mmm"
// when it holds a time without a date.
std::string stampOf(const char* path) {
  NameStamp s;
  if (!findNameStamp(path, &s)) return "";
  if (!s.hasDate) {
    char t[32];
    std::snprintf(t, sizeof t, "time %02d:%02d:%02d.%03d", s.time.time.hour, s.time.time.minute,
                  s.time.time.second, s.time.time.millisecond);
    return t;
  }
  return formatIsoTime(s.time.time, s.time.hasOffset, s.time.offsetMinutes);
}

}  // namespace

TEST(NameStamp, RecorderForms) {
  EXPECT_EQ(stampOf("/data/3517_SE_20220627_224246_759.wav"), "2022-06-27T22:42:46.759");
  EXPECT_EQ(stampOf("3773_SE_Array_S1_20210615_222235_319.wav"), "2021-06-15T22:22:35.319");
  EXPECT_EQ(stampOf("20210615_222235.WAV"), "2021-06-15T22:22:35.000");
  EXPECT_EQ(stampOf("S4U01234_20210615_222235_000.wav"), "2021-06-15T22:22:35.000");
  EXPECT_EQ(stampOf("PAR_20200101T235959.wav"), "2020-01-01T23:59:59.000");
  EXPECT_EQ(stampOf("x-20200101T235959+0130.wav"), "2020-01-01T23:59:59.000+01:30");
  EXPECT_EQ(stampOf("x-20200101T235959-0600_b.wav"), "2020-01-01T23:59:59.000-06:00");
  EXPECT_EQ(stampOf("C:\\bats\\night_D20120704T213015m250.wav"), "2012-07-04T21:30:15.250");
  // The older form is read for its time alone, whatever its date digits.
  EXPECT_EQ(stampOf("Dxxxxxxx9T213015m250.wav"), "time 21:30:15.250");
  EXPECT_EQ(stampOf("D20120704T913015m250.wav"), "time 91:30:15.250");
  // The first stamp counts; a stamp in a folder name does not.
  EXPECT_EQ(stampOf("/20190101_000000/a_20200202_010203_b_20210303_040506.wav"),
            "2020-02-02T01:02:03.000");
}

TEST(NameStamp, LookalikesAreNotStamps) {
  EXPECT_EQ(stampOf("night1.wav"), "");
  EXPECT_EQ(stampOf(""), "");
  EXPECT_EQ(stampOf(nullptr), "");
  EXPECT_EQ(stampOf("20211315_222235.wav"), "");     // month 13
  EXPECT_EQ(stampOf("20210230_222235.wav"), "");     // 30 February
  EXPECT_EQ(stampOf("20210615_252235.wav"), "");     // hour 25
  EXPECT_EQ(stampOf("120210615_222235.wav"), "");    // inside a longer number
  EXPECT_EQ(stampOf("20210615_2222351.wav"), "");
  EXPECT_EQ(stampOf("20210615-222235.wav"), "");
  EXPECT_EQ(stampOf("/a/20210615_222235/x.wav"), "");
  // A millisecond part of other than three digits is left out.
  EXPECT_EQ(stampOf("20210615_222235_31.wav"), "2021-06-15T22:22:35.000");
  EXPECT_EQ(stampOf("20210615_222235_3190.wav"), "2021-06-15T22:22:35.000");
  // An offset that is no offset is left out.
  EXPECT_EQ(stampOf("20210615T222235+2500.wav"), "2021-06-15T22:22:35.000");
}

TEST(NameStamp, SecondsOfDay) {
  NameStamp s;
  ASSERT_TRUE(findNameStamp("3517_SE_20220627_224246_759.wav", &s));
  EXPECT_DOUBLE_EQ(secondsOfDay(s.time.time), 22 * 3600 + 42 * 60 + 46 + 0.759);
}

TEST(NameStamp, TimeOfDayFromTheNameElseGuano) {
  GuanoFields g;
  g.hasTimestamp = true;
  g.timestamp.time.hour = 1;
  g.timestamp.time.minute = 2;
  g.timestamp.time.second = 3;
  g.timestamp.time.millisecond = 500;
  EXPECT_DOUBLE_EQ(recordingTimeOfDay("x_20210615_000010_250.wav", &g), 10.25);
  EXPECT_DOUBLE_EQ(recordingTimeOfDay("x_D20210615T000010m250.wav", &g), 10.25);
  EXPECT_DOUBLE_EQ(recordingTimeOfDay("night.wav", &g), 3723.5);
  EXPECT_DOUBLE_EQ(recordingTimeOfDay("night.wav", nullptr), 0.0);
  g.hasTimestamp = false;
  EXPECT_DOUBLE_EQ(recordingTimeOfDay("night.wav", &g), 0.0);
}
