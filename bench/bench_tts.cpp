// Speech synthesis: each engine (Flite with the prompt voice, eSpeak NG with
// US English) speaks the same 200-word text into a WAVE file, in times real
// time; and the delay from creating a speaking source to the first second of
// audio a player could take from it. Prints each engine against the other
// and against real time (a ratio below 1 means faster than the audio plays).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

#include "BenchReporter.h"
#include "audio/LProgressSilent.h"
#include "audio/LTTS.h"
#include "audio/LTTSSoundSource.h"
#include "audio/LWaveFile.h"

namespace {

// 200 words of ordinary prose with numbers, as an owner might type a greeting.
std::string TwoHundredWords() {
  const std::string sentences[] = {
      "Thank you for calling the office of the community garden association.",
      "Our volunteers are out tending the beds between nine in the morning and four in the "
      "afternoon, so nobody can answer the telephone right now.",
      "If you would like to rent a plot for the coming season, please leave your name, your "
      "telephone number and the size of the plot you have in mind.",
      "Plots of ten square metres cost 25 dollars a year, and larger plots of twenty square "
      "metres cost 45 dollars.",
      "Tools, water and compost are shared by all members and are kept in the green shed "
      "beside the main gate.",
      "Our next open day is on the first Saturday of the month, when you are welcome to walk "
      "around, meet the gardeners and taste what they have grown.",
      "Children are always welcome, and there is a small plot set aside for the local school.",
      "Please speak slowly and clearly after the tone, and we will call you back within two "
      "days.",
  };
  std::string text;
  int words = 0;
  for (int round = 0; words < 200; ++round) {
    std::istringstream in(sentences[round % std::size(sentences)]);
    for (std::string word; words < 200 && in >> word; ++words) text += word + " ";
  }
  return text;
}

int EspeakUsEnglish() {
  const TtsVoices& voices = TtsVoices::Installed();
  for (int i = 0; i < voices.Count(); ++i) {
    if (voices.Name(i) == "eSpeak NG English (America) (en-us)") return i;
  }
  return -1;
}

void Render(benchmark::State& state, int voice, const std::string& path,
            const std::string& counter) {
  if (voice < 0) {
    state.SkipWithError("voice not installed");
    return;
  }
  const std::string text = TwoHundredWords();
  double audioSeconds = 0;
  double spentSeconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    LTTS job{text, path, voice, nullptr};
    LProgressSilent progress;
    if (Process(job, progress) != kProcessDone) state.SkipWithError("synthesis failed");
    spentSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    LSoundSourceRef wave = LWaveFile::OpenSource(path);
    audioSeconds += static_cast<double>(wave->GetEndSample()) / wave->SampleRate();
  }
  state.counters[counter] = audioSeconds / spentSeconds;
}

void FirstSecond(benchmark::State& state, int voice, const std::string& counter) {
  if (voice < 0) {
    state.SkipWithError("voice not installed");
    return;
  }
  const std::string text = TwoHundredWords();
  double totalMs = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    LRef<LTTSSoundSource> source(new LTTSSoundSource(text, voice));
    while (source->GetEndSample() < source->SampleRate() && source->IsStreaming()) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    totalMs +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    source = LRef<LTTSSoundSource>();  // stopping the rest is not part of the delay
    state.ResumeTiming();
  }
  state.counters[counter] = totalMs / static_cast<double>(state.iterations());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = MakeBenchFolder();
  if (folder.empty()) return 1;
  const int flite = TtsVoices::Installed().BestEnglish();
  const int espeak = EspeakUsEnglish();
  benchmark::RegisterBenchmark("Flite 200 words", Render, flite, folder + "/flite.wav",
                               "flite_x_real_time")
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("eSpeak 200 words", Render, espeak, folder + "/espeak.wav",
                               "espeak_x_real_time")
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("Flite first second", FirstSecond, flite, "flite_first_ms")
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("eSpeak first second", FirstSecond, espeak, "espeak_first_ms")
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  benchmark::Initialize(&argc, argv);
  BenchReporter reporter(BenchReporter::Clock::kReal);
  benchmark::RunSpecifiedBenchmarks(&reporter);

  reporter.PrintRatio("200 words", "Flite 200 words", "eSpeak 200 words", "eSpeak");
  reporter.PrintRatio("first second", "Flite first second", "eSpeak first second", "eSpeak");
  for (const char* engine : {"flite", "espeak"}) {
    const std::string name = engine;
    if (const double speed = reporter.Counter(name + "_x_real_time"); speed > 0) {
      std::printf("%-7s 200 words: %6.1f times real time (ratio to real time %.4f)\n", engine,
                  speed, 1 / speed);
    }
    if (const double ms = reporter.Counter(name + "_first_ms"); ms > 0) {
      std::printf("%-7s first second of audio after %6.1f ms (ratio to real time %.4f)\n", engine,
                  ms, ms / 1000);
    }
  }
  benchmark::Shutdown();
  std::filesystem::remove_all(folder);
  return 0;
}
