#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "audio/TestSources.h"
#include "telephony/dsp/LSinkEndOfCallTone.h"

namespace {

int32_t Tone(int i, double amplitude) { return static_cast<int32_t>(amplitude * std::sin(i * 0.334)); }

TEST(EndOfCallTone, NetworkTonesAreRecognisedAndSilenceQuietTonesOrSpeechAreNot) {
  std::mt19937 random(7);
  std::vector<int32_t> envelope;  // a level per 25 ms block: words and pauses of odd lengths
  while (envelope.size() < 30 * 40) {
    const int32_t level = static_cast<int32_t>(random() % 200000);
    envelope.insert(envelope.end(), 2 + random() % 18, random() % 3 ? level : 0);
  }
  const std::pair<const char *, std::function<int32_t(int)>> rows[] = {
      {"+steady", [](int i) { return Tone(i, 100000); }},
      {"+busy: 0.5 s on and off", [](int i) { return (i / 4000) % 2 ? 0 : Tone(i, 80000); }},
      {"+reorder: 0.25 s on and off", [](int i) { return (i / 2000) % 2 ? 0 : Tone(i, 80000); }},
      {"-silence", [](int) { return 0; }},
      {"-below about -30 dB", [](int i) { return Tone(i, 16000); }},
      {"-speech-like bursts", [&](int i) { return Tone(i, envelope[static_cast<std::size_t>(i / 200)]); }}};
  for (const auto &[what, at] : rows) {
    std::atomic<uint8_t> flags{0};
    LRef<LSinkEndOfCallTone> sink = new LSinkEndOfCallTone(nullptr, flags);
    std::vector<int32_t> block(800);
    for (int n = 0; n < 300 && !(flags & LSinkEndOfCallTone::kDetected); ++n) {
      for (int i = 0; i < 800; ++i) block[static_cast<std::size_t>(i)] = at(n * 800 + i);
      sink->Write(block.data(), 800);
    }
    EXPECT_EQ((flags & LSinkEndOfCallTone::kDetected) != 0, what[0] == '+') << what;
  }
}

TEST(EndOfCallTone, EverythingReachesTheInnerSinkAtItsFormat) {
  std::atomic<uint8_t> flags{0};
  LRef<CollectSink> inner = new CollectSink(16000, 1);
  LRef<LSinkEndOfCallTone> sink = new LSinkEndOfCallTone(inner, flags);
  EXPECT_EQ(sink->SampleRate(), 16000u);
  std::vector<int32_t> block(1600, INT32_MIN);  // odd samples do no harm
  sink->Write(block.data(), 1600);
  sink->Truncate(1000);
  EXPECT_EQ(std::tuple(inner->Position(), sink->Position()), std::tuple(1000, 1000));
}

}  // namespace
