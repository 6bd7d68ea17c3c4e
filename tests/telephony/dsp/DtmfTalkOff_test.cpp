// Speech and music must never be taken for keys. The speech is synthesised
// by espeak-ng in several voices and pitches, the music is sox's plucked
// strings playing random three-note chords; both are resampled to 8000 Hz.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "DtmfSignals.h"
#include "support/TempDir.h"

namespace {

constexpr char kTalkOffScript[] =
    "Thank you for calling. All of our lines are busy at the moment. Please leave your name, your number "
    "and a short message after the tone, and we will call you back as soon as we can. To reach the sales "
    "office, press one. For accounts, press two. For the operator, press zero, or stay on the line. Our "
    "opening hours are Monday to Friday, from nine in the morning until half past five in the evening. "
    "You have three new messages and twelve saved messages. Message one, received yesterday at four "
    "fifteen p.m.\n";

}  // namespace

TEST(DtmfTalkOff, NoKeysFromThreeMinutesOfSpeech) {
  TempDir dir;
  const std::vector<int16_t> speech = SpeakScript(
      dir, kTalkOffScript, {"en -p 30", "en+f3 -p 85", "en+f4 -p 60 -s 200", "en+m3 -p 70 -s 140", "fr -p 50", "de -p 40"});
  ASSERT_GT(speech.size(), 8000u * 170) << "needs espeak-ng and sox";
  EXPECT_EQ(DetectInBlocks(speech), "");
}

TEST(DtmfTalkOff, NoKeysFromAMinuteOfMusic) {
  TempDir dir;
  std::mt19937 random(7);
  std::uniform_int_distribution<int> note(55, 96);  // G3 to C7
  std::string command = "sox -R -n" + std::string(kSoxToLine) + "'" + (dir / "music.raw") + "'";
  for (int chord = 0; chord < 240; ++chord) {
    command += chord ? " : synth 0.25" : " synth 0.25";
    for (int i = 0; i < 3; ++i) command += " pluck " + std::to_string(440 * std::pow(2, (note(random) - 69) / 12.0));
    command += " remix -";
  }
  ASSERT_EQ(std::system((command + " 2>/dev/null").c_str()), 0) << "needs sox";
  const std::vector<int16_t> music = ReadRawLine(dir / "music.raw");
  ASSERT_EQ(music.size(), 8000u * 60);
  EXPECT_EQ(DetectInBlocks(music), "");
}
