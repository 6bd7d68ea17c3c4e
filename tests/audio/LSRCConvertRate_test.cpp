#include "audio/LSRCConvertRate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <vector>

#include "audio/LSPConvertRate.h"
#include "audio/LSRCNull.h"

namespace {

// A tone per channel (frequency 0 is silence), or one impulse, for `length`
// frames; zeros outside 0..length.
class TestSource : public LSoundSourceBase {
 public:
  TestSource(int32_t rate, int32_t length, std::vector<double> hz, double amplitude = 300000)
      : LSoundSourceBase(rate, static_cast<int>(hz.size()), kFullScale16),
        length_(length), hz_(std::move(hz)), amplitude_(amplitude) {}

  void Read(int32_t* buffer, int32_t frames) override {
    const size_t channels = hz_.size();
    for (int32_t f = 0; f < frames; ++f, ++position_) {
      for (size_t c = 0; c < channels; ++c) buffer[f * channels + c] = Sample(position_, c);
    }
  }
  int32_t GetPosition() override { return position_; }
  int32_t GetEndSample() override { return length_; }
  void Seek(int32_t frame) override { position_ = frame; }
  bool IsStreaming() override { return streaming_; }

  void SetImpulse(int32_t frame) { impulse_ = frame; }
  void SetStreaming(bool streaming) { streaming_ = streaming; }
  void RaiseMaxLevel(uint32_t level) { SetMaxLevel(level); }

 private:
  int32_t Sample(int32_t frame, size_t channel) const {
    if (frame < 0 || frame >= length_) return 0;
    if (impulse_ >= 0) return frame == impulse_ ? kFullScale16 : 0;
    const double phase = 2 * std::numbers::pi * hz_[channel] * frame / SampleRate();
    return static_cast<int32_t>(std::lround(amplitude_ * std::sin(phase)));
  }

  int32_t length_;
  std::vector<double> hz_;
  double amplitude_;
  int32_t position_ = 0;
  int32_t impulse_ = -1;
  bool streaming_ = false;
};

std::vector<int32_t> ReadFrames(LSoundSourceBase& source, int32_t frames) {
  std::vector<int32_t> out(static_cast<size_t>(frames) * source.Channels());
  source.Read(out.data(), frames);
  return out;
}

// Least-squares fit of one sinusoid of `cycles` per sample to one channel.
struct ToneFit {
  double amplitude;
  double distortionDb;  // residual power relative to the tone's
};

ToneFit FitTone(const std::vector<int32_t>& samples, int channels, int channel, double cycles) {
  double sumCos = 0, sumSin = 0;
  const size_t n = samples.size() / channels;
  for (size_t i = 0; i < n; ++i) {
    const double w = 2 * std::numbers::pi * cycles * static_cast<double>(i);
    sumCos += samples[i * channels + channel] * std::cos(w);
    sumSin += samples[i * channels + channel] * std::sin(w);
  }
  const double a = 2 * sumCos / n, b = 2 * sumSin / n;
  double residual = 0;
  for (size_t i = 0; i < n; ++i) {
    const double w = 2 * std::numbers::pi * cycles * static_cast<double>(i);
    const double e = samples[i * channels + channel] - a * std::cos(w) - b * std::sin(w);
    residual += e * e;
  }
  const double amplitude = std::hypot(a, b);
  return {amplitude, 10 * std::log10(residual / n / (amplitude * amplitude / 2))};
}

double Db(double ratio) { return 20 * std::log10(ratio); }

// Converts `hz` at `from` to `to`, skips the start and fits the tone where it
// should be: output frame n is input frame n * Step / Phases.
ToneFit ConvertTone(int32_t from, int32_t to, double hz, double amplitude) {
  LSoundSourceRef source = new TestSource(from, from * 2, {hz}, amplitude);
  LRef<LSRCConvertRate> converter = new LSRCConvertRate(source, to);
  ReadFrames(*converter, 500);
  const std::vector<int32_t> out = ReadFrames(*converter, to * 3 / 2);  // across refills
  const double cycles = hz / from * converter->Step() / converter->Phases();
  return FitTone(out, 1, 0, cycles);
}

TEST(LSRCConvertRate, ChoosesPhasesAndBuildsUnityGainRows) {
  struct Case {
    int32_t from, to, phases, step;
  };
  for (const Case& c : {Case{8000, 44100, 11, 2}, Case{44100, 8000, 39, 215}, Case{8000, 16000, 2, 1},
                        Case{11025, 8000, 37, 51}}) {
    LRef<LSRCConvertRate> converter = new LSRCConvertRate(new TestSource(c.from, 0, {0}), c.to);
    EXPECT_EQ(converter->Phases(), c.phases) << c.from << "->" << c.to;
    EXPECT_EQ(converter->Step(), c.step) << c.from << "->" << c.to;
    for (int32_t p = 0; p < converter->Phases(); ++p) {
      const int32_t* row = converter->Coefficients(p);
      const int64_t sum = std::accumulate(row, row + LSRCConvertRate::kTaps, int64_t{0});
      EXPECT_NEAR(sum, 65536, 400) << c.from << "->" << c.to << " phase " << p;
    }
  }
  LRef<LSRCConvertRate> up = new LSRCConvertRate(new TestSource(8000, 0, {0}), 44100);
  EXPECT_EQ(up->Coefficients(0)[LSRCConvertRate::kHalf], 63872);  // trunc((1 - 1.6 / 63) * 65536 + 0.5)
  for (int k = 0; k < LSRCConvertRate::kTaps; ++k) {
    EXPECT_EQ(up->Coefficients(0)[k], up->Coefficients(0)[LSRCConvertRate::kTaps - 1 - k]);
  }
}

TEST(LSRCConvertRate, PassesAToneAtItsLevelBothWays) {
  for (auto [from, to] : {std::pair{8000, 44100}, std::pair{44100, 8000}}) {
    for (double amplitude : {300000.0, 1000.0}) {
      const ToneFit fit = ConvertTone(from, to, 1000, amplitude);
      EXPECT_NEAR(Db(fit.amplitude / amplitude), 0, 0.1) << from << "->" << to << " at " << amplitude;
      // Each buffer is normalised to 16 bits, so a quiet tone keeps its quality.
      EXPECT_LT(fit.distortionDb, -50) << from << "->" << to << " at " << amplitude;
    }
  }
}

TEST(LSRCConvertRate, SuppressesAToneAboveTheNewNyquistFrequency) {
  for (double hz : {6000.0, 10000.0}) {
    LSoundSourceRef source = new TestSource(44100, 44100, {hz}, 500000);
    LRef<LSRCConvertRate> converter = new LSRCConvertRate(source, 8000);
    ReadFrames(*converter, 500);
    const std::vector<int32_t> out = ReadFrames(*converter, 4000);
    double power = 0;
    for (int32_t x : out) power += static_cast<double>(x) * x;
    const double rms = std::sqrt(power / out.size());
    EXPECT_LT(Db(rms / (500000 / std::sqrt(2.0))), -45) << hz << " Hz";
  }
}

TEST(LSRCConvertRate, StaysALowPassForLargeDownSamplingRatios) {
  // From 192 kHz the band edge rule alone would give a negative cut-off.
  EXPECT_GT(Db(ConvertTone(192000, 8000, 1000, 300000).amplitude / 300000), -6);
  EXPECT_LT(Db(ConvertTone(192000, 8000, 6000, 300000).amplitude / 300000), -40);
}

TEST(LSRCConvertRate, ImpulseAtInputFrameComesOutAtTheMatchingOutputFrame) {
  LRef<TestSource> source = new TestSource(8000, 1000, {0});
  source->SetImpulse(100);
  LRef<LSRCConvertRate> converter = new LSRCConvertRate(source, 16000);
  const std::vector<int32_t> out = ReadFrames(*converter, 400);
  const auto peak = std::max_element(out.begin(), out.end());
  EXPECT_EQ(peak - out.begin(), 200);
  EXPECT_NEAR(*peak, kFullScale16 * 63872.0 / 65536, 64);
}

TEST(LSRCConvertRate, MapsPositionAndEndThroughTheRatio) {
  LRef<TestSource> source = new TestSource(8000, 8000, {1000});
  LRef<LSRCConvertRate> converter = new LSRCConvertRate(source, 44100);
  EXPECT_EQ(converter->GetPosition(), 0);
  EXPECT_EQ(converter->GetEndSample(), 44000);  // 8000 * 11 / 2
  int32_t read = 0;
  while (converter->GetPosition() < converter->GetEndSample()) {
    ReadFrames(*converter, 8192);
    read += 8192;
    EXPECT_LE(std::abs(converter->GetPosition() - read), 6);  // within Phases / Step
  }
  EXPECT_EQ(read, 6 * 8192);
  source->SetStreaming(true);
  EXPECT_EQ(converter->GetEndSample(), 44000 - (8320 * 11 / 2 + 32));

  LRef<LSRCConvertRate> down = new LSRCConvertRate(new TestSource(44100, 44100, {1000}), 8000);
  EXPECT_EQ(down->GetEndSample(), 44100 * 39 / 215);
}

TEST(LSRCConvertRate, SeekGivesTheSameFramesAsReadingThere) {
  for (int32_t target : {5000, 12345, -100}) {
    LRef<LSRCConvertRate> reference = new LSRCConvertRate(new TestSource(8000, 16000, {1000}), 44100);
    const int32_t skip = std::max(target, 0);
    ReadFrames(*reference, skip);
    const std::vector<int32_t> expected = ReadFrames(*reference, 3000);

    LRef<LSRCConvertRate> seeking = new LSRCConvertRate(new TestSource(8000, 16000, {1000}), 44100);
    ReadFrames(*seeking, 700);
    seeking->Seek(target);
    EXPECT_LE(std::abs(seeking->GetPosition() - target), 6) << target;
    std::vector<int32_t> got = ReadFrames(*seeking, 3000 + skip - target);
    got.erase(got.begin(), got.begin() + (skip - target));
    EXPECT_EQ(got, expected) << target;
  }
}

TEST(LSRCConvertRate, KeepsStereoChannelsApart) {
  LSoundSourceRef stereo = new TestSource(8000, 16000, {1000, 0});
  LSoundSourceRef mono = new TestSource(8000, 16000, {1000});
  LRef<LSRCConvertRate> stereoOut = new LSRCConvertRate(stereo, 44100);
  LRef<LSRCConvertRate> monoOut = new LSRCConvertRate(mono, 44100);
  const std::vector<int32_t> both = ReadFrames(*stereoOut, 20000);
  const std::vector<int32_t> left = ReadFrames(*monoOut, 20000);
  for (size_t i = 0; i < left.size(); ++i) {
    ASSERT_EQ(both[2 * i], left[i]) << i;
    ASSERT_EQ(both[2 * i + 1], 0) << i;
  }
}

TEST(LSRCConvertRate, MoreThanTwoChannelsLeaveTheBufferAlone) {
  LRef<LSRCConvertRate> converter = new LSRCConvertRate(new TestSource(8000, 100, {1000, 1000, 1000}), 16000);
  std::vector<int32_t> buffer(30, 7);
  converter->Read(buffer.data(), 10);
  EXPECT_EQ(buffer, std::vector<int32_t>(30, 7));
}

TEST(LSRCConvertRate, RejectsRatesItCannotConvert) {
  LRef<LSRCConvertRate> zero = new LSRCConvertRate(new TestSource(8000, 100, {1000}), 0);
  EXPECT_TRUE(zero->IsError());
  EXPECT_EQ(zero->SampleRate(), 44100);

  // 8000 -> 4 MHz: no phase table can follow, so silence with the error flag.
  LRef<LSRCConvertRate> far = new LSRCConvertRate(new TestSource(8000, 100, {1000}), 4000000);
  EXPECT_TRUE(far->IsError());
  const std::vector<int32_t> out = ReadFrames(*far, 1000);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int32_t x) { return x == 0; }));
  EXPECT_GT(far->GetPosition(), 900);
}

TEST(LSRCConvertRate, SurvivesSamplesFarBeyondAnyChainsRange) {
  // Samples near 2^31 (a decoder gone wrong) must not overflow anything: the
  // tone comes out clipped at 2^30, not wrapped into noise.
  for (auto [from, to] : {std::pair{8000, 44100}, std::pair{44100, 8000}}) {
    const ToneFit fit = ConvertTone(from, to, 1000, 2.1e9);
    EXPECT_GT(Db(fit.amplitude / 2.1e9), -6) << from << "->" << to;
    EXPECT_LT(fit.amplitude, 1.3 * (1 << 30)) << from << "->" << to;
  }
}

TEST(LSPConvertRate, ConvertsOnlyAHealthySourceAtAnotherRate) {
  LSoundSourceRef source = new TestSource(8000, 100, {1000});
  EXPECT_EQ(LSPConvertRate(8000).OpenSource(source).Get(), source.Get());
  LSoundSourceRef failed = new LSRCNull;
  EXPECT_EQ(LSPConvertRate(8000).OpenSource(failed).Get(), failed.Get());

  LSoundSourceRef converted = LSPConvertRate(44100).OpenSource(source);
  ASSERT_NE(converted.Get(), source.Get());
  EXPECT_EQ(converted->SampleRate(), 44100);
  EXPECT_EQ(converted->Channels(), 1);
  EXPECT_FALSE(converted->IsError());
  EXPECT_EQ(converted->MaxLevel(), 2u * kFullScale16);  // the filter's ringing may overshoot

  LRef<TestSource> loud = new TestSource(8000, 100, {1000});
  loud->RaiseMaxLevel(1048577);
  EXPECT_EQ(LSPConvertRate(16000).OpenSource(loud)->MaxLevel(), 1048577u);
}

}  // namespace
