#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "SipTestSupport.h"
#include "telephony/sip/SipDevice.h"
#include "telephony/sip/SipStack.h"

namespace {

class SipRegistrationTest : public SipLoopFixture {
 protected:
  // Registers against a SIPp registrar that challenges with 401 and
  // accepts alice/secret only.
  void RegisterWith(const std::string& password) {
    const uint16_t registrarPort = FreeLoopbackPort();
    SippProcess registrar({"-sf", SippScenario("uas_register.xml"), "-i", "127.0.0.1", "-p",
                           std::to_string(registrarPort), "-m", "1"},
                          dir_.Path());
    WriteDevice(0, {{"name", "Provider"}, {"mode", "register"}, {"user", "alice"},
                    {"password", password}, {"registrar", "127.0.0.1:" + std::to_string(registrarPort)},
                    {"localaddress", "127.0.0.1:0"}, {"expiry", "600"}});
    stack_ = std::make_unique<SipStack>(settings_, log_);
    ASSERT_NE(stack_->Device(0), nullptr);
    RunUntil([&] { return !registrar.Running(); });
    EXPECT_EQ(registrar.ExitCode(), 0) << registrar.Output();
  }
  void TearDown() override { stack_.reset(); }

  static size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
  }

  std::unique_ptr<SipStack> stack_;
};

TEST_F(SipRegistrationTest, AnswersTheDigestChallengeAndLogsTheRegistrationOnce) {
  RegisterWith("secret");
  EXPECT_TRUE(stack_->Device(0)->IsRegistered());
  const std::string log = SystemLogText();
  EXPECT_EQ(Count(log, "SIP device Provider registered"), 1u) << log;
  EXPECT_FALSE(display_.GetSnapshot().error);
}

TEST_F(SipRegistrationTest, AWrongPasswordIsLoggedAsAnError) {
  RegisterWith("wrong");
  EXPECT_FALSE(stack_->Device(0)->IsRegistered());
  const std::string log = SystemLogText();
  EXPECT_EQ(Count(log, "SIP device Provider registration failed: 403 Forbidden"), 1u) << log;
  EXPECT_TRUE(display_.GetSnapshot().error);
}

}  // namespace
