#include "callengine/LOfficeHours.h"

#include <gtest/gtest.h>

#include <fstream>

#include "LocalTime.h"
#include "core/ManualClock.h"
#include "support/TempDir.h"

namespace {

class OfficeHours : public ::testing::Test {
 protected:
  void Settings(const std::string& autohours) {
    std::ofstream(file_) << "[autohours]\nenabled=true\n" << autohours;
  }
  LOfficeHours::Decision At(std::time_t now, LOfficeHours::Ring ring = {3, 3, true}) {
    clock_.SetNow(now);
    return LOfficeHours::Decide(file_, clock_, ring);
  }

  TempDir dir_;
  std::string file_ = dir_ / "settings.ini";
  ManualClock clock_;
  const std::time_t mondayNoon_ = LocalTime(2024, 1, 8, 12, 0, 0);
  const std::time_t mondayEvening_ = LocalTime(2024, 1, 8, 17, 0, 0);
  const std::time_t saturdayNoon_ = LocalTime(2024, 1, 6, 12, 0, 0);
};

TEST_F(OfficeHours, DisabledChangesNothing) {
  std::ofstream(file_) << "[autohours]\nenabled=false\nduringmode=2\n";
  LOfficeHours::Decision decision = At(mondayNoon_);
  EXPECT_TRUE(decision.answeringEnabled);
  EXPECT_FALSE(decision.ogm);
  EXPECT_FALSE(At(mondayNoon_, {3, 3, false}).answeringEnabled);
}

TEST_F(OfficeHours, DefaultsDeclineDuringWeekdayHoursOnly) {
  Settings("");
  EXPECT_FALSE(At(mondayNoon_).answeringEnabled);
  EXPECT_FALSE(At(LocalTime(2024, 1, 8, 9, 0, 0)).answeringEnabled);
  EXPECT_TRUE(At(mondayEvening_).answeringEnabled);  // close is exclusive
  EXPECT_TRUE(At(saturdayNoon_).answeringEnabled);
  EXPECT_TRUE(At(LocalTime(2024, 1, 7, 12, 0, 0)).answeringEnabled);
}

TEST_F(OfficeHours, WeekendHoursAndOgmOverride) {
  Settings(
      "satopen=10:00:00\nsatclose=14:00:00\nduringmode=1\nduringogm=Weekend\n"
      "aftermode=1\n");
  EXPECT_EQ(At(saturdayNoon_).ogm, "Weekend");
  EXPECT_EQ(At(LocalTime(2024, 1, 6, 14, 0, 0)).ogm, "Default Answering Message");
  EXPECT_TRUE(At(saturdayNoon_).answeringEnabled);
}

TEST_F(OfficeHours, ExtraRingsAddToTheRingsNeeded) {
  Settings("aftermode=3\nafterrings=2\nduringmode=7\n");
  EXPECT_FALSE(At(mondayEvening_, {4, 3, true}).answeringEnabled);
  EXPECT_TRUE(At(mondayEvening_, {5, 3, true}).answeringEnabled);
  EXPECT_FALSE(At(mondayEvening_, {9, 3, false}).answeringEnabled);
  LOfficeHours::Decision unknown = At(mondayNoon_, {3, 3, true});
  EXPECT_TRUE(unknown.answeringEnabled);
  EXPECT_FALSE(unknown.ogm);
}

}  // namespace
