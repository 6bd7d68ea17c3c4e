#include "audio/LPRSourceToSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "TestSources.h"
#include "audio/LProgressConsole.h"
#include "audio/LSupportedFormats.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "audio/WaveFileIo.h"
#include "support/FullDisk.h"
#include "support/TempDir.h"

namespace {

constexpr int32_t kBlock = LPRSourceToSink::kBlockFrames;

// Pumps `source` into a fresh 8000 Hz sink with `channels`.
ProcessResult Pump(LSoundSourceRef source, LRef<CollectSink>& sink, int channels, LProgress& progress) {
  sink = new CollectSink(8000, channels);
  return LPRSourceToSink("Title", std::move(source), sink).Process(progress);
}

TEST(LPRSourceToSink, WritesExactlyTheSourceLengthWhateverItsBlockAlignment) {
  for (int32_t length : {0, 1, 100, kBlock - 1, kBlock, kBlock + 1, 3 * kBlock}) {
    RecordingProgress progress;
    LRef<CollectSink> sink;
    TestSource ramp(8000, 2, length);
    EXPECT_TRUE(Pump(new TestSource(8000, 2, length), sink, 2, progress) == kProcessDone &&
                sink->samples == ReadFrames(ramp, length)) << length;
    const std::vector<double>& done = progress.fractions;
    EXPECT_TRUE(progress.title == "Title" && progress.step == "Please wait..." && !done.empty() &&
                done.front() == 0 && done.back() <= 1.0 && std::is_sorted(done.begin(), done.end()));
  }
}

// Errors fail without writing; cancel is tested before every block.
TEST(LPRSourceToSink, ErrorsAndCancelStopBeforeTheNextBlock) {
  RecordingProgress progress;
  for (auto [rate, channels, sinkChannels] : {std::tuple{0, 1, 1}, {8000, 1, 0}, {8000, 3, 1}}) {
    LRef<CollectSink> sink = new CollectSink(8000, sinkChannels);
    EXPECT_EQ(LPRSourceToSink("t", new TestSource(rate, channels, 100), sink).Process(progress), kProcessFailed);
    EXPECT_EQ(sink->Position(), 0) << rate << " " << channels << " into " << sinkChannels;
  }
  LPRSourceToSink noSink("t", new TestSource(8000, 1, 100), LSoundSinkRef());
  EXPECT_FALSE(noSink.Process(progress) != kProcessFailed || noSink.Run(progress));
  // A sink that fails part way (a full disk) is no copy of the whole source.
  for (auto [failAt, stop] : {std::pair{kBlock + 1, 2 * kBlock}, {2 * kBlock + 50, 2 * kBlock + 100}}) {
    LRef<CollectSink> full = new CollectSink(8000, 1);
    full->failAt = failAt;
    EXPECT_EQ(LPRSourceToSink("t", new TestSource(8000, 1, 2 * kBlock + 100), full).Process(progress),
              kProcessFailed) << failAt;
    EXPECT_EQ(full->Position(), stop) << "no block after the failure";
  }
  RecordingProgress atThird(3), atOnce(1);
  LRef<CollectSink> sink;
  EXPECT_EQ(Pump(new TestSource(8000, 1, 10 * kBlock), sink, 1, atThird), kProcessCancelled);
  EXPECT_EQ(sink->Position(), 2 * kBlock);
  LPRSourceToSink pump("t", new TestSource(8000, 1, 0), new CollectSink(8000, 1));
  EXPECT_FALSE(pump.Run(atOnce)) << "even an empty source is cancelled before its first read";
}

// Finishing is part of the copy: a codec whose last block (GSM 6.10, 65
// bytes) no longer fits on the disk fails it, as a failed header would.
TEST(LPRSourceToSink, PumpAndFinishFailsWhenTheSinkCannotFinishItsFile) {
  TempDir dir;
  LWaveFileFormat gsm;
  ASSERT_TRUE(LSupportedFormats::Fill(*LSupportedFormats::FindByName("GSM 6.10"), gsm));
  const int64_t header = static_cast<int64_t>(WaveHeader(gsm, 0).size());
  RecordingProgress progress;
  for (auto [room, result] : {std::pair{header + 130, kProcessDone}, {header + 65, kProcessFailed}}) {
    const std::string path = dir / (std::to_string(room) + ".wav");
    FullDiskScope disk(room);
    EXPECT_EQ(PumpAndFinish("t", new TestSource(8000, 1, 400), LWaveFile::OpenSink(path, gsm), progress), result)
        << room;
  }
}

// A growing source is pumped to its final end; a loud one at another rate
// and channel count is limited and converted.
TEST(LPRSourceToSink, FollowsAGrowingSourceAndFitsChannelsRateAndLevelToTheSink) {
  LRef<TestSource> source = new TestSource(8000, 1, 1000);
  source->Grow(kBlock + 500, 5 * kBlock + 7);
  RecordingProgress progress;
  LRef<CollectSink> sink;
  ASSERT_TRUE(Pump(source, sink, 1, progress) == kProcessDone && sink->Position() == 5 * kBlock + 7);
  EXPECT_EQ(sink->samples.back(), RampSample(5 * kBlock + 6, 0));
  EXPECT_EQ(Pump(new TestSource(16000, 2, 16000, Constant(3 * kFullScale16), 4 * kFullScale16), sink, 1, progress),
            kProcessDone);
  EXPECT_NEAR(sink->samples.size(), 8000, 80) << "one second at the sink's rate";
  EXPECT_LE(PeakOf(sink->samples), kFullScale16);
}

TEST(LProgressConsole, InterruptBecomesACancelRequestAndIsNotDeliveredLater) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  {
    LProgressConsole progress(out, true);
    EXPECT_FALSE(progress.IsCancelled());
    std::raise(SIGINT);  // held back on this thread
    EXPECT_TRUE(progress.IsCancelled() && progress.IsCancelled());
    std::raise(SIGINT);  // after the last test: taken when the progress goes
  }
  sigset_t pending;
  sigpending(&pending);
  EXPECT_TRUE(sigismember(&pending, SIGINT) == 0 && std::ftell(out) == 0) << "nothing is drawn on a file";
  std::fclose(out);
}

}  // namespace
