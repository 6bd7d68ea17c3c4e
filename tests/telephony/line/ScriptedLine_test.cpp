#include "support/ScriptedLine.h"

#include <gtest/gtest.h>

#include "telephony/line/RecordingNotify.h"

namespace {

using Strings = std::vector<std::string>;

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

TEST_F(ScriptedLineTest, TimedOperationsCompleteAtTheirEndEvenWhenChained) {
  // The handler waits 6 s after a recording, as a menu does after its OGM.
  handler.onNote = [this](const std::string& note) {
    if (note == "RecordComplete") line.Wait(0, 0, 6000);
  };
  line.Record(nullptr, 0, LLineBase::kNoThreshold, 1500);
  line.Advance(1499);
  EXPECT_TRUE(line.IsRecording());
  line.Advance(6000);  // one call runs the recording and most of the wait
  EXPECT_EQ(handler.Take(), (Strings{"RecordComplete"}));
  line.Advance(1);
  EXPECT_EQ(handler.Take(), (Strings{"WaitComplete"}));
  handler.onNote = nullptr;
  line.Record(nullptr, 0, LLineBase::kNoThreshold, 0);  // no maximum
  line.Advance(600000);
  EXPECT_TRUE(handler.Take().empty());
  EXPECT_TRUE(line.CompleteRecord());
  EXPECT_FALSE(line.CompleteRecord());
  EXPECT_EQ(handler.Take(), (Strings{"RecordComplete"}));
}

TEST_F(ScriptedLineTest, ImmediateStoppedAndReplacedOperations) {
  line.Wait(0, 0, 0);
  line.Dial("");
  EXPECT_EQ(handler.Take(), (Strings{"WaitComplete", "DialComplete"}));
  line.Record(nullptr, 0, LLineBase::kNoThreshold, 80000);
  line.Wait(0, 0, 5000);  // replaces the recording
  EXPECT_FALSE(line.CompleteRecord());
  line.Advance(5000);
  EXPECT_EQ(handler.Take(), (Strings{"WaitComplete"}));
  line.Wait(0, 0, 5000);
  line.Stop();
  line.Advance(10000);
  EXPECT_TRUE(handler.Take().empty());
  line.Wait(0, 0, 5000);
  line.HangUp();
  line.Advance(10000);
  EXPECT_EQ(handler.Take(), (Strings{"Disconnect"}));
}

}  // namespace
