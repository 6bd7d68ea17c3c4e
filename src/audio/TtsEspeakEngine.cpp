#include "audio/TtsEspeakEngine.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <tuple>

#include "core/Trace.h"

namespace {

// Milliseconds of audio per callback: short, so a stop is seen quickly.
constexpr int kBufferMs = 100;

struct SynthContext {
  const TtsSamples* out;
};

// Returning 1 makes the library abandon the text.
int OnSamples(short* samples, int count, espeak_EVENT* events) {
  auto* context = static_cast<SynthContext*>(events ? events->user_data : nullptr);
  if (!context || !samples || count <= 0) return 0;
  return (*context->out)(samples, static_cast<std::size_t>(count)) ? 0 : 1;
}

}  // namespace

TtsEspeakEngine::TtsEspeakEngine() {
  std::lock_guard<std::mutex> guard(lock_);
  rate_ = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBufferMs, nullptr, 0);
  if (rate_ <= 0) {
    Trace("TtsEspeakEngine espeak_Initialize FAILED (%d)", static_cast<int>(rate_));
    return;
  }
  espeak_SetSynthCallback(OnSamples);
  const espeak_VOICE** list = espeak_ListVoices(nullptr);
  for (std::size_t i = 0; list && list[i]; ++i) {
    const espeak_VOICE& v = *list[i];
    if (!v.name || !v.identifier || !v.languages || !v.languages[0]) continue;
    voices_.push_back({v.name, v.identifier, v.languages + 1});  // skip the priority byte
  }
  std::sort(voices_.begin(), voices_.end(), [](const Voice& a, const Voice& b) {
    return std::tie(a.name, a.identifier) < std::tie(b.name, b.identifier);
  });
}

std::string TtsEspeakEngine::VoiceName(int voice) const {
  const Voice& v = voices_.at(voice);
  return "eSpeak NG " + v.name + " (" + v.language + ")";
}

std::string TtsEspeakEngine::VoiceLanguage(int voice) const { return voices_.at(voice).language; }

bool TtsEspeakEngine::Speak(int voice, std::string_view piece, const TtsSamples& out) {
  const std::string text(piece);
  std::lock_guard<std::mutex> guard(lock_);
  if (espeak_SetVoiceByName(voices_.at(voice).identifier.c_str()) != EE_OK) {
    Trace("TtsEspeakEngine::Speak voice %s FAILED", voices_.at(voice).identifier.c_str());
    return false;
  }
  SynthContext context{&out};
  const espeak_ERROR result = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                           espeakCHARS_UTF8, nullptr, &context);
  if (result != EE_OK) Trace("TtsEspeakEngine::Speak espeak_Synth FAILED (%d)", result);
  return result == EE_OK;
}
