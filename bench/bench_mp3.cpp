// MP3 decoding speed of LMP3Source against libmpg123 on the same three
// files (128 kbit/s 44.1 kHz joint stereo, 32 kbit/s 22.05 kHz mono, 8 kbit/s
// 8 kHz mono), made at start with sox and lame. Each iteration decodes a
// whole file; the counters give times real time, and the end prints
// ours/libmpg123 per file against the library's default decoder (the
// fastest its build has for this processor) and its portable C decoder.
#include <benchmark/benchmark.h>
#include <mpg123.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchReporter.h"
#include "audio/LMP3Source.h"

namespace {

constexpr double kSeconds = 20.0;

struct TestFile {
  const char* name;
  int rate;
  int channels;
  const char* lame;
};

constexpr TestFile kFiles[] = {
    {"128k-44k-stereo", 44100, 2, "-b 128 -m j"},
    {"32k-22k-mono", 22050, 1, "-b 32 -m m --resample 22.05"},
    {"8k-8k-mono", 8000, 1, "-b 8 -m m --resample 8"},
};

bool Make(const std::string& folder, const TestFile& file) {
  const std::string wav = folder + "/" + file.name + ".wav";
  const std::string mp3 = folder + "/" + file.name + ".mp3";
  const std::string length = std::to_string(kSeconds);
  const std::string sox = "sox -n -r " + std::to_string(file.rate) + " -c " +
                          std::to_string(file.channels) + " -b 16 " + wav + " synth " + length +
                          " sine 150-6000 pinknoise synth " + length +
                          " square amod 3 gain -3 >/dev/null 2>&1";
  const std::string lame =
      "lame --quiet -t " + std::string(file.lame) + " " + wav + " " + mp3 + " >/dev/null 2>&1";
  return std::system(sox.c_str()) == 0 && std::system(lame.c_str()) == 0;
}

void Ours(benchmark::State& state, std::string path) {
  std::vector<int32_t> block;
  for (auto _ : state) {
    LSoundSourceRef source = LMP3Source::Open(path);
    block.resize(8192 * static_cast<std::size_t>(source->Channels()));
    do {
      source->Read(block.data(), 8192);
    } while (source->GetPosition() < source->GetEndSample());
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["x_real_time"] = benchmark::Counter(
      kSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The library's portable C decoder; its default picks the fastest it has.
constexpr const char* kGeneric = "generic";

// `decoder` is a libmpg123 decoder name, or null for its default.
void Mpg123(benchmark::State& state, std::string path, const char* decoder) {
  std::vector<unsigned char> block(65536);
  for (auto _ : state) {
    mpg123_handle* handle = mpg123_new(decoder, nullptr);
    if (handle == nullptr) {
      state.SkipWithError("libmpg123 lacks this decoder");
      break;
    }
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    if (mpg123_open(handle, path.c_str()) != MPG123_OK) {
      mpg123_delete(handle);
      state.SkipWithError("libmpg123 cannot open the file");
      break;
    }
    std::size_t done = 0;
    int status = MPG123_OK;
    do {  // the first read reports the stream's format
      status = mpg123_read(handle, block.data(), block.size(), &done);
      benchmark::DoNotOptimize(block.data());
    } while (status == MPG123_OK || status == MPG123_NEW_FORMAT);
    mpg123_close(handle);
    mpg123_delete(handle);
  }
  state.counters["x_real_time"] = benchmark::Counter(
      kSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The name of the decoder libmpg123 picks by default on this processor.
std::string DefaultDecoder() {
  mpg123_handle* handle = mpg123_new(nullptr, nullptr);
  if (handle == nullptr) return "none";
  const char* name = mpg123_current_decoder(handle);
  std::string result = name != nullptr ? name : "unknown";
  mpg123_delete(handle);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = MakeBenchFolder();
  if (folder.empty()) return 1;
  for (const TestFile& file : kFiles) {
    if (!Make(folder, file)) {
      std::fprintf(stderr, "bench_mp3: sox and lame are needed to make %s\n", file.name);
      std::filesystem::remove_all(folder);
      return 1;
    }
    const std::string path = folder + "/" + file.name + ".mp3";
    benchmark::RegisterBenchmark((std::string("Ours ") + file.name).c_str(), Ours, path)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((std::string("libmpg123 ") + file.name).c_str(), Mpg123, path,
                                 nullptr)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((std::string("libmpg123-generic ") + file.name).c_str(), Mpg123,
                                 path, kGeneric)
        ->Unit(benchmark::kMicrosecond);
  }
  mpg123_init();  // needed by older libraries, harmless on newer ones
  std::printf("libmpg123 default decoder: %s\n", DefaultDecoder().c_str());
  benchmark::Initialize(&argc, argv);
  BenchReporter reporter(BenchReporter::Clock::kCpu);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const TestFile& file : kFiles) {
    reporter.PrintRatio(std::string("MP3 ") + file.name, std::string("Ours ") + file.name,
                        std::string("libmpg123 ") + file.name, "libmpg123");
    reporter.PrintRatio(std::string("MP3 ") + file.name, std::string("Ours ") + file.name,
                        std::string("libmpg123-generic ") + file.name, "generic");
  }
  std::printf("(a ratio of 2 means ours takes twice libmpg123's time: half its speed)\n");
  benchmark::Shutdown();
  std::filesystem::remove_all(folder);
  return 0;
}
