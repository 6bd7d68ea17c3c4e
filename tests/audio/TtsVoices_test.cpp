#include "audio/TtsVoices.h"

#include <gtest/gtest.h>

#include "TtsFakeEngine.h"

namespace {

TEST(TtsVoices, PositionsRunAcrossEnginesAndBeyondTheListSelectTheLast) {
  FakeVoices fake(EngineLanguages{{"en-gb", "de"}, {}, {"fr", "en-us", "it"}});
  const TtsVoices& voices = fake.voices;
  ASSERT_EQ(voices.Count(), 5);
  EXPECT_EQ(voices.Name(0), "Fake en-gb");
  EXPECT_EQ(voices.Name(2), "Fake fr");
  EXPECT_EQ(voices.Name(5), "");
  EXPECT_EQ(voices.Name(-1), "");

  auto at = [&](int position) {
    std::optional<TtsVoiceChoice> choice = voices.Select(position);
    EXPECT_TRUE(choice.has_value());
    return choice ? choice->engine->VoiceLanguage(choice->voice) : std::string();
  };
  EXPECT_EQ(at(1), "de");
  EXPECT_EQ(at(3), "en-us");
  EXPECT_EQ(at(4), "it");
  EXPECT_EQ(at(5), "it");
  EXPECT_EQ(at(1000), "it");
  EXPECT_EQ(at(-3), "en-gb");
  EXPECT_EQ(voices.Select(3)->engine, fake.engines[2]);
}

TEST(TtsVoices, BestEnglishPrefersUsEnglishThenAnyEnglishAndNoVoicesSelectNothing) {
  EXPECT_EQ(FakeVoices(EngineLanguages{{"de", "en-gb"}, {"en-us"}}).voices.BestEnglish(), 2);
  EXPECT_EQ(FakeVoices(EngineLanguages{{"de", "en-gb-scotland", "en"}}).voices.BestEnglish(), 1);
  EXPECT_EQ(FakeVoices(EngineLanguages{{"de", "fr"}}).voices.BestEnglish(), 0);
  FakeVoices none(EngineLanguages{{}, {}});
  EXPECT_EQ(none.voices.Count(), 0);
  EXPECT_FALSE(none.voices.Select(0).has_value());
  EXPECT_EQ(none.voices.BestEnglish(), -1);
}

TEST(TtsVoices, InstalledListsFliteBeforeEspeakInAStableOrder) {
  const TtsVoices& voices = TtsVoices::Installed();
  ASSERT_GT(voices.Count(), 5) << "flite1-dev and libespeak-ng-dev must be installed";
  EXPECT_EQ(TTSGetNumSpeakers(), voices.Count());
  EXPECT_EQ(TTSGetDictSpeakerName(0), "Flite slt (US English, female)");
  EXPECT_EQ(voices.BestEnglish(), 0);
  // eSpeak NG voices follow by their own names ("eSpeak NG " + name + " (language)").
  bool inEspeak = false;
  std::string previous;
  for (int i = 0; i < voices.Count(); ++i) {
    const std::string name = voices.Name(i);
    if (name.rfind("eSpeak NG ", 0) == 0) {
      const std::string own = name.substr(10, name.rfind(" (") - 10);
      EXPECT_LE(previous, own);
      inEspeak = true;
      previous = own;
    } else {
      EXPECT_FALSE(inEspeak) << name << " after the eSpeak NG voices";
      EXPECT_EQ(name.rfind("Flite ", 0), 0u) << name;
    }
  }
  EXPECT_TRUE(inEspeak);
}

}  // namespace
