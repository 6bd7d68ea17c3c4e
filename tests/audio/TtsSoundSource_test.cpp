#include <gtest/gtest.h>
#include <sys/stat.h>

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

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// Reads the source the way a player does: what is there, waiting while it
// still grows, until it has ended.
std::vector<int32_t> Drain(LSoundSourceBase& source) {
  std::vector<int32_t> samples;
  for (;;) {
    const int32_t available = source.GetEndSample() - source.GetPosition();
    if (available > 0) {
      const std::size_t at = samples.size();
      samples.resize(at + static_cast<std::size_t>(available));
      source.Read(samples.data() + at, available);
    } else if (source.IsStreaming()) {
      source.Wait(5);
    } else {
      return samples;
    }
  }
}

TEST(TtsSoundSource, AReaderSeesTheFileGrowAndThenEnd) {
  FakeVoices fake(EngineLanguages{{"en-us"}}, 3);
  FakeTtsEngine& engine = *fake.engines[0];
  engine.gated = true;
  LRef<LTTSSoundSource> source(new LTTSSoundSource("Hello", 0, fake.voices));
  EXPECT_FALSE(source->IsError());
  EXPECT_EQ(source->SampleRate(), 8000);
  EXPECT_EQ(source->Channels(), 1);
  const auto block = static_cast<int32_t>(FakeTtsEngine::kBlock);

  ASSERT_TRUE(WaitUntil([&] { return source->GetEndSample() == block; }));
  EXPECT_TRUE(source->IsStreaming());
  std::vector<int32_t> first(FakeTtsEngine::kBlock);
  source->Read(first.data(), block);
  EXPECT_EQ(first.back(), 100 * 16);

  engine.Release();
  ASSERT_TRUE(WaitUntil([&] { return source->GetEndSample() == 2 * block; }));
  EXPECT_TRUE(source->IsStreaming());
  engine.Release();
  // As a player does: the end is asked first, which notices the final size.
  ASSERT_TRUE(WaitUntil([&] { return source->GetEndSample() == 3 * block; }));
  EXPECT_FALSE(source->IsStreaming());
  const std::vector<int32_t> rest = Drain(*source);
  EXPECT_EQ(rest, std::vector<int32_t>(2 * FakeTtsEngine::kBlock, 100 * 16));
}

TEST(TtsSoundSource, WithoutVoicesItIsASilentSourceInError) {
  FakeVoices none(EngineLanguages{});
  const auto start = Clock::now();
  LRef<LTTSSoundSource> source(new LTTSSoundSource("Hello", 3, none.voices));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(LTTSSoundSource::kReadyWaitMs));
  EXPECT_TRUE(source->IsError());
  EXPECT_EQ(source->GetEndSample(), 0);
  EXPECT_FALSE(source->IsStreaming());
}

// An empty text ends at once; either way the temporary file goes with the
// source, and destroyed mid-sentence the thread stops at once.
TEST(TtsSoundSource, TheTemporaryFileGoesWithTheSourceAndItsThreadStopsAtOnce) {
  FakeVoices fake(EngineLanguages{{"en-us"}});
  LRef<LTTSSoundSource> empty(new LTTSSoundSource("", 0, fake.voices));
  std::string path = empty->TempPath();
  EXPECT_EQ(PathTitle(path).rfind("tmp", 0), 0u) << path;
  EXPECT_TRUE(FileExists(path));
  ASSERT_TRUE(WaitUntil([&] { return empty->GetEndSample() == 0 && !empty->IsStreaming(); }));
  EXPECT_FALSE(empty->IsError());
  empty = LRef<LTTSSoundSource>();
  EXPECT_FALSE(FileExists(path));

  fake.engines[0]->endless = true;
  LRef<LTTSSoundSource> source(new LTTSSoundSource("Talk forever", 0, fake.voices));
  path = source->TempPath();
  ASSERT_TRUE(WaitUntil([&] { return source->GetEndSample() > 0; }));
  const auto start = Clock::now();
  source = LRef<LTTSSoundSource>();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(FileExists(path));

  // The real engines stop between pieces of a long text.
  std::string longText;
  while (longText.size() < 6000) longText += "This sentence is spoken again and again. ";
  LRef<LTTSSoundSource> real(new LTTSSoundSource(longText, 0));
  ASSERT_TRUE(real->IsStreaming());
  const auto realStart = Clock::now();
  real = LRef<LTTSSoundSource>();
  EXPECT_LT(Clock::now() - realStart, std::chrono::seconds(2));
}

// Frames of 10 ms louder than a tenth of the loudest one form words; gaps of
// less than 50 ms and blips of less than 60 ms do not count.
int CountWords(const std::vector<int32_t>& samples, int32_t rate) {
  const std::size_t frame = static_cast<std::size_t>(rate / 100);
  std::vector<double> energy;
  for (std::size_t at = 0; at + frame <= samples.size(); at += frame) {
    double sum = 0;
    for (std::size_t i = at; i < at + frame; ++i) sum += double(samples[i]) * samples[i];
    energy.push_back(std::sqrt(sum / frame));
  }
  double loudest = 0;
  for (double e : energy) loudest = std::max(loudest, e);
  int words = 0;
  int run = 0;
  int gap = 100;
  for (double e : energy) {
    if (e > loudest / 10) {
      if (gap >= 5 && run >= 6) ++words;
      if (gap >= 5) run = 0;
      ++run;
      gap = 0;
    } else {
      ++gap;
    }
  }
  return words + (run >= 6 ? 1 : 0);
}

TEST(TtsSoundSource, DigitsAreSpokenAsThreeWords) {
  const TtsVoices& voices = TtsVoices::Installed();
  LRef<LTTSSoundSource> source(new LTTSSoundSource("1 2 3", voices.BestEnglish()));
  ASSERT_FALSE(source->IsError());
  const std::vector<int32_t> samples = Drain(*source);
  const double seconds = double(samples.size()) / source->SampleRate();
  EXPECT_GT(seconds, 0.6);
  EXPECT_LT(seconds, 4.0);
  EXPECT_EQ(CountWords(samples, source->SampleRate()), 3);
  EXPECT_EQ(CountWords(std::vector<int32_t>(samples.size(), 0), source->SampleRate()), 0);
}

}  // namespace
