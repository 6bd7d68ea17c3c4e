// Speech and music must never be taken for keys. The speech is synthesised
// by espeak-ng in several voices and pitches, the music is sox's plucked
// strings playing random three-note chords; both are resampled to 8000 Hz.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "telephony/dsp/LDtmfDetector.h"

namespace {

constexpr char kTalkOffScript[] =
    "Thank you for calling. All of our lines are busy at the moment. Please leave your name, your number "
    "and a short message after the tone, and we will call you back as soon as we can. To reach the sales "
    "office, press one. For accounts, press two. For the operator, press zero, or stay on the line. Our "
    "opening hours are Monday to Friday, from nine in the morning until half past five in the evening. "
    "You have three new messages and twelve saved messages. Message one, received yesterday at four "
    "fifteen p.m.\n";

constexpr char kToRaw[] = " -t raw -r 8000 -e signed -b 16 -c 1 ";

std::vector<int16_t> ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<int16_t> samples;
  int16_t v = 0;
  while (in.read(reinterpret_cast<char*>(&v), sizeof v)) samples.push_back(v);
  return samples;
}

// Keys found in the samples, fed in 20 ms blocks as a call delivers them.
std::string Keys(const std::vector<int16_t>& samples) {
  LDtmfDetector detector;
  std::string keys;
  const std::span<const int16_t> all(samples);
  for (size_t at = 0; at < all.size(); at += 160)
    keys += detector.Feed(all.subspan(at, std::min<size_t>(160, all.size() - at)));
  return keys;
}

}  // namespace

TEST(DtmfTalkOff, NoKeysFromThreeMinutesOfSpeech) {
  TempDir dir;
  std::ofstream(dir / "script.txt") << kTalkOffScript;
  std::string command = "(";
  for (const char* voice : {"en -p 30", "en+f3 -p 85", "en+f4 -p 60 -s 200", "en+m3 -p 70 -s 140", "fr -p 50", "de -p 40"}) {
    command += "espeak-ng -v " + std::string(voice) + " -f '" + (dir / "script.txt") + "' --stdout;";
  }
  command += ") | sox -t wav -" + std::string(kToRaw) + "'" + (dir / "speech.raw") + "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << "needs espeak-ng and sox: " << command;
  const std::vector<int16_t> speech = ReadRaw(dir / "speech.raw");
  ASSERT_GT(speech.size(), 8000u * 170);
  EXPECT_EQ(Keys(speech), "");
}

TEST(DtmfTalkOff, NoKeysFromAMinuteOfMusic) {
  TempDir dir;
  std::mt19937 random(7);
  std::uniform_int_distribution<int> note(55, 96);  // G3 to C7
  std::string command = "sox -R -n" + std::string(kToRaw) + "'" + (dir / "music.raw") + "'";
  for (int chord = 0; chord < 240; ++chord) {
    command += chord ? " : synth 0.25" : " synth 0.25";
    for (int i = 0; i < 3; ++i) command += " pluck " + std::to_string(440 * std::pow(2, (note(random) - 69) / 12.0));
    command += " remix -";
  }
  ASSERT_EQ(std::system((command + " 2>/dev/null").c_str()), 0) << "needs sox";
  const std::vector<int16_t> music = ReadRaw(dir / "music.raw");
  ASSERT_EQ(music.size(), 8000u * 60);
  EXPECT_EQ(Keys(music), "");
}
