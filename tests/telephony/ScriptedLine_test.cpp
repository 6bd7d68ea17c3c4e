#include "support/ScriptedLine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "telephony/RecordingNotify.h"

namespace {

using Strings = std::vector<std::string>;
using K = ScriptedLine::OpKind;

// A silent source of a given format and length.
class SilentSource final : public LSoundSourceBase {
 public:
  SilentSource(int32_t rate, int channels, int32_t frames)
      : LSoundSourceBase(rate, channels, 0), end_(frames) {}
  void Read(int32_t* buffer, int32_t frames) override {
    std::fill(buffer, buffer + frames * Channels(), 0);
    position_ += frames;
  }
  int32_t GetPosition() override { return position_; }
  int32_t GetEndSample() override { return end_; }

 private:
  int32_t end_;
  int32_t position_ = 0;
};

class NullSink final : public LSoundSinkBase {
 public:
  NullSink() : LSoundSinkBase(8000, 1) {}
  void Write(const int32_t* /*buffer*/, int32_t frames) override { Advance(frames); }
};

class ScriptedLineTest : public ::testing::Test {
 protected:
  ScriptedLineTest() {
    line.SetDefaultHandler(&handler);
    line.Connect();
    handler.Take();
  }

  ManualClock clock{0, 1000};
  ScriptedLine line{clock};
  RecordingNotify handler;
};

TEST_F(ScriptedLineTest, RecordsOperationsWithTheirArguments) {
  line.Dial("12!3");
  line.TransferBlind("200");
  line.Beep();
  line.Play(LSoundSourceRef(new SilentSource(11025, 2, 22050)));
  line.Seek(-500);
  LSoundSinkRef sink(new NullSink);
  line.Record(sink, 2250, -22, 60000);
  line.Wait(25000, -22, 3600000);
  line.Stop();
  line.Drop();

  const auto& ops = line.Ops();
  ASSERT_EQ(ops.size(), 9u);
  EXPECT_EQ(ops[0].kind, K::Dial);
  EXPECT_EQ(ops[0].text, "12!3");
  EXPECT_EQ(ops[1].text, "200");
  EXPECT_EQ(ops[2].kind, K::Beep);
  EXPECT_EQ(ops[3].sampleRate, 11025);
  EXPECT_EQ(ops[3].channels, 2);
  EXPECT_EQ(ops[3].endSample, 22050);
  ASSERT_TRUE(ops[3].source);
  EXPECT_EQ(ops[4].deltaMs, -500);
  EXPECT_EQ(ops[5].sink.Get(), sink.Get());
  EXPECT_EQ(ops[5].silenceMs, 2250);
  EXPECT_EQ(ops[5].thresholdDb, -22);
  EXPECT_EQ(ops[5].maxMs, 60000);
  EXPECT_EQ(ops[6].kind, K::Wait);
  EXPECT_EQ(ops[6].maxMs, 3600000);
  EXPECT_EQ(ops[7].kind, K::Stop);
  EXPECT_EQ(ops[8].kind, K::Drop);
  EXPECT_EQ(ops[8].tick, 1000u);
  // The stopped wait never completes.
  line.Advance(4000000);
  EXPECT_TRUE(handler.Take().empty());
}

TEST_F(ScriptedLineTest, TimedOperationsCompleteWhenTheClockPassesTheirEnd) {
  line.Play(LSoundSourceRef(new SilentSource(8000, 1, 12000)));  // 1500 ms
  line.Advance(1499);
  EXPECT_TRUE(line.IsPlaying());
  line.Advance(1);
  EXPECT_EQ(handler.Take(), (Strings{"PlayComplete"}));

  line.Record(nullptr, 0, LLineBase::kNoThreshold, 0);  // no maximum
  EXPECT_TRUE(line.IsRecording());
  line.Advance(600000);
  EXPECT_TRUE(handler.Take().empty());
  EXPECT_TRUE(line.CompleteRecord());
  EXPECT_FALSE(line.CompleteRecord());
  EXPECT_EQ(handler.Take(), (Strings{"RecordComplete"}));
}

TEST_F(ScriptedLineTest, AdvanceRunsChainedOperationsAtTheirOwnTimes) {
  // The handler waits 6 s after each play, as an OGM does.
  std::vector<uint64_t> waitTicks;
  struct Chain final : LLineNotify {
    ScriptedLine* line = nullptr;
    std::vector<uint64_t>* ticks = nullptr;
    ManualClock* clock = nullptr;
    void lnntfStart() override {}
    void lnntfPlayComplete() override { line->Wait(0, 0, 6000); }
    void lnntfWaitComplete() override { ticks->push_back(clock->TickCount()); }
  } chain;
  chain.line = &line;
  chain.ticks = &waitTicks;
  chain.clock = &clock;
  line.SetDefaultHandler(&chain);
  line.Connect();
  line.Play(LSoundSourceRef(new SilentSource(8000, 1, 8000)));
  line.Advance(10000);
  EXPECT_EQ(waitTicks, (std::vector<uint64_t>{1000 + 1000 + 6000}));
  EXPECT_EQ(clock.TickCount(), 11000u);
}

TEST_F(ScriptedLineTest, ImmediateCompletionsAndReplacedOperations) {
  line.Wait(0, 0, 0);
  line.Dial("");
  EXPECT_EQ(handler.Take(), (Strings{"WaitComplete", "DialComplete"}));

  line.Play(LSoundSourceRef(new SilentSource(8000, 1, 80000)));
  line.Wait(0, 0, 5000);  // replaces the play
  EXPECT_FALSE(line.CompletePlay());
  line.Advance(5000);
  EXPECT_EQ(handler.Take(), (Strings{"WaitComplete"}));

  line.Wait(0, 0, 5000);
  line.HangUp();
  line.Advance(10000);
  EXPECT_EQ(handler.Take(), (Strings{"Disconnect"}));
}

TEST(ScriptedLineCalls, RingsCountTheCallAndCallDataIsCut) {
  ManualClock clock;
  ScriptedLine line{clock};
  RecordingNotify handler;
  handler.answerAtRing = 3;
  line.SetDefaultHandler(&handler);
  line.Offer("0123456789012345678901234567890123", "Caller", "555");
  EXPECT_EQ(line.CallerNumber(), "0123456789012345678901234567890");
  EXPECT_EQ(line.CallerName(), "Caller");
  EXPECT_EQ(line.Did(), "555");
  EXPECT_FALSE(line.Ring());
  line.Advance(4000);
  EXPECT_FALSE(line.Ring());
  line.Advance(6000);
  EXPECT_TRUE(line.Ring(1));
  EXPECT_EQ(line.Drn(), 1);
  EXPECT_EQ(line.DrnTime(), 6000u);

  line.Offer("200");
  EXPECT_EQ(line.RingUntilAnswered(5), 3);
  EXPECT_EQ(handler.Take(), (Strings{"Answer 1", "Answer 2", "Answer 3", "Answer 1", "Answer 2",
                                     "Answer 3"}));

  line.Connect();
  EXPECT_FALSE(line.MakeCall("300"));
  line.HangUp();
  line.SetMakeCallSucceeds(false);
  EXPECT_FALSE(line.MakeCall("300"));
  line.SetMakeCallSucceeds(true);
  EXPECT_TRUE(line.MakeCall("300"));
  EXPECT_EQ(line.CallerNumber(), "300");
  EXPECT_EQ(line.CallerName(), "");
}

}  // namespace
