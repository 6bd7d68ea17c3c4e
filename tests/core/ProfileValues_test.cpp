#include "core/ProfileValues.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace {

// Runs each test in a fixed local time zone and restores the old one after.
class ProfileValuesZone : public ::testing::Test {
 protected:
  void SetZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }
  void SetUp() override {
    const char* old = std::getenv("TZ");
    hadZone_ = old != nullptr;
    if (hadZone_) oldZone_ = old;
    SetZone("UTC0");
  }
  void TearDown() override {
    if (hadZone_) {
      SetZone(oldZone_.c_str());
    } else {
      unsetenv("TZ");
      tzset();
    }
  }

 private:
  bool hadZone_ = false;
  std::string oldZone_;
};

const std::string kHuge(40, '9');

TEST(ProfileValuesInt, LeadingIntegerParseClampsInsteadOfOverflowing) {
  EXPECT_EQ(ParseLeadingInt("12abc"), 12);
  EXPECT_EQ(ParseLeadingInt("  -7"), -7);
  EXPECT_EQ(ParseLeadingInt("+5"), 5);
  EXPECT_EQ(ParseLeadingInt("abc"), 0);
  EXPECT_EQ(ParseLeadingInt("- 5"), 0);
  EXPECT_EQ(ParseLeadingInt("2147483648"), INT_MAX);
  EXPECT_EQ(ParseLeadingInt("-2147483648"), INT_MIN);
  EXPECT_EQ(ParseLeadingInt(kHuge), INT_MAX);
  EXPECT_EQ(ParseLeadingInt("-" + kHuge), INT_MIN);
  for (int v : {0, -1, 42, INT_MAX, INT_MIN}) EXPECT_EQ(ParseLeadingInt(FormatInt(v)), v);
}

TEST(ProfileValuesDuration, ParsesFieldsFractionsAndSign) {
  EXPECT_EQ(ParseDuration("30"), 30000);
  EXPECT_EQ(ParseDuration("1:30"), 90000);
  EXPECT_EQ(ParseDuration("2.25"), 2250);
  EXPECT_EQ(ParseDuration("1:02:03.5"), 3723500);
  EXPECT_EQ(ParseDuration("-5"), -5000);
  EXPECT_EQ(ParseDuration("5-"), -5000);
  EXPECT_EQ(ParseDuration("0:00:05.1239"), 5123);
  EXPECT_EQ(ParseDuration("1.5.5"), 1550);
  EXPECT_EQ(ParseDuration("1 s : 3x0"), 90000);
  EXPECT_EQ(ParseDuration(""), 0);
  EXPECT_EQ(ParseDuration(kHuge + ":" + kHuge), INT_MAX);
  EXPECT_EQ(ParseDuration("-" + kHuge), INT_MIN);
}

TEST(ProfileValuesDuration, WritesHoursMinutesSecondsMillisAndRoundTrips) {
  EXPECT_EQ(FormatDuration(3723500), "1:02:03.500");
  EXPECT_EQ(FormatDuration(30000), "0:00:30.000");
  EXPECT_EQ(FormatDuration(-5000), "-0:00:05.000");
  EXPECT_EQ(FormatDuration(INT_MAX), "596:31:23.647");
  EXPECT_EQ(FormatDuration(INT_MIN), "-596:31:23.648");
  for (int ms : {0, 1, -1, 999, 2250, 59999, 3600000, -3723500, INT_MAX, INT_MIN}) {
    EXPECT_EQ(ParseDuration(FormatDuration(ms)), ms) << ms;
  }
}

TEST(ProfileValuesTimeOfDay, ParsesAndWrapsPastOneDay) {
  EXPECT_EQ(ParseTimeOfDay("09:00:00"), 9 * 3600);
  EXPECT_EQ(ParseTimeOfDay("9:30"), 9 * 3600 + 30 * 60);
  EXPECT_EQ(ParseTimeOfDay("25:00:00"), 3600);
  EXPECT_EQ(ParseTimeOfDay("24:00:00"), 86400);
  EXPECT_EQ(ParseTimeOfDay("1:2:3:4"), 3600 + 120 + 34);
  int huge = ParseTimeOfDay(kHuge + ":" + kHuge + ":" + kHuge);
  EXPECT_GE(huge, 0);
  EXPECT_LE(huge, 86400);
}

TEST(ProfileValuesTimeOfDay, WritesTwoDigitFieldsAndRoundTrips) {
  EXPECT_EQ(FormatTimeOfDay(3723), "01:02:03");
  EXPECT_EQ(FormatTimeOfDay(86400), "24:00:00");
  EXPECT_EQ(FormatTimeOfDay(-60), "23:59:00");
  EXPECT_EQ(FormatTimeOfDay(INT_MIN), FormatTimeOfDay(INT_MIN % 86400 + 86400));
  for (int s = 0; s <= 86400; s += 599) EXPECT_EQ(ParseTimeOfDay(FormatTimeOfDay(s)), s);
}

TEST_F(ProfileValuesZone, DateParsesFieldsAndTwoDigitYears) {
  EXPECT_EQ(ParseDate("05/12/26-13:00:00"), 1796475600);  // 5 December 2026 13:00
  EXPECT_EQ(ParseDate("05/12/2026-13:00:00"), 1796475600);
  EXPECT_EQ(ParseDate("05\\12.26-13.00.00"), 1796475600);
  EXPECT_EQ(ParseDate("05/12/26 - 13:00"), 1796475600);
  EXPECT_EQ(ParseDate("01/01/69-00:00:00"), 3124224000);  // 2069
  EXPECT_EQ(ParseDate("01/01/70-00:00:01"), 1);           // 1970
  EXPECT_EQ(ParseDate(""), 0);
}

TEST_F(ProfileValuesZone, DateRefusesWhatIsNoCalendarTime) {
  for (const char* bad : {"abc", "32/12/26-00:00:00", "31/04/26-00:00:00", "29/02/27-00:00:00",
                          "01/13/26-00:00:00", "01/01/26-24:00:00", "01/01/26-00:60:00"}) {
    EXPECT_EQ(ParseDate(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(ParseDate(kHuge + "/" + kHuge), std::nullopt);
  EXPECT_EQ(ParseDate("29/02/28-00:00:00"), 1835395200);
}

TEST_F(ProfileValuesZone, DateWritesLocalTimeAndRoundTrips) {
  EXPECT_EQ(FormatDate(0), "");
  EXPECT_EQ(FormatDate(1796475600), "05/12/26-13:00:00");
  constexpr std::time_t kEnd2069 = 3155760000;
  for (std::time_t t = 1; t < kEnd2069; t += 86400 * 37 + 3607) {
    EXPECT_EQ(ParseDate(FormatDate(t)), t) << t;
  }
  // With summer time one hour a year is ambiguous, so compare the texts.
  SetZone("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(FormatDate(1796475600), "05/12/26-14:00:00");
  EXPECT_EQ(FormatDate(1782910800), "01/07/26-15:00:00");
  for (std::time_t t = 1; t < kEnd2069; t += 86400 * 37 + 3607) {
    std::string text = FormatDate(t);
    EXPECT_EQ(FormatDate(ParseDate(text).value_or(0)), text);
  }
}

TEST(ProfileValuesDb, ParsesOffAndClamps) {
  EXPECT_EQ(ParseDb("-22dB"), -22);
  EXPECT_EQ(ParseDb("0dB"), 0);
  EXPECT_EQ(ParseDb("--dB"), -127);
  EXPECT_EQ(ParseDb("-130dB"), -127);
  EXPECT_EQ(ParseDb("200dB"), 127);
  EXPECT_EQ(ParseDb(kHuge), 127);
  EXPECT_EQ(ParseDb("-" + kHuge), -127);
}

TEST(ProfileValuesDb, WritesDecibelsOrOffAndRoundTrips) {
  EXPECT_EQ(FormatDb(-22), "-22dB");
  EXPECT_EQ(FormatDb(127), "127dB");
  EXPECT_EQ(FormatDb(-127), "--dB");
  EXPECT_EQ(FormatDb(-128), "--dB");
  for (int db = -128; db <= 127; ++db) {
    EXPECT_EQ(ParseDb(FormatDb(static_cast<int8_t>(db))), std::max(db, -127));
  }
}

}  // namespace
