#include "telephony/LLineBase.h"

#include <gtest/gtest.h>

#include "support/ScriptedLine.h"
#include "telephony/RecordingNotify.h"

namespace {

using Strings = std::vector<std::string>;

// A handler that keeps every base behaviour.
class MinimalNotify final : public LLineNotify {
 public:
  void lnntfStart() override { ++starts; }
  int starts = 0;
};

class LineDelivery : public ::testing::Test {
 protected:
  LineDelivery() { line.SetDefaultHandler(&handler); }

  ManualClock clock;
  ScriptedLine line{clock};
  RecordingNotify handler;
};

TEST_F(LineDelivery, AttachingSetsTheBackPointer) {
  EXPECT_EQ(handler.Line(), &line);
  EXPECT_EQ(line.DefaultHandler(), &handler);
  EXPECT_EQ(line.CurrentHandler(), nullptr);
}

TEST_F(LineDelivery, BetweenCallsOnlyRingsReachTheHandler) {
  line.Press('1');
  line.CompleteDial();
  line.ReportPlayPosition(10);
  line.Fax();
  line.EndOfCallTone();
  line.HangUp();
  EXPECT_TRUE(handler.Take().empty());

  handler.answerAtRing = 2;
  line.Offer("5551234");
  EXPECT_FALSE(line.Ring());
  EXPECT_TRUE(line.Ring());
  EXPECT_EQ(handler.Take(), (Strings{"Answer 1", "Answer 2"}));
}

TEST_F(LineDelivery, CallStartMakesTheHandlerCurrentUntilDisconnect) {
  line.Connect();
  EXPECT_EQ(line.CurrentHandler(), &handler);
  line.Press('7');
  line.CompleteDial();
  line.ReportRecordPosition(1200);
  line.ReportRecordLevel(-40);
  line.ReportPlayPosition(300);
  line.ReportPlayLevel(-127);
  line.Fax();
  line.EndOfCallTone();
  line.HangUp();
  EXPECT_EQ(handler.Take(),
            (Strings{"Start", "Press 7", "DialComplete", "RecordPosition 1200", "RecordLevel -40",
                     "PlayPosition 300", "PlayLevel -127", "Fax", "EndOfCallBusyTone", "Disconnect"}));

  // Nothing more reaches it, not even a second disconnect.
  EXPECT_EQ(line.CurrentHandler(), nullptr);
  line.Press('1');
  line.HangUp();
  EXPECT_TRUE(handler.Take().empty());

  line.Connect();
  line.Press('2');
  EXPECT_EQ(handler.Take(), (Strings{"Start", "Press 2"}));
}

TEST_F(LineDelivery, ACallStartingOverARunningCallEndsItFirst) {
  line.Connect();
  line.Connect();
  EXPECT_EQ(handler.Take(), (Strings{"Start", "Disconnect", "Start"}));
  EXPECT_EQ(line.CurrentHandler(), &handler);
}

TEST_F(LineDelivery, ACallStartedInReplyToADisconnectKeepsItsHandler) {
  // An outbound scheduler may place the next call while the last one ends.
  handler.onDisconnect = [this] {
    handler.onDisconnect = nullptr;
    ASSERT_TRUE(line.MakeCall("5550000"));
    line.Connect();
  };
  line.Connect();
  line.HangUp();
  EXPECT_EQ(handler.Take(), (Strings{"Start", "Disconnect", "Start"}));
  EXPECT_EQ(line.CurrentHandler(), &handler);
  EXPECT_EQ(line.CallerNumber(), "5550000");
}

TEST_F(LineDelivery, ReplacingTheHandlerMidCallSilencesTheOldOne) {
  RecordingNotify other;
  line.Connect();
  line.SetDefaultHandler(&other);
  EXPECT_EQ(handler.Line(), nullptr);
  EXPECT_EQ(other.Line(), &line);
  line.Press('1');
  line.HangUp();
  EXPECT_EQ(handler.Take(), (Strings{"Start"}));
  EXPECT_TRUE(other.Take().empty());

  // A handler attached to a second line leaves the first one.
  ScriptedLine second{clock};
  second.SetDefaultHandler(&other);
  EXPECT_EQ(line.DefaultHandler(), nullptr);
  EXPECT_EQ(other.Line(), &second);
}

TEST(LineLifetime, HandlerAndLineMayBeDestroyedInEitherOrder) {
  ManualClock clock;
  ScriptedLine line{clock};
  {
    RecordingNotify handler;
    line.SetDefaultHandler(&handler);
    line.Connect();
  }
  EXPECT_EQ(line.DefaultHandler(), nullptr);
  EXPECT_EQ(line.CurrentHandler(), nullptr);
  EXPECT_FALSE(line.Ring());
  line.Connect();
  line.Press('1');

  RecordingNotify handler;
  {
    ScriptedLine shortLived{clock};
    shortLived.SetDefaultHandler(&handler);
  }
  EXPECT_EQ(handler.Line(), nullptr);
}

TEST(LineNotifyBase, UnexpectedCompletionsDropTheCallAndFaxIsHandedOff) {
  ManualClock clock;
  ScriptedLine line{clock};
  MinimalNotify handler;
  line.SetDefaultHandler(&handler);
  line.Offer("100");
  EXPECT_TRUE(line.Ring());
  line.Connect();
  EXPECT_EQ(handler.starts, 1);

  line.Press('5');
  line.ReportPlayPosition(1);
  line.ReportPlayLevel(1);
  line.ReportRecordPosition(1);
  line.ReportRecordLevel(1);
  EXPECT_TRUE(line.Ops().empty());

  line.CompleteDial();
  line.Play(nullptr);
  line.CompletePlay();
  line.Wait(0, 0, 1000);
  line.CompleteWait();
  line.Record(nullptr, 0, LLineBase::kNoThreshold, 0);
  line.CompleteRecord();
  line.EndOfCallTone();
  line.Fax();
  std::vector<ScriptedLine::OpKind> kinds;
  for (const auto& op : line.Ops()) kinds.push_back(op.kind);
  using K = ScriptedLine::OpKind;
  EXPECT_EQ(kinds, (std::vector<K>{K::Drop, K::Play, K::Drop, K::Wait, K::Drop, K::Record, K::Drop,
                                   K::Drop, K::FaxHandoff}));
  line.HangUp();
}

}  // namespace
