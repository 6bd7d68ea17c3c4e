#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <thread>
#include <utility>
#include <vector>

#include "audio/AudioImport.h"
#include "audio/AutoGainControl.h"
#include "audio/AutoGainWorkList.h"
#include "audio/LProgressSilent.h"
#include "audio/LWaveFile.h"
#include "audio/LevelMeter.h"
#include "audio/Mp3TestSupport.h"
#include "audio/TestSources.h"
#include "core/LSignalObject.h"
#include "core/ManualClock.h"
#include "log/LogFile.h"
#include "support/TempDir.h"

namespace {

constexpr int kRate = 8000;
constexpr int32_t kBlock = kRate / 50;

// Syllables of two tones (200 ms on, 100 ms off) for `seconds`, peaking at
// `dbfs` in each channel that speaks; 16-bit PCM.
void WriteSpeech(const std::string& path, double dbfs, double seconds, std::vector<bool> speaks) {
  const int channels = static_cast<int>(speaks.size());
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path, kRate, 0, 16, channels);
  const double peak = kFullScale16 * std::pow(10, dbfs / 20);
  std::vector<int32_t> frames;
  for (int i = 0; i < static_cast<int>(seconds * kRate); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double on = std::fmod(t, 0.3) < 0.2 ? std::sin(std::numbers::pi * std::fmod(t, 0.3) / 0.2) : 0;
    const double x = on * peak * (0.6 * std::sin(2 * std::numbers::pi * 310 * t) +
                                  0.4 * std::sin(2 * std::numbers::pi * 1130 * t));
    for (bool s : speaks) frames.push_back(s ? static_cast<int32_t>(x) : 0);
  }
  sink->Write(frames.data(), static_cast<int32_t>(frames.size()) / channels);
}

std::vector<int32_t> ReadAll(const std::string& path) { return mp3test::DecodeAll(*LWaveFile::OpenSource(path)); }

// The speech level of mono samples, measured as levelling measures it.
int SpeechLevel(const std::vector<int32_t>& samples) {
  LDPAutoGain::Histogram histogram{};
  for (std::size_t at = 0; at + kBlock <= samples.size(); at += kBlock) {
    ++histogram[static_cast<std::size_t>(
        MeanSquareDb(MeanSquareLevel(samples.data() + at, kBlock)) + 128)];
  }
  return LDPAutoGain::SpeechLevel(histogram);
}

class AutoGain : public ::testing::Test {
 protected:
  AutoGainControl::Result Level(const std::string& path) {
    return AutoGainControl::Process(path, progress_, nullptr);
  }
  TempDir dir_;
  LSignalObject stop_;
  LProgressSilent progress_{&stop_};
};

TEST_F(AutoGain, QuietAndLoudSpeechComeOutAtOneLevelWithoutClipping) {
  std::vector<int> levels;
  for (double dbfs : {-40.0, -25.0, -10.0}) {
    SCOPED_TRACE(dbfs);
    const std::string path = dir_ / "speech.wav";
    WriteSpeech(path, dbfs, 6, {true});
    ASSERT_EQ(Level(path), AutoGainControl::kDone);
    const std::vector<int32_t> out = ReadAll(path);
    EXPECT_TRUE(out.size() % kBlock == 0 && out.size() >= 6u * kRate && PeakOf(out) <= kFullScale16);
    levels.push_back(SpeechLevel(out));
  }
  EXPECT_TRUE(std::abs(levels[0] - levels[1]) <= 3 && std::abs(levels[2] - levels[1]) <= 3);
}

// Stereo keeps the left channel; silence and a file shorter than one block
// are written whole, as silence.
TEST_F(AutoGain, ChannelsSilenceAndShortFiles) {
  const std::string path = dir_ / "f.wav";
  WriteSpeech(path, -20, 2, {false, true});
  ASSERT_EQ(Level(path), AutoGainControl::kDone);
  EXPECT_EQ(PeakOf(ReadAll(path)), 0);
  WriteSpeech(path, -20, 2, {true, false});
  ASSERT_EQ(Level(path), AutoGainControl::kDone);
  EXPECT_GT(SpeechLevel(ReadAll(path)), -40);
  WriteSpeech(path, -20, 0.006, {false});
  ASSERT_EQ(Level(path), AutoGainControl::kDone);
  EXPECT_EQ(ReadAll(path), std::vector<int32_t>(kBlock, 0));
}

TEST(AutoGainEstimate, TheMedianOfTheLoudBlocks) {
  LDPAutoGain::Histogram histogram{};
  EXPECT_EQ(LDPAutoGain::SpeechLevel(histogram), -127);
  histogram[-127 + 128] = 1000;  // mostly silence: the estimate is silence
  histogram[-20 + 128] = 30;
  histogram[-10 + 128] = 50;
  histogram[-40 + 128] = 40;  // more than 15 dB below the loud eighth
  EXPECT_EQ(LDPAutoGain::SpeechLevel(histogram), -127);
  histogram[-127 + 128] = 0;  // the median of the 80 blocks from -25 dB up
  EXPECT_EQ(LDPAutoGain::SpeechLevel(histogram), -10);
  histogram[-30 + 128] = 60;  // just outside the 15 dB window: still -10
  EXPECT_EQ(LDPAutoGain::SpeechLevel(histogram), -10);
}

TEST_F(AutoGain, BadFilesAndFilesInUse) {
  const std::string path = dir_ / "m.wav";
  EXPECT_EQ(Level(dir_ / "gone.wav"), AutoGainControl::kDone);  // deleted while queued
  std::ofstream(path) << "not a sound file";
  EXPECT_EQ(Level(path), AutoGainControl::kNotWave);
  WriteSpeech(path, -30, 1, {true});
  const auto before = std::filesystem::last_write_time(path);
  {
    LSoundSourceRef player = LWaveFile::OpenSource(path);  // a player holds it
    std::thread stop([this] {
      std::this_thread::sleep_for(std::chrono::milliseconds(700));
      stop_.Set();
    });
    EXPECT_EQ(Level(path), AutoGainControl::kNotLevelled);
    stop.join();
  }
  EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

// A file replaced (an import moved over it) or rewritten while it is
// levelled keeps the new audio: the levelled copy is of the old.
TEST_F(AutoGain, AFileChangedWhileLevelledKeepsItsNewAudio) {
  const std::string path = dir_ / "prompt.wav";
  const std::string next = dir_ / "next.wav";
  const struct {
    const char* what;
    std::function<void()> change;
  } rows[] = {
      {"replaced", [&] { std::filesystem::rename(next, path); }},
      {"rewritten", [&] { std::filesystem::copy_file(next, path, std::filesystem::copy_options::overwrite_existing); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    WriteSpeech(path, -40, 2, {true});
    WriteSpeech(next, -10, 1, {true});
    const std::vector<int32_t> newAudio = ReadAll(next);
    RecordingProgress progress;  // changes the file once the levelling runs
    progress.onLook = [change = row.change]() mutable { if (change) std::exchange(change, nullptr)(); };
    AutoGainControl::Process(path, progress, nullptr);
    EXPECT_EQ(ReadAll(path), newAudio);
  }
}

TEST_F(AutoGain, ImportsMp3NamedInCapitalsAndQueuesTheResult) {
  if (!mp3test::ToolsPresent()) GTEST_SKIP() << "sox or lame missing";
  const std::string wav = dir_ / "in.wav";
  ASSERT_TRUE(mp3test::MakeSignal(wav, 22050, 2, 1.0));
  ASSERT_TRUE(mp3test::Encode(wav, dir_ / "IN.MP3", "-b 64"));
  ManualClock clock{0, 0};
  StatusDisplay display(clock);
  LogFile log(dir_.Path(), clock, display);
  std::unique_ptr<LProcessListThread> list = MakeAutoGainWorkList(log);
  list->SetListFilePath(dir_ / "agc.dat");
  ASSERT_TRUE(LoadAudioFile(dir_ / "IN.MP3", dir_ / "out.wav", progress_, list.get()));
  ASSERT_TRUE(FinishAutoGainWork(*list, 20000));
  EXPECT_FALSE(list->InList(dir_ / "out.wav"));
  LSoundSourceRef out = LWaveFile::OpenSource(dir_ / "out.wav");
  // The encoder pads.
  EXPECT_TRUE(out->SampleRate() == kRate && out->Channels() == 1 && std::abs(out->GetEndSample() - kRate) < kRate / 10);
  EXPECT_FALSE(LoadAudioFile(dir_ / "none.mp3", dir_ / "x.wav", progress_, nullptr));
}

}  // namespace
