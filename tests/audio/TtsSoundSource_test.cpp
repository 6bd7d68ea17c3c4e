#include <gtest/gtest.h>
#include <filesystem>

#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "TtsFakeEngine.h"
#include "audio/LTTSSoundSource.h"
#include "core/Path.h"
#include "support/WaitUntil.h"

namespace {

using Clock = std::chrono::steady_clock;

// Reads the source the way a player does: what is there, waiting while it
// still grows, until it has ended.
std::vector<int32_t> Drain(LSoundSourceBase& source) {
  std::vector<int32_t> samples;
  for (int32_t available; (available = source.GetEndSample() - source.GetPosition()) > 0 || source.IsStreaming();) {
    const std::size_t at = samples.size();
    samples.resize(at + static_cast<std::size_t>(std::max(available, 0)));
    available > 0 ? source.Read(samples.data() + at, available) : source.Wait(5);
  }
  return samples;
}

TEST(TtsSoundSource, AReaderSeesTheFileGrowAndThenEnd) {
  FakeVoices fake(EngineLanguages{{"en-us"}}, 3);
  FakeTtsEngine& engine = *fake.engines[0];
  engine.gated = true;
  LRef<LTTSSoundSource> source(new LTTSSoundSource("Hello", 0, fake.voices));
  EXPECT_TRUE(!source->IsError() && source->SampleRate() == 8000 && source->Channels() == 1);
  const int32_t block = FakeTtsEngine::kBlock;

  // The end is asked first, as a player does, which notices the final size.
  // The last block is on disk a moment before the file is finished, so the
  // end of the stream is left to the reader below, which waits for it.
  for (int32_t blocks = 1; blocks <= 3; ++blocks) {
    ASSERT_TRUE(WaitUntil([&] { return source->GetEndSample() == blocks * block; }));
    EXPECT_TRUE(blocks == 3 || source->IsStreaming());
    engine.Release();
  }
  EXPECT_EQ(Drain(*source), std::vector<int32_t>(3 * FakeTtsEngine::kBlock, 100 * 16));
  EXPECT_FALSE(source->IsStreaming());
}

TEST(TtsSoundSource, WithoutVoicesItIsASilentSourceInError) {
  FakeVoices none(EngineLanguages{});
  const auto start = Clock::now();
  LRef<LTTSSoundSource> source(new LTTSSoundSource("Hello", 3, none.voices));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(LTTSSoundSource::kReadyWaitMs));
  EXPECT_TRUE(source->IsError() && source->GetEndSample() == 0 && !source->IsStreaming());
}

// An empty text ends at once; either way the temporary file goes with the
// source, and destroyed mid-sentence the thread stops at once.
TEST(TtsSoundSource, TheTemporaryFileGoesWithTheSourceAndItsThreadStopsAtOnce) {
  FakeVoices fake(EngineLanguages{{"en-us"}});
  LRef<LTTSSoundSource> empty(new LTTSSoundSource("", 0, fake.voices));
  std::string path = empty->TempPath();
  EXPECT_TRUE(PathTitle(path).rfind("tmp", 0) == 0 && std::filesystem::exists(path)) << path;
  ASSERT_TRUE(WaitUntil([&] { return empty->GetEndSample() == 0 && !empty->IsStreaming() && !empty->IsError(); }));
  empty = LRef<LTTSSoundSource>();
  EXPECT_FALSE(std::filesystem::exists(path));

  fake.engines[0]->endless = true;
  LRef<LTTSSoundSource> source(new LTTSSoundSource("Talk forever", 0, fake.voices));
  path = source->TempPath();
  ASSERT_TRUE(WaitUntil([&] { return source->GetEndSample() > 0; }));
  const auto start = Clock::now();
  source = LRef<LTTSSoundSource>();
  // Well short of the stop time-out a thread deaf to its stop would cost.
  EXPECT_TRUE(Clock::now() - start < std::chrono::milliseconds(LThread::kStopTimeoutMs / 2) && !std::filesystem::exists(path));
}

}  // namespace
