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

// Plays the line: adopts the first call offered (later ones are left to
// be refused), rings and answers it on request, and records every event.
class TestLine : public SipDeviceListener, public SipCallListener {
 public:
  bool answer = true;
  std::unique_ptr<SipCall> call;
  std::vector<std::string> events;
  std::function<void()> onEstablished;

  void OnIncomingCall(std::unique_ptr<SipCall> offered) override {
    if (call) {
      events.push_back("refused");
      return;
    }
    call = std::move(offered);
    call->SetListener(this);
    events.push_back("offered");
    EXPECT_TRUE(call->Ring());
    if (answer) {
      EXPECT_TRUE(call->Answer());
    }
  }
  void OnCallProgress(uint16_t code) override { events.push_back("progress " + std::to_string(code)); }
  void OnCallEstablished() override {
    events.push_back("established");
    if (onEstablished) onEstablished();
  }
  void OnCallEnded(const SipCallEnd& end) override {
    static const char* const kReasons[] = {"hang-up", "cancelled", "refused", "failed"};
    events.push_back(std::string("ended ") + kReasons[static_cast<int>(end.reason)] + " " +
                     std::to_string(end.code));
  }
  void OnInfoDigit(char key, uint32_t durationMs) override {
    events.push_back(std::string("digit ") + key + " " + std::to_string(durationMs));
  }
  void OnTransferResult(bool success, uint16_t code) override {
    events.push_back(std::string("transfer ") + (success ? "ok " : "failed ") + std::to_string(code));
  }
  void OnRtpPacket(std::span<const uint8_t>, const SipHostPort&) override {}
  void OnMediaChanged() override { events.push_back("media changed"); }

  bool Saw(const std::string& event) const {
    return std::find(events.begin(), events.end(), event) != events.end();
  }
};

class SipCallTest : public SipLoopFixture {
 protected:
  void SetUp() override {
    port_ = FreeLoopbackPort();
    sippPort_ = FreeLoopbackPort();
    ASSERT_NE(port_, 0);
    WriteDevice(0, {{"name", "Test line"}, {"localaddress", "127.0.0.1:" + std::to_string(port_)},
                    {"user", "alice"}, {"password", "secret"}});
    stack_ = std::make_unique<SipStack>(settings_, log_);
    device_ = stack_->Device(0);
    ASSERT_NE(device_, nullptr);
    ASSERT_EQ(device_->ListenPort(), port_);
    device_->SetListener(&line_);
  }
  void TearDown() override {
    line_.call.reset();
    stack_.reset();
  }
  std::unique_ptr<SippProcess> CallIn(const std::string& scenario, const std::string& dialled = "100",
                                      const std::string& transport = "u1") {
    return std::make_unique<SippProcess>(
        std::vector<std::string>{"127.0.0.1:" + std::to_string(port_), "-sf", SippScenario(scenario),
                                 "-i", "127.0.0.1", "-p", std::to_string(sippPort_), "-m", "1",
                                 "-s", dialled, "-t", transport},
        dir_.Path());
  }

  uint16_t port_ = 0;
  uint16_t sippPort_ = 0;
  TestLine line_;
  std::unique_ptr<SipStack> stack_;
  SipDevice* device_ = nullptr;
};

TEST_F(SipCallTest, IncomingCallIsOfferedWithCallerDataAnsweredTakesAnInfoDigitAndEndsOnBye) {
  auto sipp = CallIn("uac_call.xml", "4711");
  RunUntil([&] { return !sipp->Running(); });
  EXPECT_EQ(sipp->ExitCode(), 0) << sipp->Output();
  ASSERT_NE(line_.call, nullptr);
  EXPECT_EQ(line_.call->Caller().number, "+15551234");
  EXPECT_EQ(line_.call->Caller().name, "Alice Example");
  EXPECT_FALSE(line_.call->Caller().blocked);
  EXPECT_EQ(line_.call->Did(), "4711");
  EXPECT_EQ(line_.call->RingPattern(), 3);
  const SipMediaDescription& media = line_.call->Media();
  EXPECT_EQ(media.remote.host, "127.0.0.1");
  EXPECT_NE(media.remote.port, 0);
  EXPECT_EQ(media.payloadTypes, (std::vector<int>{8, 0, 96}));
  EXPECT_EQ(media.audioPayloadType, SipMediaDescription::kPcma);
  EXPECT_EQ(media.telephoneEventPayloadType, 96);
  EXPECT_EQ(line_.events,
            (std::vector<std::string>{"offered", "established", "digit 5 160", "ended hang-up 0"}));
  EXPECT_EQ(line_.call->GetState(), SipCall::State::kEnded);
}

TEST_F(SipCallTest, CallsArriveOverTcpToo) {
  auto sipp = CallIn("uac_call.xml", "100", "t1");
  RunUntil([&] { return !sipp->Running(); });
  EXPECT_EQ(sipp->ExitCode(), 0) << sipp->Output();
  EXPECT_EQ(line_.events,
            (std::vector<std::string>{"offered", "established", "digit 5 160", "ended hang-up 0"}));
}

TEST_F(SipCallTest, CancelBeforeTheAnswerEndsTheCallAsCancelledAndAnonymousCallersAreBlocked) {
  line_.answer = false;
  auto sipp = CallIn("uac_cancel.xml");
  RunUntil([&] { return !sipp->Running(); });
  EXPECT_EQ(sipp->ExitCode(), 0) << sipp->Output();
  ASSERT_NE(line_.call, nullptr);
  EXPECT_TRUE(line_.call->Caller().blocked);
  EXPECT_EQ(line_.call->Caller().number, "Blocked");
  EXPECT_EQ(line_.events, (std::vector<std::string>{"offered", "ended cancelled 0"}));
  EXPECT_FALSE(line_.call->Answer());
}

TEST_F(SipCallTest, ASecondCallWhileTheLineIsBusyGets486) {
  std::unique_ptr<SippProcess> second;
  const uint16_t secondPort = FreeLoopbackPort();
  line_.onEstablished = [&] {
    second = std::make_unique<SippProcess>(
        std::vector<std::string>{"127.0.0.1:" + std::to_string(port_), "-sf",
                                 SippScenario("uac_busy.xml"), "-i", "127.0.0.1", "-p",
                                 std::to_string(secondPort), "-m", "1"},
        dir_.Path());
  };
  auto first = CallIn("uac_call.xml");
  RunUntil([&] { return !first->Running() && second && !second->Running(); });
  EXPECT_EQ(first->ExitCode(), 0) << first->Output();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->ExitCode(), 0) << second->Output();
  EXPECT_TRUE(line_.Saw("refused"));
  EXPECT_TRUE(line_.Saw("ended hang-up 0"));
}

TEST_F(SipCallTest, OutgoingCallAnswersTheDigestChallengeAndIsAnsweredThenHangsUpWithBye) {
  auto sipp = std::make_unique<SippProcess>(
      std::vector<std::string>{"-sf", SippScenario("uas_auth.xml"), "-i", "127.0.0.1", "-p",
                               std::to_string(sippPort_), "-m", "1"},
      dir_.Path());
  bool placed = false;
  line_.onEstablished = [&] { line_.call.reset(); };
  RunUntil([&] {
    if (!placed) {
      placed = true;
      line_.call = device_->PlaceCall("service@127.0.0.1:" + std::to_string(sippPort_), line_);
      EXPECT_NE(line_.call, nullptr);
    }
    return !sipp->Running();
  });
  EXPECT_EQ(sipp->ExitCode(), 0) << sipp->Output();
  EXPECT_EQ(line_.events, (std::vector<std::string>{"progress 180", "established"}));
}

TEST_F(SipCallTest, NumbersThatCannotGoIntoARequestAreNotDialled) {
  EXPECT_EQ(device_->PlaceCall("bad number", line_), nullptr);
  EXPECT_EQ(device_->PlaceCall("", line_), nullptr);
}

TEST_F(SipCallTest, BlindTransferSendsReferAndReportsTheTargetsAnswer) {
  line_.onEstablished = [&] { EXPECT_TRUE(line_.call->TransferBlind("7001")); };
  auto sipp = CallIn("uac_refer.xml");
  bool hungUp = false;
  RunUntil([&] {
    if (!hungUp && line_.Saw("transfer ok 200")) {
      hungUp = true;
      line_.call.reset();
    }
    return !sipp->Running();
  });
  EXPECT_EQ(sipp->ExitCode(), 0) << sipp->Output();
  EXPECT_EQ(line_.events,
            (std::vector<std::string>{"offered", "established", "transfer ok 200"}));
}

TEST_F(SipCallTest, OddRequestsAreRefusedAndGarbageDatagramsChangeNothing) {
  const int garbage = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port_);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const std::string packets[] = {
      std::string("\x00\xff\x13garbage", 10), "INVITE\r\n\r\n", "SIP/2.0 200 OK\r\n\r\n",
      "INVITE sip:x@y SIP/2.0\r\nVia: nonsense\r\nCall-ID: " + std::string(20000, 'a') + "\r\n\r\n",
      "REGISTER sip:x SIP/2.0\r\nContent-Length: 99999\r\n\r\nabc"};
  for (const std::string& packet : packets)
    ::sendto(garbage, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  ::close(garbage);
  auto sipp = CallIn("uac_oddities.xml");
  RunUntil([&] { return !sipp->Running(); });
  EXPECT_EQ(sipp->ExitCode(), 0) << sipp->Output();
  EXPECT_TRUE(line_.events.empty());
}

}  // namespace
