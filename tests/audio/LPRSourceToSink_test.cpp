#include "audio/LPRSourceToSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "PumpTestSupport.h"

namespace {

constexpr int32_t kBlock = LPRSourceToSink::kBlockFrames;

struct PumpRun {
  explicit PumpRun(int cancelAtCall = -1) : progress(cancelAtCall) {}
  ProcessResult result = kProcessFailed;
  LRef<CollectSink> sink;
  RecordingProgress progress;
};

// Pumps `source` into a fresh 8000 Hz sink with `channels`.
void Pump(PumpRun& run, LSoundSourceRef source, int channels = 1) {
  run.sink = new CollectSink(8000, channels);
  LPRSourceToSink pump("Title", std::move(source), run.sink);
  run.result = pump.Process(run.progress);
}

TEST(LPRSourceToSink, WritesExactlyTheSourceLengthWhateverItsBlockAlignment) {
  for (int32_t length : {0, 1, 100, kBlock - 1, kBlock, kBlock + 1, 3 * kBlock}) {
    PumpRun run;
    Pump(run, new RampSource(8000, 1, length));
    EXPECT_EQ(run.result, kProcessDone) << length;
    ASSERT_EQ(run.sink->Position(), length);
    ASSERT_EQ(run.sink->samples.size(), static_cast<size_t>(length));
    for (int32_t f = 0; f < length; ++f) ASSERT_EQ(run.sink->samples[f], RampSample(f, 0)) << f;
  }
}

TEST(LPRSourceToSink, ReportsTitleStepAndAFractionThatGrowsToTheEnd) {
  PumpRun run;
  Pump(run, new RampSource(8000, 2, 4 * kBlock + 10), 2);
  EXPECT_EQ(run.progress.title, "Title");
  EXPECT_EQ(run.progress.step, "Please wait...");
  ASSERT_FALSE(run.progress.fractions.empty());
  EXPECT_EQ(run.progress.fractions.front(), 0);
  EXPECT_TRUE(std::is_sorted(run.progress.fractions.begin(), run.progress.fractions.end()));
  EXPECT_LE(run.progress.fractions.back(), 1.0);
  EXPECT_EQ(run.sink->samples.size(), 2u * (4 * kBlock + 10));
  EXPECT_EQ(run.sink->samples[1], RampSample(0, 1)) << "frames stay interleaved";
}

TEST(LPRSourceToSink, SourceOrSinkInErrorFailsWithoutWriting) {
  PumpRun badSource;
  Pump(badSource, new RampSource(0, 1, 100));
  EXPECT_EQ(badSource.result, kProcessFailed);
  EXPECT_EQ(badSource.sink->Position(), 0);

  RecordingProgress progress;
  LRef<CollectSink> badSink = new CollectSink(8000, 0);
  EXPECT_EQ(LPRSourceToSink("t", new RampSource(8000, 1, 100), badSink).Process(progress),
            kProcessFailed);
  EXPECT_EQ(badSink->Position(), 0);
  PumpRun unfit;
  Pump(unfit, new RampSource(8000, 3, 100), 1);
  EXPECT_EQ(unfit.result, kProcessFailed) << "three channels cannot be fitted to one";
  EXPECT_EQ(unfit.sink->Position(), 0);

  LPRSourceToSink noSink("t", new RampSource(8000, 1, 100), LSoundSinkRef());
  EXPECT_EQ(noSink.Process(progress), kProcessFailed);
  EXPECT_FALSE(noSink.Run(progress));
}

TEST(LPRSourceToSink, CancelIsTestedBeforeEveryBlock) {
  PumpRun run(3);
  Pump(run, new RampSource(8000, 1, 10 * kBlock));
  EXPECT_EQ(run.result, kProcessCancelled);
  EXPECT_EQ(run.sink->Position(), 2 * kBlock);

  RecordingProgress atOnce(1);
  LRef<CollectSink> sink = new CollectSink(8000, 1);
  LPRSourceToSink pump("t", new RampSource(8000, 1, 0), sink);
  EXPECT_FALSE(pump.Run(atOnce)) << "even an empty source is cancelled before its first read";
}

TEST(LPRSourceToSink, AGrowingSourceIsPumpedToItsFinalEnd) {
  LRef<RampSource> source = new RampSource(8000, 1, 1000);
  source->Grow(kBlock + 500, 5 * kBlock + 7);
  PumpRun run;
  Pump(run, source);
  EXPECT_EQ(run.result, kProcessDone);
  ASSERT_EQ(run.sink->Position(), 5 * kBlock + 7);
  EXPECT_EQ(run.sink->samples.back(), RampSample(5 * kBlock + 6, 0));
}

// Loud enough that the pump must insert its limiter.
class LoudSource : public RampSource {
 public:
  LoudSource() : RampSource(16000, 2, 16000, 4 * kFullScale16) {}

 protected:
  int32_t Sample(int32_t, int) const override { return 3 * kFullScale16; }
};

TEST(LPRSourceToSink, FitsChannelsRateAndLevelToTheSink) {
  PumpRun run;
  Pump(run, new LoudSource, 1);
  EXPECT_EQ(run.result, kProcessDone);
  EXPECT_NEAR(run.sink->Position(), 8000, 80) << "one second at the sink's rate";
  EXPECT_EQ(run.sink->samples.size(), static_cast<size_t>(run.sink->Position()));
  for (int32_t sample : run.sink->samples) ASSERT_LE(std::abs(sample), kFullScale16);
}

}  // namespace
