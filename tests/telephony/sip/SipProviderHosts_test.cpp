#include <gtest/gtest.h>
#include <re.h>

#include <string>

#include "telephony/sip/SipProviderHosts.h"
#include "telephony/sip/SipRefusalLog.h"

namespace {

struct sa Address(const char* ip, uint16_t port = 5060) {
  struct sa address;
  EXPECT_EQ(sa_set_str(&address, ip, port), 0) << ip;
  return address;
}

TEST(SipProviderHosts, KnowsEveryAddressOfItsHostsOnAnyPortAndNoOther) {
  SipProviderHosts hosts;
  EXPECT_TRUE(hosts.IsEmpty());
  EXPECT_TRUE(hosts.Resolve("192.0.2.7"));
  EXPECT_TRUE(hosts.Resolve("[2001:db8::5]"));
  EXPECT_TRUE(hosts.Resolve("localhost"));
  EXPECT_FALSE(hosts.Resolve(""));
  hosts.Add(Address("198.51.100.3"));  // where the registrar answered from
  for (const char* ip : {"192.0.2.7", "2001:db8::5", "127.0.0.1", "198.51.100.3"})
    EXPECT_TRUE(hosts.Contains(Address(ip, 40000))) << ip;
  for (const char* ip : {"192.0.2.8", "127.0.0.5", "::ffff:192.0.2.9"}) EXPECT_FALSE(hosts.Contains(Address(ip))) << ip;
}

TEST(SipRefusalLog, LogsASourceNowAndThenAndBoundsWhatItRemembers) {
  SipRefusalLog log;
  EXPECT_TRUE(log.ShouldLog("127.0.0.5", 0));
  EXPECT_FALSE(log.ShouldLog("127.0.0.5", SipRefusalLog::kQuietMs - 1));
  EXPECT_TRUE(log.ShouldLog("127.0.0.6", 1));
  EXPECT_TRUE(log.ShouldLog("127.0.0.5", SipRefusalLog::kQuietMs));
  // A flood from ever new sources: room runs out until the oldest are quiet.
  int logged = 0;
  for (int i = 0; i < 1000; ++i) logged += log.ShouldLog("10.0.0." + std::to_string(i), 100);
  EXPECT_EQ(logged, static_cast<int>(SipRefusalLog::kMaxSources) - 2);
  EXPECT_TRUE(log.ShouldLog("10.9.9.9", 100 + SipRefusalLog::kQuietMs));
}

}  // namespace
