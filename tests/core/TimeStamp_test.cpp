#include <gtest/gtest.h>

#include "TimeStamp.h"

namespace {

TEST(TimeStamp, MillisecondsSince1970) {
  struct Case {
    TCivilTime time;
    int64_t expected;
  };
  const Case cases[] = {
      {{1970, 1, 1, 0, 0, 0, 0}, 0},
      {{1970, 1, 1, 0, 0, 1, 5}, 1005},
      {{1969, 12, 31, 23, 59, 59, 999}, -1},
      {{2000, 2, 29, 12, 0, 0, 0}, 951825600000},
      {{2000, 3, 1, 0, 0, 0, 0}, 951868800000},
      {{2024, 12, 31, 23, 59, 59, 999}, 1735689599999},
      {{2100, 3, 1, 0, 0, 0, 0}, 4107542400000},  // 2100 is no leap year
      {{2038, 1, 19, 3, 14, 8, 0}, 2147483648000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(MillisecondsSince1970(c.time), c.expected);
  }
}

}  // namespace
