// The DTMF detector's throughput on 10 s of call audio (keys between noise
// and tone bursts), in times real time, against a naive reference: for each
// 205-sample block, a DFT at the eight key frequencies with a sine and a
// cosine computed per sample. Prints ours/reference at the end.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "BenchReporter.h"
#include "telephony/dsp/DtmfKeypad.h"
#include "telephony/dsp/LDtmfDetector.h"

namespace {

constexpr int kSeconds = 10;
constexpr size_t kBlock = 160;  // 20 ms, as packets deliver it

// Keys of 80 ms with 80 ms gaps over low noise and a wandering tone.
std::vector<int16_t> CallAudio() {
  std::vector<int16_t> samples(kSeconds * 8000);
  std::mt19937 random(5);
  std::normal_distribution<double> noise(0, 300);
  const char keys[] = "0123456789*#ABCD";
  for (size_t n = 0; n < samples.size(); ++n) {
    double x = noise(random) + 2000 * std::sin(2 * std::numbers::pi * (300 + n % 8000 / 40.0) * n / 8000);
    const size_t slot = n / 1280;
    if (n % 1280 < 640) {
      int row = 0;
      int column = 0;
      DtmfPosition(keys[slot % 16], row, column);
      x += 6000 * std::sin(2 * std::numbers::pi * kDtmfRowHz[row] * n / 8000) +
           6000 * std::sin(2 * std::numbers::pi * kDtmfColumnHz[column] * n / 8000);
    }
    samples[n] = static_cast<int16_t>(std::lround(x));
  }
  return samples;
}

void Ours(benchmark::State& state) {
  const std::vector<int16_t> audio = CallAudio();
  size_t keys = 0;
  for (auto _ : state) {
    LDtmfDetector detector;
    for (size_t at = 0; at < audio.size(); at += kBlock) {
      keys += detector.Feed(std::span<const int16_t>(audio).subspan(at, kBlock)).size();
    }
  }
  if (keys / state.iterations() != (kSeconds * 8000 + 1279) / 1280) return state.SkipWithError("keys were missed");
  state.counters["x_real_time"] = benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

// Power at the eight key frequencies for each 205-sample block.
void NaiveDft(benchmark::State& state) {
  const std::vector<int16_t> audio = CallAudio();
  constexpr size_t kDftBlock = 205;
  std::vector<double> hz(kDtmfRowHz.begin(), kDtmfRowHz.end());
  hz.insert(hz.end(), kDtmfColumnHz.begin(), kDtmfColumnHz.end());
  for (auto _ : state) {
    double total = 0;
    for (size_t at = 0; at + kDftBlock <= audio.size(); at += kDftBlock) {
      for (double f : hz) {
        double re = 0;
        double im = 0;
        for (size_t n = 0; n < kDftBlock; ++n) {
          const double phase = 2 * std::numbers::pi * f * static_cast<double>(n) / 8000;
          re += audio[at + n] * std::cos(phase);
          im -= audio[at + n] * std::sin(phase);
        }
        total += re * re + im * im;
      }
    }
    benchmark::DoNotOptimize(total);
  }
  state.counters["x_real_time_naive"] = benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("Ours", Ours)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("NaiveDft", NaiveDft)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  BenchReporter reporter(BenchReporter::Clock::kCpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("DTMF detection 10 s", "Ours", "NaiveDft", "naive");
  if (const double ours = reporter.Counter("x_real_time"); ours > 0) {
    std::printf("detector: %.0f times real time; naive DFT: %.0f times real time\n", ours,
                reporter.Counter("x_real_time_naive"));
  }
  benchmark::Shutdown();
  return 0;
}
