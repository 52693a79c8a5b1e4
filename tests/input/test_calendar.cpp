// Month lengths shared by the time stamps of names, GUANO and the metadata.
#include <gtest/gtest.h>

#include "input/calendar.h"

namespace quilve {

TEST(Calendar, LeapYearsAndMonthLengths) {
  EXPECT_EQ(daysInMonth(2000, 2), 29);  // every 400 years
  EXPECT_EQ(daysInMonth(1900, 2), 28);  // not every 100
  EXPECT_EQ(daysInMonth(2024, 2), 29);
  EXPECT_EQ(daysInMonth(2023, 2), 28);
  EXPECT_EQ(daysInMonth(2023, 4), 30);
  EXPECT_EQ(daysInMonth(2023, 12), 31);
  EXPECT_EQ(daysInMonth(2023, 0), 0);
  EXPECT_EQ(daysInMonth(2023, 13), 0);
  int days = 0;
  for (int m = 1; m <= 12; ++m) days += daysInMonth(2024, m);
  EXPECT_EQ(days, 366);
}

}  // namespace quilve
