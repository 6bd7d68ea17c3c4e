#include "audio/LSRCConvertRate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "TestSources.h"

namespace {

double Db(double ratio) { return 20 * std::log10(ratio); }

struct ToneFit {
  double levelDb;       // of the fitted tone (above the new Nyquist: of all) to the input
  double distortionDb;  // residual power relative to the tone's
};

// Converts a tone of `hz` at `from` to `to`, skips the start and fits one
// sinusoid where the tone should be: output frame n is input frame
// n * Step / Phases.
ToneFit ConvertTone(int32_t from, int32_t to, double hz, double amplitude) {
  LRef<LSRCConvertRate> converter =
      new LSRCConvertRate(new TestSource(from, 1, from * 2, Tone(amplitude, hz, from)), to);
  ReadFrames(*converter, 500);
  const std::vector<int32_t> out = ReadFrames(*converter, to * 3 / 2);  // across refills
  const double w = 2 * M_PI * hz / from * converter->Step() / converter->Phases();
  const auto n = static_cast<double>(out.size());
  double a = 0, b = 0, power = 0, residual = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    a += 2.0 * out[i] * std::cos(w * i) / n, b += 2.0 * out[i] * std::sin(w * i) / n;
    power += static_cast<double>(out[i]) * out[i];
  }
  for (size_t i = 0; i < out.size(); ++i) residual += std::pow(out[i] - a * std::cos(w * i) - b * std::sin(w * i), 2);
  const double fitted = std::hypot(a, b);
  const double level = hz < to / 2.0 ? fitted : std::sqrt(2 * power / n);
  return {Db(level / amplitude), 10 * std::log10(residual / n / (fitted * fitted / 2))};
}

TEST(LSRCConvertRate, PassesToneLevelsAndSuppressesAboveTheNewNyquistFrequency) {
  struct Case {
    int32_t from, to;
    double hz, amplitude, minDb, maxDb;
    double maxDistortionDb;  // 0: not checked
  };
  for (const Case& c : {
           Case{8000, 44100, 1000, 300000, -0.1, 0.1, -50},
           Case{44100, 8000, 1000, 300000, -0.1, 0.1, -50},
           // Each buffer is normalised to 16 bits, so a quiet tone keeps its quality.
           Case{8000, 44100, 1000, 1000, -0.1, 0.1, -50},
           Case{44100, 8000, 1000, 1000, -0.1, 0.1, -50},
           Case{44100, 8000, 6000, 500000, -200, -45, 0},
           Case{44100, 8000, 10000, 500000, -200, -45, 0},
           // From 192 kHz the band edge rule alone would give a negative cut-off.
           Case{192000, 8000, 1000, 300000, -6, 1, 0},
           Case{192000, 8000, 6000, 300000, -200, -40, 0},
           // Samples near 2^31 (a decoder gone wrong) must not overflow
           // anything: the tone comes out clipped at 2^30, not wrapped.
           Case{8000, 44100, 1000, 2.1e9, -6, Db(1.3 * (1 << 30) / 2.1e9), 0},
           Case{44100, 8000, 1000, 2.1e9, -6, Db(1.3 * (1 << 30) / 2.1e9), 0},
       }) {
    const ToneFit fit = ConvertTone(c.from, c.to, c.hz, c.amplitude);
    EXPECT_TRUE(fit.levelDb > c.minDb && fit.levelDb < c.maxDb &&
                (c.maxDistortionDb == 0 || fit.distortionDb < c.maxDistortionDb))
        << c.from << "->" << c.to << " " << c.hz << " Hz at " << c.amplitude << ": " << fit.levelDb << " dB, "
        << fit.distortionDb;
  }
}

TEST(LSRCConvertRate, ImpulseComesOutAtTheMatchingFrameAndChannelsStayApart) {
  auto impulse = [](int32_t frame, int) { return frame == 100 ? kFullScale16 : 0; };
  LSRCConvertRate converter(new TestSource(8000, 1, 1000, impulse), 16000);
  const std::vector<int32_t> out = ReadFrames(converter, 400);
  const auto peak = std::max_element(out.begin(), out.end());
  // At the centre tap.
  EXPECT_TRUE(peak - out.begin() == 200 && std::abs(*peak - kFullScale16 * 63872.0 / 65536) <= 64) << *peak;

  auto leftOnly = [tone = Tone(300000, 1000, 8000)](int32_t f, int c) { return c ? 0 : tone(f, 0); };
  LSRCConvertRate stereo(new TestSource(8000, 2, 16000, leftOnly), 44100);
  LSRCConvertRate mono(new TestSource(8000, 1, 16000, Tone(300000, 1000, 8000)), 44100);
  const std::vector<int32_t> both = ReadFrames(stereo, 20000), left = ReadFrames(mono, 20000);
  for (size_t i = 0; i < left.size(); ++i) ASSERT_TRUE(both[2 * i] == left[i] && both[2 * i + 1] == 0) << i;
}

// Position and end map through the ratio (within Phases / Step), and a seek
// gives the same frames as reading there.
TEST(LSRCConvertRate, MapsPositionAndEndThroughTheRatioAndSeeks) {
  auto converter = [](LSoundSourceRef source) { return LRef<LSRCConvertRate>(new LSRCConvertRate(source, 44100)); };
  LRef<TestSource> source = new TestSource(8000, 1, 8000, Tone(300000, 1000, 8000));
  LRef<LSRCConvertRate> mapped = converter(source);
  EXPECT_EQ(mapped->GetEndSample(), 44000);  // 8000 * 11 / 2
  for (int32_t read = 0; mapped->GetPosition() < mapped->GetEndSample();) {
    EXPECT_EQ(mapped->GetPosition(), read);
    ReadFrames(*mapped, 8192);
    read += 8192;
  }
  EXPECT_EQ(mapped->GetPosition(), 6 * 8192);
  source->streaming = true;
  EXPECT_EQ(mapped->GetEndSample(), 44000 - (8320 * 11 / 2 + 32)) << "input held ahead";

  for (int32_t target : {5000, 12345, -100}) {
    LRef<LSRCConvertRate> reference = converter(new TestSource(8000, 1, 16000, Tone(300000, 1000, 8000)));
    const int32_t skip = std::max(target, 0);
    ReadFrames(*reference, skip);
    LRef<LSRCConvertRate> seeking = converter(new TestSource(8000, 1, 16000, Tone(300000, 1000, 8000)));
    ReadFrames(*seeking, 700);
    seeking->Seek(target);
    EXPECT_EQ(seeking->GetPosition(), target);
    std::vector<int32_t> got = ReadFrames(*seeking, 3000 + skip - target);
    got.erase(got.begin(), got.begin() + (skip - target));
    EXPECT_EQ(got, ReadFrames(*reference, 3000)) << target;
  }
}

// The position is exactly the frames read, in reads of any size and at any
// ratio: a sequence seeks a part whose position is not where it expects, and a
// position a frame or two behind made it seek (and skip) at every read.
TEST(LSRCConvertRate, PositionCountsTheFramesGivenOut) {
  for (auto [from, to] : {std::pair{22050, 8000}, std::pair{44100, 8000}, std::pair{16000, 8000},
                          std::pair{11025, 8000}, std::pair{8000, 44100}}) {
    LSRCConvertRate converter(new TestSource(from, 1, from * 4), to);
    int32_t read = 0;
    for (int32_t chunk : {160, 1, 999, 160, 8191, 3, 160, 20000}) {
      ReadFrames(converter, chunk);
      read += chunk;
      ASSERT_EQ(converter.GetPosition(), read) << from << " -> " << to << " after " << chunk;
    }
  }
}

// Where a ratio fits 255 phases exactly, a file converts to exactly its
// length at the new rate (2 s of 44.1 kHz is 16000 frames at 8 kHz, not 15998).
TEST(LSRCConvertRate, ConvertsToTheExactLengthWhereTheRatioAllows) {
  for (auto [from, to] : {std::pair{44100, 8000}, std::pair{22050, 8000}, std::pair{48000, 8000},
                          std::pair{16000, 8000}, std::pair{11025, 22050}}) {
    LSRCConvertRate converter(new TestSource(from, 1, from * 2), to);
    EXPECT_EQ(converter.GetEndSample(), to * 2) << from << " -> " << to;
  }
}

// Rate 0, or 8000 -> 4 MHz where no phase table can follow: silence with the
// error flag, in step with the upstream.
TEST(LSRCConvertRate, RefusesWhatItCannotConvert) {
  LSRCConvertRate far(new TestSource(8000, 1, 100), 4000000);
  EXPECT_TRUE(LSRCConvertRate(new TestSource(8000, 1, 100), 0).IsError() && far.IsError() &&
              PeakOf(ReadFrames(far, 1000)) == 0 && far.GetPosition() > 900);
}

}  // namespace
