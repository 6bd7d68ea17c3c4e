#include "telephony/line/LLine.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "audio/LSRCNull.h"
#include "audio/TestSources.h"
#include "core/ManualClock.h"
#include "telephony/SoundTestSupport.h"
#include "telephony/line/RecordingNotify.h"
#include "telephony/wave/LSoundPlayer.h"

namespace {

using Notes = std::vector<std::string>;
const std::vector<int16_t> kSilence(800, 0);  // one recorder buffer at 8000 Hz
const std::vector<int16_t> kLoud(800, 8000);

// A line whose call operations only note themselves; its audio runs on fake
// devices and its silence timing on a manual clock.
class TestLine final : public LLine {
 public:
  TestLine(MainLoop &loop, const LClock &clock) : LLine(loop, clock, false) {}
  using LLine::LineSettings;
  using LLine::SetSettings;
  void Dial(const std::string &) override {}
  void TransferBlind(const std::string &) override {}
  void Drop() override { ++drops; }
  void Beep() override {}
  void FaxHandoff() override {}
  bool MakeCall(const std::string &) override { return false; }
  void Connect(std::shared_ptr<FakeDeviceState> out, std::shared_ptr<FakeDeviceState> in) {
    SetCallDevices(FakeOutOpener(std::move(out)), FakeInOpener(std::move(in)));
    SetEndOfCallReported(false);
    StartCall();
  }
  int drops = 0;
};

class LineAudio : public ::testing::Test {
 protected:
  LineAudio() {
    line.SetDefaultHandler(&handler);
    line.Connect(out, in);
    handler.Take();
  }
  ~LineAudio() override { line.Stop(); }

  // Feeds `n` copies of `block`, moving the line's clock 100 ms per block.
  LoopRunner::Step Feed(const std::vector<int16_t> &block, int n) {
    return [this, block, n, fed = std::make_shared<int>(0)] {
      if (*fed < n && in->Feed(block)) {
        ++*fed;
        clock.Advance(100);
      }
      return *fed == n;
    };
  }
  bool Heard(const std::string &text) const {
    return std::find(handler.heard.begin(), handler.heard.end(), text) != handler.heard.end();
  }

  LoopRunner runner;
  ManualClock clock{0, 100000};
  std::shared_ptr<FakeDeviceState> out = std::make_shared<FakeDeviceState>();
  std::shared_ptr<FakeDeviceState> in = std::make_shared<FakeDeviceState>();
  RecordingNotify handler;
  TestLine line{runner.loop, clock};
  CollectSink *memory = new CollectSink(8000, 1);
  LSoundSinkRef sink{memory};
};

TEST(LineSilenceSplit, HangOverAndLimitAddUpToTheSilenceWithAFloor) {
  for (auto [silence, hangOver, limit] : {std::tuple{2250, 1850, 400}, {10000, 6000, 4000},
                                          {300, 400, 400}, {6400, 6000, 400}}) {
    const LLine::SilenceSplit split = LLine::SilenceSplit::For(silence);
    EXPECT_EQ(std::tuple(split.hangOverMs, split.limitMs), std::tuple(hangOver, limit)) << silence;
  }
}

TEST_F(LineAudio, ASilentCallerStopsAfterTheGraceAndTheLimit) {
  line.Record(sink, 2250, -22, 0);
  // 5.4 s of silence: the grace and the line's limit; the recorder's own
  // hang-over has long run out because nothing was ever loud.
  ASSERT_TRUE(runner.Run({Feed(kSilence, 55), [&] { return Heard("RecordComplete"); }}));
  EXPECT_GE(clock.TickCount(), 100000u + 5400u);
  EXPECT_TRUE(memory->samples.empty());
}

// A key while the caller speaks cuts the key tone, counted from the file's
// start when the sink already holds 10 s, with the end-of-call tone
// detector wrapped around the sink or not.
class LineCut : public LineAudio, public ::testing::WithParamInterface<std::tuple<bool, int32_t>> {};

TEST_P(LineCut, RecordingsStoppedByAKeyLoseTheKeyTone) {
  const auto [detector, old] = GetParam();
  LLine::Settings settings = line.LineSettings();
  settings.eocDetectSoftware = detector;
  line.SetSettings(settings);
  memory->Write(std::vector<int32_t>(static_cast<std::size_t>(old), 7).data(), old);
  line.Record(sink, 5000, -22, 0);
  ASSERT_TRUE(runner.Run({Feed(kLoud, 20), [&] { return memory->Position() >= old + 16000; }}));
  line.Stop();  // as the controller does on a key press
  EXPECT_EQ(memory->Position(), old + 16000 - 350 * 8);
  EXPECT_TRUE(!old || memory->samples[static_cast<std::size_t>(old) - 1] == 7);
  EXPECT_FALSE(Heard("RecordComplete"));
}

INSTANTIATE_TEST_SUITE_P(DetectorAndOldAudio, LineCut,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(0, 80000)));

TEST_F(LineAudio, WaitsCompleteAtOnceOrOnlyAtTheirMaximumAndFailedStartsCompleteOrDrop) {
  line.Wait(0, 0, 0);
  EXPECT_EQ(handler.Take(), Notes{"WaitComplete"});
  line.Wait(0, 0, 1000000);  // no silence stop: 20 s of silence change nothing
  ASSERT_TRUE(runner.Run({Feed(kSilence, 200)}, 10000));
  EXPECT_TRUE(handler.heard.empty());
  line.Stop();
  out->failOpen = in->failOpen = true;
  line.Play(new TestSource(8000, 1, 8000));
  line.Play(new LSRCNull);
  EXPECT_EQ(handler.Take(), (Notes{"PlayComplete", "PlayComplete"}));
  line.Record(new CollectSink(8000, 1), 5000, -22, 0);
  line.Wait(5000, -22, 5000);
  EXPECT_EQ(line.drops, 2);
}

TEST_F(LineAudio, PlaysCompleteUnlessStoppedAndSeeksStayInside) {
  line.Play(new TestSource(8000, 1, 2400));  // shorter than a take-off: it still sounds
  ASSERT_TRUE(runner.Run({[&] {
    out->Play(LSoundPlayer::kBuffers);
    return !handler.heard.empty() && handler.heard.back() == "PlayComplete";
  }}));
  handler.Take();
  line.Play(new TestSource(8000, 1, 80000));
  line.Seek(60000);  // lands 1.5 s before the end
  line.Seek(-2000);
  line.Seek(-60000);  // lands at the start
  EXPECT_EQ(handler.Take(), (Notes{"PlayPosition 0", "PlayPosition 8500", "PlayPosition 6500", "PlayPosition 0"}));
  line.Stop();  // a stopped play never completes
  EXPECT_FALSE(Heard("PlayComplete"));
}

}  // namespace
