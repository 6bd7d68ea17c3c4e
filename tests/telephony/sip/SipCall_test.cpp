#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SipTestSupport.h"
#include "telephony/sip/SipCall.h"
#include "telephony/sip/SipCallListener.h"
#include "telephony/sip/SipDevice.h"
#include "telephony/sip/SipDeviceListener.h"
#include "telephony/sip/SipStack.h"

namespace {

using Events = std::vector<std::string>;

// Plays the line: adopts the first call offered (later ones are left to
// be refused), rings and answers it on request, and records every event.
class TestLine : public SipDeviceListener, public SipCallListener {
 public:
  bool answer = true;
  std::unique_ptr<SipCall> call;
  Events events;
  std::function<void()> onEstablished;

  void OnIncomingCall(std::unique_ptr<SipCall> offered) override {
    if (call) return events.push_back("refused");
    call = std::move(offered);
    call->SetListener(this);
    events.push_back("offered");
    EXPECT_TRUE(call->Ring());
    EXPECT_TRUE(!answer || call->Answer());
  }
  void OnCallProgress(uint16_t code) override { events.push_back("progress " + std::to_string(code)); }
  void OnCallEstablished() override {
    events.push_back("established");
    if (onEstablished) onEstablished();
  }
  void OnCallEnded(const SipCallEnd& end) override {
    static const char* const kReasons[] = {"hang-up", "cancelled", "refused", "failed"};
    events.push_back(std::string("ended ") + kReasons[static_cast<int>(end.reason)] + " " + std::to_string(end.code));
  }
  void OnInfoDigit(char key, uint32_t ms) override { events.push_back(std::string("digit ") + key + " " + std::to_string(ms)); }
  void OnTransferResult(bool success, uint16_t code) override {
    events.push_back(std::string("transfer ") + (success ? "ok " : "failed ") + std::to_string(code));
  }
  void OnRtpPacket(std::span<const uint8_t>) override {}
  void OnMediaChanged() override { events.push_back("media changed"); }
};

class SipCallTest : public SipLoopFixture {
 protected:
  void SetUp() override {
    ASSERT_NE(port_, 0);
    WriteDevice(0, {{"name", "Test line"}, {"localaddress", "127.0.0.1:" + std::to_string(port_)},
                    {"user", "alice"}, {"password", "secret"}});
    WriteDevice(0, keys_);
    stack_ = std::make_unique<SipStack>(settings_, log_, runner_.clock_);
    device_ = stack_->Device(0);
    ASSERT_NE(device_, nullptr);
    ASSERT_EQ(device_->ListenPort(), port_);
    device_->SetListener(&line_);
  }
  void TearDown() override {
    line_.call.reset();
    stack_.reset();
  }
  std::unique_ptr<SippProcess> CallFrom(const std::string& scenario, std::vector<std::string> args = {}) {
    args.insert(args.begin(), {"127.0.0.1:" + std::to_string(port_), "-p", std::to_string(FreeLoopbackPort())});
    return std::make_unique<SippProcess>(scenario, args, dir_.Path());
  }
  // SIPp calls the device with `scenario`; the loop runs (once a test) to
  // its end and until `more` holds.
  void CallIn(const std::string& scenario, const std::vector<std::string>& args = {},
              std::function<bool()> more = [] { return true; }) {
    auto sipp = CallFrom(scenario, args);
    RunUntil([&] { return more() && !sipp->Running(); });
    EXPECT_EQ(sipp->ExitCode(), 0) << sipp->Output();
  }

  uint16_t port_ = FreeLoopbackPort();
  std::vector<std::pair<std::string, std::string>> keys_;  // more device settings
  TestLine line_;
  std::unique_ptr<SipStack> stack_;
  SipDevice* device_ = nullptr;
};

class SipCallIn : public SipCallTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SipCallIn, IsOfferedWithCallerDataAnsweredTakesAnInfoDigitAndEndsOnBye) {
  CallIn("uac_call", {"-s", "4711", "-t", GetParam()});
  ASSERT_NE(line_.call, nullptr);
  const SipCall& call = *line_.call;
  const auto& caller = call.Caller();
  EXPECT_EQ(std::tuple(caller.number, caller.name, caller.blocked, call.Did(), call.RingPattern()),
            std::tuple("+15551234", "Alice Example", false, "4711", 3));
  const SipMediaDescription& media = call.Media();
  EXPECT_EQ(std::tuple(media.remote.host, media.payloadTypes, media.audioPayloadType,
                       media.telephoneEventPayloadType),
            std::tuple("127.0.0.1", std::vector<int>{8, 0, 96}, SipMediaDescription::kPcma, 96));
  EXPECT_NE(media.remote.port, 0);
  EXPECT_EQ(line_.events, (Events{"offered", "established", "digit 5 160", "ended hang-up 0"}));
  EXPECT_EQ(line_.call->GetState(), SipCall::State::kEnded);
}

INSTANTIATE_TEST_SUITE_P(SipCallTest, SipCallIn, ::testing::Values("u1", "t1"));

TEST_F(SipCallTest, ACallerChallengingOurByeGetsNoCredentials) {
  line_.onEstablished = [&] { line_.call.reset(); };
  CallIn("uac_challenge_bye");
  EXPECT_EQ(line_.events, (Events{"offered", "established"}));
}

// A registering device whose registrar is 127.0.0.2: SIPp on 127.0.0.1 is
// a stranger.
class SipCallRegistering : public SipCallTest, public ::testing::WithParamInterface<bool> {
 protected:
  SipCallRegistering() {
    keys_ = {{"mode", "register"}, {"registrar", "127.0.0.2:" + std::to_string(FreeLoopbackPort())},
             {"anyhost", GetParam() ? "true" : "false"}};
  }
};

TEST_P(SipCallRegistering, TakesStrangersCallsOnlyWhenSetToAndNeverTheirAssertedIdentity) {
  if (!GetParam()) {
    CallIn("uac_forbidden");
    EXPECT_TRUE(line_.events.empty());
    EXPECT_TRUE(Logged("calls from 127.0.0.1 refused (403)", 1));
    return;
  }
  std::string number;
  line_.onEstablished = [&] { number = line_.call->Caller().number, line_.call.reset(); };
  CallIn("uac_challenge_bye");
  EXPECT_EQ(line_.events, (Events{"offered", "established"}));
  EXPECT_EQ(number, "5551000");  // the From user, not the asserted +15551234
  EXPECT_TRUE(Logged("calls from 127.0.0.1", 0));
}

INSTANTIATE_TEST_SUITE_P(SipCallTest, SipCallRegistering, ::testing::Values(false, true));

TEST_F(SipCallTest, CancelBeforeTheAnswerEndsTheCallAsCancelledAndASecondCallGets486) {
  line_.answer = false;
  // An anonymous caller cancels once it rings; then, the line still holding
  // the ended call, a second caller expects 486 Busy Here.
  std::unique_ptr<SippProcess> busy;
  CallIn("uac_cancel", {}, [&] {
    if (!busy && line_.events.size() == 2) busy = CallFrom("uac_busy");
    return busy && !busy->Running();
  });
  ASSERT_NE(busy, nullptr);
  EXPECT_EQ(busy->ExitCode(), 0) << busy->Output();
  EXPECT_EQ(line_.events, (Events{"offered", "ended cancelled 0", "refused"}));
  ASSERT_NE(line_.call, nullptr);
  EXPECT_EQ(std::tuple(line_.call->Caller().blocked, line_.call->Caller().number), std::tuple(true, "Blocked"));
  EXPECT_FALSE(line_.call->Answer());
}

// Calls go out through SIPp as the outbound proxy, which may challenge them.
class SipCallOut : public SipCallTest {
 protected:
  SipCallOut() { keys_ = {{"outboundproxy", "127.0.0.1:" + std::to_string(sippPort_)}}; }
  const uint16_t sippPort_ = FreeLoopbackPort();
};

TEST_F(SipCallOut, OutgoingCallAnswersTheDigestChallengeAndIsAnsweredThenHangsUpWithBye) {
  EXPECT_EQ(device_->PlaceCall("bad number", line_), nullptr);  // cannot go into a request
  EXPECT_EQ(device_->PlaceCall("", line_), nullptr);
  SippProcess sipp("uas_auth", {"-p", std::to_string(sippPort_)}, dir_.Path());
  line_.onEstablished = [&] { line_.call.reset(); };
  line_.call = device_->PlaceCall("service@127.0.0.1:" + std::to_string(sippPort_), line_);
  EXPECT_NE(line_.call, nullptr);
  RunUntil([&] { return !sipp.Running(); });
  EXPECT_EQ(sipp.ExitCode(), 0) << sipp.Output();
  EXPECT_EQ(line_.events, (Events{"progress 180", "established"}));
}

TEST_F(SipCallTest, BlindTransferSendsReferAndReportsTheTargetsAnswer) {
  line_.onEstablished = [&] { EXPECT_TRUE(line_.call->TransferBlind("7001")); };
  CallIn("uac_refer", {}, [&] {
    if (!line_.events.empty() && line_.events.back() == "transfer ok 200") line_.call.reset();
    return true;
  });
  EXPECT_EQ(line_.events, (Events{"offered", "established", "transfer ok 200"}));
}

TEST_F(SipCallTest, OddRequestsAreRefusedAndGarbageDatagramsChangeNothing) {
  const int garbage = ::socket(AF_INET, SOCK_DGRAM, 0);
  for (const std::string& packet :
       {std::string("\x00\xff\x13garbage", 10), std::string("INVITE\r\n\r\n"), std::string("SIP/2.0 200 OK\r\n\r\n"),
        "INVITE sip:x@y SIP/2.0\r\nVia: nonsense\r\nCall-ID: " + std::string(20000, 'a') + "\r\n\r\n",
        std::string("REGISTER sip:x SIP/2.0\r\nContent-Length: 99999\r\n\r\nabc")})
    SendToLoopback(garbage, port_, packet);
  ::close(garbage);
  CallIn("uac_oddities");
  EXPECT_TRUE(line_.events.empty());
}

}  // namespace
