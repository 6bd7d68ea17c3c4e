#include "callengine/LOGMResolver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "LocalTime.h"
#include "core/ManualClock.h"
#include "support/TempDir.h"

namespace {

class Resolver : public ::testing::Test {
 protected:
  void Ogm(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / (name + ".ini")) << text;
  }
  std::optional<std::string> Resolve(const std::string& name) { return resolver_.Resolve(name); }
  bool ResolvesTo(const std::string& name, const std::string& target) {
    return Resolve(name) == dir_ / (target + ".ini");
  }
  // Valid 22:00 to 06:00 only.
  void NightOnly(const std::string& name, const std::string& fail = "failmode=2\n") {
    Ogm(name, "[datetime]\nenabled=true\ntodstart=22:00:00\ntodend=06:00:00\n" + fail);
  }

  TempDir dir_;
  ManualClock clock_{LocalTime(2024, 1, 8, 12, 0, 0)};  // a Monday
  LCallIdentity call_{"456", "Caller", "800100", 3};
  LHashTable parms_;
  LOGMResolver resolver_{dir_.Path(), clock_, call_, parms_};
};

TEST_F(Resolver, ResolvesByNameWithoutRegardToCaseAndStaysInsideTheFolder) {
  Ogm("Main", "[ivr]\nwait=6\n");
  EXPECT_TRUE(ResolvesTo("MAIN", "Main"));
  // Which names are refused is LOGMFiles' test; the resolver asks it.
  std::filesystem::create_directory(dir_ / "sub");
  LOGMResolver inner{dir_ / "sub", clock_, call_, parms_};
  EXPECT_FALSE(inner.Resolve("../Main") || Resolve("Missing"));
  std::string current = "previous";  // replaced only on success
  EXPECT_FALSE(resolver_.IsOGMValid("Missing", current) || current != "previous");
  EXPECT_TRUE(resolver_.IsOGMValid("main", current) && current == dir_ / "Main.ini");
}

TEST_F(Resolver, DateTimeWindowsCommenceExpireAndWeekdays) {
  NightOnly("Night");
  Ogm("Never", "[datetime]\nenabled=true\ntodstart=10:00:00\ntodend=10:00:00\nfailmode=2\n");
  for (auto [hour, minute, second, valid] :
       {std::tuple{23, 0, 0, true}, {5, 59, 59, true}, {6, 0, 0, false}, {12, 0, 0, false},
        {22, 0, 0, true}, {21, 59, 59, false}, {10, 0, 0, false}}) {
    clock_.SetNow(LocalTime(2024, 1, 8, hour, minute, second));
    EXPECT_EQ(Resolve("Night").has_value(), valid) << hour << ":" << minute << ":" << second;
    EXPECT_FALSE(Resolve("Never")) << hour;
  }
  Ogm("Future", "[datetime]\nenabled=true\ncommence=09/01/24-00:00:00\nfailmode=2\n");
  // Monday only; the eighth bit does not count.
  Ogm("Monday", "[datetime]\nenabled=true\nweekdays=258\nfailmode=2\n");
  EXPECT_TRUE(!Resolve("Future") && Resolve("Monday"));
  clock_.SetNow(LocalTime(2024, 1, 9, 0, 0, 0));
  EXPECT_TRUE(Resolve("Future") && !Resolve("Monday"));
  Ogm("Expired", "[datetime]\nenabled=true\nexpire=09/01/24-00:00:00\nfailmode=2\n");
  EXPECT_FALSE(Resolve("Expired"));  // expire must lie after now
}

TEST_F(Resolver, FailedChecksRedirectRefuseOrIgnoreAndNumberCheckScanModes) {
  Ogm("Closed", "");
  parms_.SetParm("target", "Closed");
  NightOnly("Skip", "failmode=1\nfailogm=%target%\n");
  NightOnly("Ignore", "failmode=0\n");
  NightOnly("Dangling", "failmode=1\nfailogm=Nowhere\n");
  std::vector<std::string> told;
  resolver_.SetNarrator([&told](const std::string& text) { told.push_back(text); });
  EXPECT_TRUE(ResolvesTo("Skip", "Closed") && ResolvesTo("Ignore", "Ignore") && !Resolve("Dangling"));
  EXPECT_EQ(told, (std::vector<std::string>{
                      "OGM \"Skip\" goes to \"Closed\" by its date and time check",
                      "OGM \"Dangling\" goes to \"Nowhere\" by its date and time check",
                      "OGM \"Nowhere\", where a check leads, does not exist"}));
  resolver_.SetNarrator(nullptr);
  // The number check examines the chosen number: 1 the DID, 2 the DRN.
  Ogm("ByDid", "[cid]\nenabled=true\nidtype=1\ncid=800\nmode=1\nogm=Closed\n");
  Ogm("ByDrn", "[cid]\nenabled=true\nidtype=2\ncid=3\ncidscanmode=1\nmode=1\nogm=%target%\n");
  EXPECT_TRUE(ResolvesTo("ByDid", "Closed") && ResolvesTo("ByDrn", "Closed"));
  call_.drn = 4;
  EXPECT_TRUE(ResolvesTo("ByDrn", "ByDrn"));
  // The number check's scan modes.
  for (auto [mode, pattern, caller, holds] :
       {std::tuple{1, "123, \"456\"", "456", true}, {1, "123, \"456\"", "4567", false},
                 {0, "", "", true}, {0, "", "456", false}, {0, "45", "456", true},
                 {0, "56", "456", false}, {1, "", "", true}, {2, "", "456", true},
                 {2, "", "", false}, {2, "45", "456", false}, {2, "56", "456", true},
                 {3, "123,456", "456", false}, {3, "123,456", "789", true}, {3, "", "", false},
                 {7, "", "", false}}) {
    call_.callerNumber = caller;
    Ogm("Check", "[cid]\nenabled=true\nmode=2\ncid=" + std::string(pattern) +
                     "\ncidscanmode=" + std::to_string(mode) + "\n");
    EXPECT_EQ(!Resolve("Check").has_value(), holds)
        << mode << " '" << pattern << "' '" << caller << "'";
  }
}

TEST_F(Resolver, RedirectChainsEndAfterThirtyThreeFiles) {
  const char* redirect = "[cid]\nenabled=true\ncid=\ncidscanmode=2\nmode=1\nogm=";
  Ogm("A", std::string(redirect) + "B\n");
  Ogm("B", std::string(redirect) + "A\n");
  EXPECT_FALSE(Resolve("A"));
  // A straight chain of 32 redirects (33 files) still resolves; one more fails.
  for (int i = 0; i < 33; ++i)
    Ogm("C" + std::to_string(i), std::string(redirect) + "C" + std::to_string(i + 1) + "\n");
  Ogm("C33", "");
  EXPECT_TRUE(ResolvesTo("C1", "C33"));
  EXPECT_FALSE(Resolve("C0"));
}

}  // namespace
