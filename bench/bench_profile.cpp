// The cost of one ProfileReadInt and one ProfileWriteInt on a settings file of
// 200 keys, read from the cache and after another writer changed the file,
// against GLib's GKeyFile (load the file, then read or set and save) as the
// reference. Prints ours/reference for each pair at the end.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchReporter.h"
#include "core/Profile.h"

namespace {

constexpr int kKeys = 200;
constexpr const char* kSection = "settings";
constexpr const char* kKey = "key150";
constexpr int kBase = 1000;  // kKey holds kBase or kBase + 1

// A settings file of 200 keys whose value of kKey is `value`.
std::string SettingsText(int value) {
  std::string text = "# settings\n[settings]\n";
  for (int i = 0; i < kKeys; ++i) {
    int v = i == 150 ? kBase + value : i * 37;
    text += "key" + std::to_string(i) + "=" + std::to_string(v) + "\n";
  }
  return text;
}

// Replaces the file the way another process's write does.
void ReplaceFile(const std::string& path, const std::string& text) {
  std::string temp = path + ".other";
  std::ofstream(temp, std::ios::binary) << text;
  std::rename(temp.c_str(), path.c_str());
}

void OursReadCached(benchmark::State& state, const std::string& file) {
  for (auto _ : state) benchmark::DoNotOptimize(ProfileReadInt(file, kSection, kKey, 0));
}

void OursReadAfterChange(benchmark::State& state, const std::string& file) {
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ReplaceFile(file, SettingsText(++n % 2));
    state.ResumeTiming();
    benchmark::DoNotOptimize(ProfileReadInt(file, kSection, kKey, 0));
  }
}

void OursWrite(benchmark::State& state, const std::string& file) {
  int n = 0;
  for (auto _ : state) benchmark::DoNotOptimize(ProfileWriteInt(file, kSection, kKey, kBase + ++n % 2));
}

int GKeyFileReadInt(const std::string& file) {
  GKeyFile* keys = g_key_file_new();
  int value = 0;
  if (g_key_file_load_from_file(keys, file.c_str(), G_KEY_FILE_KEEP_COMMENTS, nullptr)) {
    value = g_key_file_get_integer(keys, kSection, kKey, nullptr);
  }
  g_key_file_free(keys);
  return value;
}

void GKeyFileRead(benchmark::State& state, const std::string& file) {
  for (auto _ : state) benchmark::DoNotOptimize(GKeyFileReadInt(file));
}

void GKeyFileReadAfterChange(benchmark::State& state, const std::string& file) {
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ReplaceFile(file, SettingsText(++n % 2));
    state.ResumeTiming();
    benchmark::DoNotOptimize(GKeyFileReadInt(file));
  }
}

void GKeyFileWrite(benchmark::State& state, const std::string& file) {
  int n = 0;
  for (auto _ : state) {
    GKeyFile* keys = g_key_file_new();
    g_key_file_load_from_file(keys, file.c_str(), G_KEY_FILE_KEEP_COMMENTS, nullptr);
    g_key_file_set_integer(keys, kSection, kKey, kBase + ++n % 2);
    benchmark::DoNotOptimize(g_key_file_save_to_file(keys, file.c_str(), nullptr));
    g_key_file_free(keys);
  }
}

using Body = void (*)(benchmark::State&, const std::string&);

void Register(const char* name, Body body, const std::string& file) {
  benchmark::RegisterBenchmark(name, [body, file](benchmark::State& state) {
    ReplaceFile(file, SettingsText(0));
    if (ProfileReadInt(file, kSection, kKey, 0) != kBase || GKeyFileReadInt(file) != kBase) {
      state.SkipWithError("the settings file does not read back");
      return;
    }
    body(state, file);
  })->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = MakeBenchFolder();
  if (folder.empty()) return 1;
  std::string ours = folder + "/settings.ini";
  std::string reference = folder + "/reference.ini";
  Register("OursReadCached", OursReadCached, ours);
  Register("GKeyFileRead", GKeyFileRead, reference);
  Register("OursReadAfterChange", OursReadAfterChange, ours);
  Register("GKeyFileReadAfterChange", GKeyFileReadAfterChange, reference);
  Register("OursWrite", OursWrite, ours);
  Register("GKeyFileWrite", GKeyFileWrite, reference);
  benchmark::Initialize(&argc, argv);
  BenchReporter reporter(BenchReporter::Clock::kReal);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("ProfileReadInt cached", "OursReadCached", "GKeyFileRead", "GKeyFile");
  reporter.PrintRatio("ProfileReadInt changed", "OursReadAfterChange", "GKeyFileReadAfterChange",
                      "GKeyFile");
  reporter.PrintRatio("ProfileWriteInt", "OursWrite", "GKeyFileWrite", "GKeyFile");
  benchmark::Shutdown();
  std::filesystem::remove_all(folder);
  return 0;
}
