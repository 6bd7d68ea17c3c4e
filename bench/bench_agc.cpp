// Levelling a 60 s 8 kHz file in place, against what a user would reach for
// instead: sox normalising to -3 dB and sox's compander, each run as a whole
// command on the same file in the same run. Prints times real time for each
// and ours/reference.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "BenchReporter.h"
#include "audio/AutoGainControl.h"
#include "audio/LProgressSilent.h"
#include "audio/LWaveFile.h"

namespace {

constexpr int kSeconds = 60;
constexpr int kRate = 8000;

// Syllables of two tones whose loudness wanders by 20 dB over the minute.
bool WriteSpeech(const std::string& path) {
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path, kRate, 0, 16, 1);
  std::vector<int32_t> samples(kSeconds * kRate);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double syllable = std::fmod(t, 0.3) < 0.2 ? std::sin(std::numbers::pi * std::fmod(t, 0.3) / 0.2) : 0;
    const double level = std::pow(10, (-30 + 10 * std::sin(t / 9)) / 20) * kFullScale16;
    samples[i] = static_cast<int32_t>(level * syllable *
                                      (0.6 * std::sin(2 * std::numbers::pi * 310 * t) +
                                       0.4 * std::sin(2 * std::numbers::pi * 1130 * t)));
  }
  sink->Write(samples.data(), static_cast<int32_t>(samples.size()));
  return !sink->IsError();
}

void SetRealTime(benchmark::State& state) {
  state.counters["x_real_time"] =
      benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

void Ours(benchmark::State& state, std::string in, std::string work) {
  LProgressSilent progress;
  for (auto _ : state) {
    std::filesystem::copy_file(in, work, std::filesystem::copy_options::overwrite_existing);
    if (AutoGainControl::Process(work, progress, nullptr) != AutoGainControl::kDone) {
      state.SkipWithError("levelling failed");
    }
  }
  SetRealTime(state);
}

void Sox(benchmark::State& state, std::string command) {
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("sox failed");
  }
  SetRealTime(state);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = MakeBenchFolder();
  const std::string in = folder + "/speech.wav";
  if (folder.empty() || !WriteSpeech(in)) return 1;
  const std::string out = folder + "/out.wav";
  benchmark::RegisterBenchmark("Ours", Ours, in, out)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("SoxNorm", Sox, "sox '" + in + "' '" + out + "' norm -3")
      ->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark(
      "SoxCompand", Sox,
      "sox '" + in + "' '" + out + "' compand 0.02,0.2 -60,-60,-30,-15,-20,-12,-4,-8,-2,-7 -6")
      ->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::Initialize(&argc, argv);
  BenchReporter reporter(BenchReporter::Clock::kReal);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("Levelling 60 s", "Ours", "SoxNorm", "sox norm");
  reporter.PrintRatio("Levelling 60 s", "Ours", "SoxCompand", "compand");
  benchmark::Shutdown();
  std::filesystem::remove_all(folder);
  return 0;
}
