#include "core/base/datetime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "support/zone_guard.h"

namespace corvina {
namespace {

using test::ZoneGuard;

TEST(FileTimeFromUnix, LocalTimeAtTwoSecondPrecision) {
    {
        ZoneGuard zone("UTC");
        EXPECT_EQ(FileTimeFromUnix(0), (FileTime{1970, 1, 1, 0, 0, 0}));
        EXPECT_EQ(FileTimeFromUnix(1700000001), (FileTime{2023, 11, 14, 22, 13, 20}));
        EXPECT_EQ(FileTimeFromUnix(1700000002), (FileTime{2023, 11, 14, 22, 13, 22}));
        EXPECT_EQ(FileTimeFromUnix(951782399), (FileTime{2000, 2, 28, 23, 59, 58}));
        EXPECT_EQ(FileTimeFromUnix(951782400), (FileTime{2000, 2, 29, 0, 0, 0}));
    }
    {
        ZoneGuard zone("JST-9");  // POSIX form: needs no zone database
        EXPECT_EQ(FileTimeFromUnix(1700000001), (FileTime{2023, 11, 15, 7, 13, 20}));
    }
}

TEST(DateTimeToString, JapaneseDefaults) {
    EXPECT_EQ(DateTimeToString({2005, 1, 2, 3, 4, 5}), "2005/01/02 3:04:05");
    EXPECT_EQ(DateTimeToString({2005, 12, 31, 23, 59, 58}), "2005/12/31 23:59:58");
    // Exactly midnight: the date alone. Any other time, however small, is shown.
    EXPECT_EQ(DateTimeToString({2005, 1, 2, 0, 0, 0}), "2005/01/02");
    EXPECT_EQ(DateTimeToString({2005, 1, 2, 0, 0, 2}), "2005/01/02 0:00:02");
    EXPECT_EQ(DateTimeToString({2005, 1, 2, 0, 1, 0}), "2005/01/02 0:01:00");
}

TEST(DateTimeToString, OtherRegionalPatterns) {
    DateTimeFormat us{"M/d/yyyy", "h:mm:ss tt", "AM", "PM"};
    EXPECT_EQ(DateTimeToString({2005, 1, 2, 13, 4, 5}, us), "1/2/2005 1:04:05 PM");
    EXPECT_EQ(DateTimeToString({2005, 1, 2, 0, 4, 5}, us), "1/2/2005 12:04:05 AM");
    EXPECT_EQ(DateTimeToString({2005, 1, 2, 12, 0, 0}, us), "1/2/2005 12:00:00 PM");

    DateTimeFormat shortYear{"dd.MM.yy", "HH:mm t"};
    EXPECT_EQ(DateTimeToString({2009, 3, 4, 5, 6, 7}, shortYear), "04.03.09 05:06 午");

    DateTimeFormat quoted{"yyyy'年'M\"月\"d'日", "H'時'm'分's's' 'y"};
    EXPECT_EQ(DateTimeToString({2005, 1, 2, 3, 4, 5}, quoted), "2005年1月2日 3時4分5s y");
}

}  // namespace
}  // namespace corvina
