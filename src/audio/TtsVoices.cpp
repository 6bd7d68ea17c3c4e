#include "audio/TtsVoices.h"

#include <algorithm>

#include "audio/TtsEspeakEngine.h"
#include "audio/TtsFliteEngine.h"

TtsVoices::TtsVoices(std::vector<std::unique_ptr<TtsEngine>> engines)
    : engines_(std::move(engines)) {}

const TtsVoices& TtsVoices::Installed() {
  static const TtsVoices* installed = [] {
    std::vector<std::unique_ptr<TtsEngine>> engines;
    engines.push_back(std::make_unique<TtsFliteEngine>());
    engines.push_back(std::make_unique<TtsEspeakEngine>());
    return new TtsVoices(std::move(engines));
  }();
  return *installed;
}

int TtsVoices::Count() const {
  int count = 0;
  for (const auto& engine : engines_) count += engine->VoiceCount();
  return count;
}

std::optional<TtsVoiceChoice> TtsVoices::Select(int position) const {
  const int count = Count();
  if (count == 0) return std::nullopt;
  int remaining = std::clamp(position, 0, count - 1);
  for (const auto& engine : engines_) {
    if (remaining < engine->VoiceCount()) return TtsVoiceChoice{engine.get(), remaining};
    remaining -= engine->VoiceCount();
  }
  return std::nullopt;  // not reached: the count covers every engine
}

std::string TtsVoices::Name(int position) const {
  if (position < 0 || position >= Count()) return {};
  const TtsVoiceChoice choice = *Select(position);
  return choice.engine->VoiceName(choice.voice);
}

std::string TtsVoices::Language(int position) const {
  const TtsVoiceChoice choice = *Select(position);
  return choice.engine->VoiceLanguage(choice.voice);
}

int TtsVoices::BestEnglish() const {
  const int count = Count();
  if (count == 0) return -1;
  for (int i = 0; i < count; ++i) {
    if (Language(i) == "en-us") return i;
  }
  for (int i = 0; i < count; ++i) {
    if (Language(i).rfind("en", 0) == 0) return i;
  }
  return 0;
}

int TTSGetNumSpeakers() { return TtsVoices::Installed().Count(); }

std::string TTSGetDictSpeakerName(int position) { return TtsVoices::Installed().Name(position); }
