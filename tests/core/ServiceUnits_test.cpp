#include "core/ServiceUnits.h"

#include <gtest/gtest.h>

namespace {

TEST(ServiceUnits, ArgumentsAreQuotedWhenTheyHoldBlanksAndRefusedWhenNoFileCanCarryThem) {
  for (auto [argument, quoted] : {std::pair<std::string, std::string>{"/usr/bin/zavotel", "/usr/bin/zavotel"},
                                  {"/srv/my data", "\"/srv/my data\""},
                                  {"/srv/a;b", "\"/srv/a;b\""},
                                  {"", "\"\""}}) {
    EXPECT_EQ(QuoteServiceArgument(argument).value_or("refused"), quoted) << argument;
  }
  for (const char* refused : {"/srv/a\"b", "/srv/$HOME", "/srv/100%", "/srv/a\\b", "/srv/`x`", "/srv/a\nb"})
    EXPECT_FALSE(QuoteServiceArgument(refused)) << refused;
}

TEST(ServiceUnits, SystemAndUserUnitsStartTheEngineAsTheirScopeNeeds) {
  ServicePlan plan{true, "/tmp/r", "/usr/bin/zavotel", "", "/home/u/.config"};
  EXPECT_EQ(plan.WantsLinkTarget(), "/etc/systemd/system/zavotel.service");
  const std::string unit = plan.UnitText().value_or("");
  for (const char* line : {"Type=notify\n", "ExecStart=/usr/bin/zavotel --service\n", "LimitNICE=-10\n",
                           "LimitRTPRIO=1\n", "StateDirectory=zavotel\n", "WantedBy=multi-user.target\n"})
    EXPECT_NE(unit.find(line), std::string::npos) << line;
  EXPECT_EQ(unit.rfind(kServiceFileMark, 0), 0u);
  // A log-on on a system-wide installation looks for the service's engine.
  EXPECT_NE(plan.AutostartText().value_or("").find("Exec=/usr/bin/zavotel --logon --data /var/lib/zavotel\n"),
            std::string::npos);

  ServicePlan user{false, "", "/opt/z b/zavotel", "/srv/d", "/home/u/.config"};
  EXPECT_EQ(user.WantsLinkPath(), "/home/u/.config/systemd/user/default.target.wants/zavotel.service");
  const std::string userUnit = user.UnitText().value_or("");
  EXPECT_NE(userUnit.find("ExecStart=\"/opt/z b/zavotel\" --service --data /srv/d\n"), std::string::npos);
  EXPECT_EQ(userUnit.find("network-online"), std::string::npos);  // a system target
  EXPECT_EQ(userUnit.find("StateDirectory"), std::string::npos);
  EXPECT_NE(user.AutostartText().value_or("").find("Exec=\"/opt/z b/zavotel\" --logon --data /srv/d\n"),
            std::string::npos);

  user.dataOption = "/srv/100%";
  EXPECT_FALSE(user.UnitText() || user.AutostartText());
}

}  // namespace
