#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "SipTestSupport.h"
#include "telephony/sip/SipDevice.h"
#include "telephony/sip/SipStack.h"

namespace {

class SipRegistrationTest : public SipLoopFixture, public ::testing::WithParamInterface<std::string> {};

// A SIPp registrar challenges with 401 and accepts alice/secret only.
TEST_P(SipRegistrationTest, AnswersTheDigestChallengeOnceAndLogsTheOutcomeOnce) {
  const std::string password = GetParam();
  const uint16_t registrarPort = FreeLoopbackPort();
  SippProcess registrar("uas_register", {"-p", std::to_string(registrarPort)}, dir_.Path());
  WriteDevice(0, {{"name", "Provider"}, {"mode", "register"}, {"user", "alice"}, {"password", password},
                  {"registrar", "127.0.0.1:" + std::to_string(registrarPort)},
                  {"localaddress", "127.0.0.1:0"}, {"expiry", "600"}});
  auto stack = std::make_unique<SipStack>(settings_, log_, runner_.clock_);
  ASSERT_NE(stack->Device(0), nullptr);
  RunUntil([&] { return !registrar.Running(); });
  EXPECT_EQ(registrar.ExitCode(), 0) << registrar.Output();
  const bool right = password == "secret";
  EXPECT_EQ(stack->Device(0)->IsRegistered(), right);
  EXPECT_TRUE(Logged("SIP device Provider registered", right ? 1 : 0));
  EXPECT_TRUE(Logged("SIP device Provider registration failed: 403 Forbidden", right ? 0 : 1));
  EXPECT_EQ(display_.GetSnapshot().error, !right);
}

// A device on loopback cannot send to a provider on the network: the state
// says what to change.
class SipRegistrationFailureTest : public SipLoopFixture {};

TEST_F(SipRegistrationFailureTest, ARegistrarOutOfReachIsReportedInWordsToActOn) {
  WriteDevice(0, {{"name", "Provider"}, {"mode", "register"}, {"user", "alice"},
                  {"registrar", "192.0.2.10"}, {"localaddress", "127.0.0.1:0"}});
  SipStack stack(settings_, log_, runner_.clock_);
  ASSERT_NE(stack.Device(0), nullptr);
  EXPECT_EQ(stack.Device(0)->RegistrationState(),
            "failed: cannot send to sip:192.0.2.10: it cannot be reached from the device's local address "
            "(Invalid argument)");
}

INSTANTIATE_TEST_SUITE_P(SipRegistrationTest, SipRegistrationTest, ::testing::Values("secret", "wrong"));

}  // namespace
