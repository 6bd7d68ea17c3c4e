#include "core/Profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "core/FileIo.h"
#include "core/Path.h"
#include "core/ProfileValues.h"
#include "support/TempDir.h"

namespace {

class ProfileFile : public ::testing::Test {
 protected:
  void Store(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
  std::string Text() const { return FileText(file_); }

  TempDir dir_;
  const std::string file_ = dir_ / "settings.ini";
};

// Booleans are true only for a lower-case "t"; defaults apply only when a
// value is missing or empty (a value that does not parse reads as zero, a
// date that does not parse as the default).
TEST_F(ProfileFile, BooleansAreTrueOnlyForALowerCaseTAndDefaultsApplyOnlyWhenMissingOrEmpty) {
  Store("[s]\ncap=True\nt=t\none=1\nempty=\nint=12abc\nword=abc\ndur=1:30\ntod=25:00:00\ndb=--dB\n");
  std::string bools;
  for (auto [key, fallback] : {std::pair{"cap", true}, {"t", false}, {"one", true}, {"empty", true}, {"missing", true}})
    bools += ProfileReadBool(file_, "s", key, fallback) ? "1" : "0";
  EXPECT_EQ(bools, "01001");
  EXPECT_EQ((std::vector<int64_t>{ProfileReadInt(file_, "s", "int", 7), ProfileReadInt(file_, "s", "word", 7),
                                  ProfileReadInt(file_, "s", "empty", 7), ProfileReadInt(file_, "s", "missing", 7),
                                  ProfileReadDuration(file_, "s", "dur", 1), ProfileReadDuration(file_, "s", "empty", 30000),
                                  ProfileReadTimeOfDay(file_, "s", "tod", 1), ProfileReadTimeOfDay(file_, "s", "empty", 9),
                                  ProfileReadDb(file_, "s", "db", 0), ProfileReadDb(file_, "s", "empty", -22),
                                  ProfileReadDate(file_, "s", "empty", 5), ProfileReadDate(file_, "s", "int", 5)}),
            (std::vector<int64_t>{12, 0, 7, 7, 90000, 30000, 3600, 9, -127, -22, 5, 5}));
  ASSERT_TRUE(ProfileWriteBool(file_, "s", "cap", true) && ProfileWriteBool(file_, "s", "t", false));
  EXPECT_EQ(Text().substr(0, 27), "[s]\ncap=true\nt=false\none=1\n");
}

TEST_F(ProfileFile, WritesUseTheStoredFormatsAndStringsAreCutTo259Bytes) {
  ASSERT_TRUE(ProfileWriteInt(file_, "s", "int", -42) && ProfileWriteDuration(file_, "s", "dur", 2250) &&
              ProfileWriteTimeOfDay(file_, "s", "tod", 17 * 3600) && ProfileWriteDb(file_, "s", "db", -127) &&
              ProfileWriteDate(file_, "s", "unset", 0) && ProfileWriteDate(file_, "s", "date", 1796475600) &&
              ProfileWriteString(file_, "s", "long", std::string(300, 'x')));
  EXPECT_EQ(Text().substr(0, 56), "[s]\nint=-42\ndur=0:00:02.250\ntod=17:00:00\ndb=--dB\nunset=\n");
  EXPECT_TRUE(ProfileReadDate(file_, "s", "date", 0) == 1796475600 &&
              ProfileReadString(file_, "s", "long", "") == std::string(kMaxText, 'x') &&
              ProfileReadString(file_, "s", "unset", "default").empty());
}

// Moving an entry that is not there leaves the target missing too.
TEST_F(ProfileFile, ListsMoveEntriesInOneWrite) {
  Store("[ogms]\nogm0=Main\nogm2file=Night\nogm5file=stale\n");
  ASSERT_TRUE(ProfileWriteListCount(file_, "ogms", "ogm", 2) && ProfileMoveListEntry(file_, "ogms", "ogm", 2, 1, "file"));
  EXPECT_EQ(Text(), "[ogms]\nogm0=Main\nogm5file=stale\nogmcount=2\nogm1file=Night\n");
  EXPECT_TRUE(ProfileMoveListEntry(file_, "ogms", "ogm", 7, 5, "file") &&
              ProfileReadString(file_, "ogms", "ogm5file", "none") == "none");
}

const std::string kHuge(40, '9');

TEST(ProfileValues, NumbersDurationsTimesAndDecibelsParseClampAndRoundTrip) {
  for (auto [text, value] : {std::pair<std::string, int>{"12abc", 12}, {"  -7", -7}, {"- 5", 0}, {"2147483648", INT_MAX},
                             {"-2147483648", INT_MIN}, {"-" + kHuge, INT_MIN}})
    EXPECT_EQ(ParseLeadingInt(text), value) << text;
  for (auto [text, ms] : {std::pair<std::string, int>{"1:30", 90000}, {"2.25", 2250}, {"1:02:03.5", 3723500}, {"-5", -5000},
                          {"5-", -5000}, {"0:00:05.1239", 5123}, {"1.5.5", 1550}, {"1 s : 3x0", 90000},
                          {kHuge + ":" + kHuge, INT_MAX}, {"-" + kHuge, INT_MIN}})
    EXPECT_EQ(ParseDuration(text), ms) << text;
  EXPECT_EQ(FormatDuration(INT_MIN), "-596:31:23.648");
  for (int ms : {0, 1, -1, 999, 2250, 59999, 3600000, -3723500, INT_MAX, INT_MIN})
    EXPECT_EQ(ParseDuration(FormatDuration(ms)), ms) << ms;
  // Times of day wrap past one day.
  for (auto [text, s] : {std::pair<std::string, int>{"9:30", 34200}, {"25:00:00", 3600}, {"24:00:00", 86400}, {"1:2:3:4", 3754}})
    EXPECT_EQ(ParseTimeOfDay(text), s) << text;
  const int huge = ParseTimeOfDay(kHuge + ":" + kHuge + ":" + kHuge);
  EXPECT_TRUE(huge >= 0 && huge <= 86400) << huge;
  EXPECT_EQ(FormatTimeOfDay(3723) + FormatTimeOfDay(-60) + FormatTimeOfDay(INT_MIN),
            "01:02:0323:59:00" + FormatTimeOfDay(INT_MIN % 86400 + 86400));
  for (int s = 0; s <= 86400; s += 599) EXPECT_EQ(ParseTimeOfDay(FormatTimeOfDay(s)), s);
  for (auto [text, db] : {std::pair<std::string, int>{"-22dB", -22}, {"--dB", -127}, {"-130dB", -127}, {"200dB", 127}, {kHuge, 127}})
    EXPECT_EQ(ParseDb(text), db) << text;
  for (int db = -128; db <= 127; ++db) EXPECT_EQ(ParseDb(FormatDb(static_cast<int8_t>(db))), std::max(db, -127));
}

void UseZone(const char* zone) { setenv("TZ", zone, 1), tzset(); }

// Two-digit years below 70 are in this century; in local time a date
// round-trips (with summer time one hour a year is ambiguous, so the texts
// are compared).
TEST(ProfileValues, DatesParseFieldsAndTwoDigitYearsAndRoundTripInLocalTime) {
  UseZone("UTC0");
  for (auto [text, time] : {std::pair<std::string, std::time_t>{"05/12/26-13:00:00", 1796475600},  // 5 December 2026
                            {"05/12/2026-13:00:00", 1796475600}, {"05\\12.26-13.00.00", 1796475600},
                            {"05/12/26 - 13:00", 1796475600}, {"01/01/69-00:00:00", 3124224000},
                            {"01/01/70-00:00:01", 1}, {"29/02/28-00:00:00", 1835395200}, {"", 0}})
    EXPECT_EQ(ParseDate(text), time) << text;
  for (const std::string& bad : {std::string("abc"), std::string("32/12/26-00:00:00"), std::string("31/04/26-00:00:00"),
                                 std::string("29/02/27-00:00:00"), std::string("01/13/26-00:00:00"),
                                 std::string("01/01/26-24:00:00"), std::string("01/01/26-00:60:00"), kHuge + "/" + kHuge})
    EXPECT_EQ(ParseDate(bad), std::nullopt) << bad;
  EXPECT_EQ(FormatDate(0) + FormatDate(1796475600), "05/12/26-13:00:00");
  constexpr std::time_t kEnd2069 = 3155760000;
  for (std::time_t t = 1; t < kEnd2069; t += 86400 * 37 + 3607) EXPECT_EQ(ParseDate(FormatDate(t)), t);
  UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(FormatDate(1796475600) + " " + FormatDate(1782910800), "05/12/26-14:00:00 01/07/26-15:00:00");
  for (std::time_t t = 1; t < kEnd2069; t += 86400 * 37 + 3607)
    EXPECT_EQ(FormatDate(ParseDate(FormatDate(t)).value_or(0)), FormatDate(t));
}

}  // namespace
