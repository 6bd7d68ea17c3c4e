#include "telephony/line/LLineBase.h"

#include <gtest/gtest.h>

#include "support/ScriptedLine.h"
#include "telephony/line/RecordingNotify.h"

namespace {

using Strings = std::vector<std::string>;

class LineDelivery : public ::testing::Test {
 protected:
  LineDelivery() { line.SetDefaultHandler(&handler); }

  ManualClock clock;
  ScriptedLine line{clock};
  RecordingNotify handler;
};

TEST_F(LineDelivery, OnlyRingsBetweenCallsAndEverythingToTheCurrentHandlerUntilDisconnect) {
  EXPECT_EQ(handler.Line(), &line);
  line.Press('1');
  line.CompleteDial();
  line.Fax();
  line.HangUp();
  EXPECT_TRUE(handler.Take().empty());
  handler.answerAtRing = 2;
  line.Offer("5551234");
  EXPECT_FALSE(line.Ring());
  EXPECT_TRUE(line.Ring());
  EXPECT_EQ(handler.Take(), (Strings{"Answer 1", "Answer 2"}));
  line.Connect();
  EXPECT_EQ(line.CurrentHandler(), &handler);
  line.Press('7');
  line.CompleteDial();
  line.ReportRecordPosition(1200);
  line.ReportPlayLevel(-127);
  line.Fax();
  line.EndOfCallTone();
  line.HangUp();
  EXPECT_EQ(handler.Take(),
            (Strings{"Start", "Press 7", "DialComplete", "RecordPosition 1200", "PlayLevel -127",
                     "Fax", "EndOfCallBusyTone", "Disconnect"}));
  EXPECT_EQ(line.CurrentHandler(), nullptr);
  line.Press('1');
  line.HangUp();  // not even a second disconnect arrives
  EXPECT_TRUE(handler.Take().empty());
  // A call starting over a running call ends that one first.
  line.Connect();
  line.Connect();
  EXPECT_EQ(handler.Take(), (Strings{"Start", "Disconnect", "Start"}));
  EXPECT_EQ(line.CurrentHandler(), &handler);
}

TEST_F(LineDelivery, ACallStartedInReplyToADisconnectKeepsItsHandler) {
  // An outbound scheduler may place the next call while the last one ends.
  handler.onNote = [this](const std::string& note) {
    if (note != "Disconnect" || line.CallerNumber() == "5550000") return;
    ASSERT_TRUE(line.MakeCall("5550000"));
    line.Connect();
  };
  line.Connect();
  line.HangUp();
  EXPECT_EQ(handler.Take(), (Strings{"Start", "Disconnect", "Start"}));
  EXPECT_EQ(line.CurrentHandler(), &handler);
  EXPECT_EQ(line.CallerNumber(), "5550000");
}

TEST_F(LineDelivery, HandlersLeaveCleanlyWhenReplacedMovedOrDestroyed) {
  {
    RecordingNotify other;
    line.Connect();
    line.SetDefaultHandler(&other);  // mid-call: the old handler hears no more
    EXPECT_EQ(handler.Line(), nullptr);
    line.Press('1');
    line.HangUp();
    EXPECT_EQ(handler.Take(), (Strings{"Start"}));
    EXPECT_TRUE(other.Take().empty());
    line.Connect();
  }
  EXPECT_TRUE(!line.DefaultHandler() && !line.CurrentHandler() && !line.Ring());
  line.Press('1');
  line.SetDefaultHandler(&handler);
  {
    ScriptedLine second{clock};
    second.SetDefaultHandler(&handler);  // leaves the first line
    EXPECT_TRUE(!line.DefaultHandler() && handler.Line() == &second);
  }
  EXPECT_EQ(handler.Line(), nullptr);
}

// A handler that keeps every base behaviour.
class MinimalNotify final : public LLineNotify {
 public:
  void lnntfStart() override {}
};

TEST_F(LineDelivery, BaseHandlerDropsTheCallOnUnexpectedCompletionsAndHandsFaxOff) {
  MinimalNotify minimal;
  line.SetDefaultHandler(&minimal);
  line.Connect();
  line.CompleteDial();
  line.Wait(0, 0, 1000);
  line.CompleteWait();
  line.Record(nullptr, 0, LLineBase::kNoThreshold, 0);
  line.CompleteRecord();
  line.EndOfCallTone();
  line.Fax();
  std::vector<ScriptedLine::OpKind> kinds;
  for (const auto& op : line.Ops()) kinds.push_back(op.kind);
  using K = ScriptedLine::OpKind;
  EXPECT_EQ(kinds, (std::vector<K>{K::Drop, K::Wait, K::Drop, K::Record, K::Drop, K::Drop,
                                   K::FaxHandoff}));
}

}  // namespace
