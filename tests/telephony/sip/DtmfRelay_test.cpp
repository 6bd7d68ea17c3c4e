#include <gtest/gtest.h>

#include <string>

#include "telephony/sip/LDtmfRelay.h"

namespace {

LDtmfRelay Parsed(std::string_view body) {
  LDtmfRelay relay;
  EXPECT_TRUE(LDtmfRelay::Parse(body, relay)) << body;
  return relay;
}

bool Refused(std::string_view body) {
  LDtmfRelay relay;
  return !LDtmfRelay::Parse(body, relay);
}

}  // namespace

TEST(DtmfRelay, ReadsSignalAndDuration) {
  const LDtmfRelay relay = Parsed("Signal=5\r\nDuration=160\r\n");
  EXPECT_EQ(relay.key, '5');
  EXPECT_EQ(relay.durationMs, 160u);
  EXPECT_EQ(Parsed("Signal=#\nDuration=250").key, '#');
  EXPECT_EQ(Parsed("signal = * \r\n duration = 90 \r\n").durationMs, 90u);
  EXPECT_EQ(Parsed("SIGNAL=\tb\t").key, 'B');
  EXPECT_EQ(Parsed("Signal=5").durationMs, 0u);
}

TEST(DtmfRelay, TakesEventCodesForKeys) {
  EXPECT_EQ(Parsed("Signal=10\r\n").key, '*');
  EXPECT_EQ(Parsed("Signal=11\r\n").key, '#');
  EXPECT_EQ(Parsed("Signal=15\r\n").key, 'D');
  EXPECT_EQ(Parsed("Signal=0\r\n").key, '0');
  EXPECT_TRUE(Refused("Signal=16\r\n"));  // the hook flash is no key
}

TEST(DtmfRelay, FirstOfARepeatedNameCountsAndOthersAreSkipped) {
  const LDtmfRelay relay = Parsed("Volume=10\r\nno equals here\r\nSignal=1\r\nSignal=2\r\nDuration=100\r\nDuration=7");
  EXPECT_EQ(relay.key, '1');
  EXPECT_EQ(relay.durationMs, 100u);
  EXPECT_TRUE(Refused("Signal=x\r\nSignal=3\r\n"));
}

TEST(DtmfRelay, ABadDurationIsUnknown) {
  EXPECT_EQ(Parsed("Signal=4\r\nDuration=160ms").durationMs, 0u);
  EXPECT_EQ(Parsed("Signal=4\r\nDuration=-5").durationMs, 0u);
  EXPECT_EQ(Parsed("Signal=4\r\nDuration=99999999999").durationMs, 0u);
  EXPECT_EQ(Parsed("Signal=4\r\nDuration=999999999").durationMs, 999999999u);
}

TEST(DtmfRelay, RefusesBodiesWithoutAKey) {
  EXPECT_TRUE(Refused(""));
  EXPECT_TRUE(Refused("Duration=160\r\n"));
  EXPECT_TRUE(Refused("Signal=\r\n"));
  EXPECT_TRUE(Refused("Signal=55\r\n"));
  EXPECT_TRUE(Refused("Signal=12a\r\n"));
  EXPECT_TRUE(Refused("Signals=5\r\n"));
  EXPECT_TRUE(Refused(std::string("Signal=5\0\r\n", 11)));
  EXPECT_TRUE(Refused("Signal=5\r\n" + std::string(LDtmfRelay::kMaxBody, ' ')));
}
