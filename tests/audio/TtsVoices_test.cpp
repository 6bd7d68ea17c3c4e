#include "audio/TtsVoices.h"

#include <gtest/gtest.h>

#include "TtsFakeEngine.h"

namespace {

TEST(TtsVoices, PositionsRunAcrossEnginesAndBeyondTheListSelectTheLast) {
  FakeVoices fake(EngineLanguages{{"en-gb", "de"}, {}, {"fr", "en-us", "it"}});
  const TtsVoices& voices = fake.voices;
  ASSERT_EQ(voices.Count(), 5);
  std::string names, languages;
  for (int position : {-1, 0, 2, 5}) names += voices.Name(position) + "|";
  EXPECT_EQ(names, "|Fake en-gb|Fake fr||");
  for (int position : {-3, 1, 3, 4, 5, 1000}) {
    const std::optional<TtsVoiceChoice> choice = voices.Select(position);
    languages += (choice ? choice->engine->VoiceLanguage(choice->voice) : "none") + "|";
  }
  EXPECT_EQ(languages, "en-gb|de|en-us|it|it|it|");
  EXPECT_EQ(voices.Select(3)->engine, fake.engines[2]);
}

TEST(TtsVoices, BestEnglishPrefersUsEnglishThenAnyEnglishAndNoVoicesSelectNothing) {
  for (auto [languages, best] : {std::pair<EngineLanguages, int>{{{"de", "en-gb"}, {"en-us"}}, 2},
                                 {{{"de", "en-gb-scotland", "en"}}, 1}, {{{"de", "fr"}}, 0}})
    EXPECT_EQ(FakeVoices(languages).voices.BestEnglish(), best) << best;
  FakeVoices none(EngineLanguages{{}, {}});
  EXPECT_TRUE(!none.voices.Select(0).has_value() && none.voices.BestEnglish() == -1);
}

// Flite's voices come first, then eSpeak NG's sorted by their own names
// ("eSpeak NG " + name + " (language)").
TEST(TtsVoices, InstalledListsFliteBeforeEspeakInAStableOrder) {
  const TtsVoices& voices = TtsVoices::Installed();
  ASSERT_GT(voices.Count(), 5) << "flite1-dev and libespeak-ng-dev must be installed";
  EXPECT_TRUE(TTSGetNumSpeakers() == voices.Count() && voices.BestEnglish() == 0);
  EXPECT_EQ(TTSGetDictSpeakerName(0), "Flite slt (US English, female)");
  std::string previous = "Flite";
  for (int i = 0; i < voices.Count(); ++i) {
    std::string name = voices.Name(i);
    if (name.rfind("eSpeak NG ", 0) == 0) name = "~" + name.substr(10, name.rfind(" (") - 10);
    EXPECT_TRUE(name[0] == '~' ? previous <= name : name.rfind("Flite ", 0) == 0 && previous == "Flite") << name;
    if (name[0] == '~') previous = name;
  }
  EXPECT_EQ(previous[0], '~');
}

}  // namespace
