#include "core/Profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "core/Path.h"
#include "core/ProfileValues.h"
#include "support/TempDir.h"

namespace {

class ProfileFile : public ::testing::Test {
 protected:
  void Store(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
  std::string Text() const {
    std::ifstream in(file_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  TempDir dir_;
  const std::string file_ = dir_ / "settings.ini";
};

TEST_F(ProfileFile, BooleansAreTrueOnlyForALowerCaseTAndDefaultsApplyOnlyWhenMissingOrEmpty) {
  Store(
      "[s]\ncap=True\nt=t\none=1\nempty=\nint=12abc\nword=abc\ndur=1:30\ntod=25:00:00\ndb=--dB\n");
  EXPECT_FALSE(ProfileReadBool(file_, "s", "cap", true));
  EXPECT_TRUE(ProfileReadBool(file_, "s", "t", false));
  EXPECT_FALSE(ProfileReadBool(file_, "s", "one", true));
  EXPECT_FALSE(ProfileReadBool(file_, "s", "empty", true));
  EXPECT_TRUE(ProfileReadBool(file_, "s", "missing", true));
  EXPECT_EQ(ProfileReadInt(file_, "s", "int", 7), 12);
  EXPECT_EQ(ProfileReadInt(file_, "s", "word", 7), 0);
  EXPECT_EQ(ProfileReadInt(file_, "s", "empty", 7), 7);
  EXPECT_EQ(ProfileReadInt(file_, "s", "missing", 7), 7);
  EXPECT_EQ(ProfileReadDuration(file_, "s", "dur", 1), 90000);
  EXPECT_EQ(ProfileReadDuration(file_, "s", "empty", 30000), 30000);
  EXPECT_EQ(ProfileReadTimeOfDay(file_, "s", "tod", 1), 3600);
  EXPECT_EQ(ProfileReadTimeOfDay(file_, "s", "empty", 9), 9);
  EXPECT_EQ(ProfileReadDb(file_, "s", "db", 0), -127);
  EXPECT_EQ(ProfileReadDb(file_, "s", "empty", -22), -22);
  EXPECT_EQ(ProfileReadDate(file_, "s", "empty", 5), 5);
  EXPECT_EQ(ProfileReadDate(file_, "s", "int", 5), 5);  // no date: the default
  ASSERT_TRUE(ProfileWriteBool(file_, "s", "cap", true));
  ASSERT_TRUE(ProfileWriteBool(file_, "s", "t", false));
  EXPECT_EQ(Text().substr(0, 27), "[s]\ncap=true\nt=false\none=1\n");
}

TEST_F(ProfileFile, WritesUseTheStoredFormatsAndStringsAreCutTo259Bytes) {
  ASSERT_TRUE(ProfileWriteInt(file_, "s", "int", -42));
  ASSERT_TRUE(ProfileWriteDuration(file_, "s", "dur", 2250));
  ASSERT_TRUE(ProfileWriteTimeOfDay(file_, "s", "tod", 17 * 3600));
  ASSERT_TRUE(ProfileWriteDb(file_, "s", "db", -127));
  ASSERT_TRUE(ProfileWriteDate(file_, "s", "unset", 0));
  ASSERT_TRUE(ProfileWriteDate(file_, "s", "date", 1796475600));
  EXPECT_EQ(Text().substr(0, 56), "[s]\nint=-42\ndur=0:00:02.250\ntod=17:00:00\ndb=--dB\nunset=\n");
  EXPECT_EQ(ProfileReadDate(file_, "s", "date", 0), 1796475600);

  ASSERT_TRUE(ProfileWriteString(file_, "s", "long", std::string(300, 'x')));
  EXPECT_EQ(ProfileReadString(file_, "s", "long", ""), std::string(kMaxText, 'x'));
  EXPECT_EQ(ProfileReadString(file_, "s", "unset", "default"), "");
}

TEST_F(ProfileFile, ListsMoveEntriesInOneWrite) {
  Store("[ogms]\nogm0=Main\nogm2file=Night\nogm5file=stale\n");
  ASSERT_TRUE(ProfileWriteListCount(file_, "ogms", "ogm", 2));
  ASSERT_TRUE(ProfileMoveListEntry(file_, "ogms", "ogm", 2, 1, "file"));
  EXPECT_EQ(Text(), "[ogms]\nogm0=Main\nogm5file=stale\nogmcount=2\nogm1file=Night\n");
  // Moving an entry that is not there leaves the target missing too.
  ASSERT_TRUE(ProfileMoveListEntry(file_, "ogms", "ogm", 7, 5, "file"));
  EXPECT_EQ(ProfileReadString(file_, "ogms", "ogm5file", "none"), "none");
}

const std::string kHuge(40, '9');

TEST(ProfileValues, IntegersReadTheLeadingNumberAndClamp) {
  EXPECT_EQ(ParseLeadingInt("12abc"), 12);
  EXPECT_EQ(ParseLeadingInt("  -7"), -7);
  EXPECT_EQ(ParseLeadingInt("- 5"), 0);
  EXPECT_EQ(ParseLeadingInt("2147483648"), INT_MAX);
  EXPECT_EQ(ParseLeadingInt("-2147483648"), INT_MIN);
  EXPECT_EQ(ParseLeadingInt("-" + kHuge), INT_MIN);
}

TEST(ProfileValues, DurationsParseFieldsFractionsAndSignAndRoundTrip) {
  EXPECT_EQ(ParseDuration("1:30"), 90000);
  EXPECT_EQ(ParseDuration("2.25"), 2250);
  EXPECT_EQ(ParseDuration("1:02:03.5"), 3723500);
  EXPECT_EQ(ParseDuration("-5"), -5000);
  EXPECT_EQ(ParseDuration("5-"), -5000);
  EXPECT_EQ(ParseDuration("0:00:05.1239"), 5123);
  EXPECT_EQ(ParseDuration("1.5.5"), 1550);
  EXPECT_EQ(ParseDuration("1 s : 3x0"), 90000);
  EXPECT_EQ(ParseDuration(kHuge + ":" + kHuge), INT_MAX);
  EXPECT_EQ(ParseDuration("-" + kHuge), INT_MIN);
  EXPECT_EQ(FormatDuration(INT_MIN), "-596:31:23.648");
  for (int ms : {0, 1, -1, 999, 2250, 59999, 3600000, -3723500, INT_MAX, INT_MIN})
    EXPECT_EQ(ParseDuration(FormatDuration(ms)), ms) << ms;
}

TEST(ProfileValues, TimesOfDayWrapPastOneDayAndDecibelsClampAndBothRoundTrip) {
  EXPECT_EQ(ParseTimeOfDay("9:30"), 9 * 3600 + 30 * 60);
  EXPECT_EQ(ParseTimeOfDay("25:00:00"), 3600);
  EXPECT_EQ(ParseTimeOfDay("24:00:00"), 86400);
  EXPECT_EQ(ParseTimeOfDay("1:2:3:4"), 3600 + 120 + 34);
  const int huge = ParseTimeOfDay(kHuge + ":" + kHuge + ":" + kHuge);
  EXPECT_TRUE(huge >= 0 && huge <= 86400) << huge;
  EXPECT_EQ(FormatTimeOfDay(3723), "01:02:03");
  EXPECT_EQ(FormatTimeOfDay(-60), "23:59:00");
  EXPECT_EQ(FormatTimeOfDay(INT_MIN), FormatTimeOfDay(INT_MIN % 86400 + 86400));
  for (int s = 0; s <= 86400; s += 599) EXPECT_EQ(ParseTimeOfDay(FormatTimeOfDay(s)), s);

  EXPECT_EQ(ParseDb("-22dB"), -22);
  EXPECT_EQ(ParseDb("--dB"), -127);
  EXPECT_EQ(ParseDb("-130dB"), -127);
  EXPECT_EQ(ParseDb("200dB"), 127);
  EXPECT_EQ(ParseDb(kHuge), 127);
  EXPECT_EQ(FormatDb(-127), "--dB");
  for (int db = -128; db <= 127; ++db)
    EXPECT_EQ(ParseDb(FormatDb(static_cast<int8_t>(db))), std::max(db, -127));
}

void UseZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

TEST(ProfileValues, DatesParseFieldsAndTwoDigitYearsAndRoundTripInLocalTime) {
  UseZone("UTC0");
  for (const char* text :
       {"05/12/26-13:00:00", "05/12/2026-13:00:00", "05\\12.26-13.00.00", "05/12/26 - 13:00"}) {
    EXPECT_EQ(ParseDate(text), 1796475600) << text;  // 5 December 2026 13:00
  }
  EXPECT_EQ(ParseDate("01/01/69-00:00:00"), 3124224000);  // 2069
  EXPECT_EQ(ParseDate("01/01/70-00:00:01"), 1);           // 1970
  EXPECT_EQ(ParseDate("29/02/28-00:00:00"), 1835395200);
  EXPECT_EQ(ParseDate(""), 0);
  for (const char* bad : {"abc", "32/12/26-00:00:00", "31/04/26-00:00:00", "29/02/27-00:00:00",
                          "01/13/26-00:00:00", "01/01/26-24:00:00", "01/01/26-00:60:00"}) {
    EXPECT_EQ(ParseDate(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(ParseDate(kHuge + "/" + kHuge), std::nullopt);

  EXPECT_EQ(FormatDate(0), "");
  EXPECT_EQ(FormatDate(1796475600), "05/12/26-13:00:00");
  constexpr std::time_t kEnd2069 = 3155760000;
  for (std::time_t t = 1; t < kEnd2069; t += 86400 * 37 + 3607)
    EXPECT_EQ(ParseDate(FormatDate(t)), t);
  // With summer time one hour a year is ambiguous, so compare the texts.
  UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(FormatDate(1796475600), "05/12/26-14:00:00");
  EXPECT_EQ(FormatDate(1782910800), "01/07/26-15:00:00");
  for (std::time_t t = 1; t < kEnd2069; t += 86400 * 37 + 3607) {
    const std::string text = FormatDate(t);
    EXPECT_EQ(FormatDate(ParseDate(text).value_or(0)), text);
  }
}

}  // namespace
