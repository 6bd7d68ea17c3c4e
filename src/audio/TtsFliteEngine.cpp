#include "audio/TtsFliteEngine.h"

#include <algorithm>
#include <csetjmp>
#include <string>

extern "C" {
#include <flite/flite.h>
cst_voice* register_cmu_us_slt(const char* voxdir);
void unregister_cmu_us_slt(cst_voice* voice);
cst_voice* register_cmu_us_rms(const char* voxdir);
void unregister_cmu_us_rms(cst_voice* voice);
cst_voice* register_cmu_us_awb(const char* voxdir);
void unregister_cmu_us_awb(cst_voice* voice);
cst_voice* register_cmu_us_kal16(const char* voxdir);
void unregister_cmu_us_kal16(cst_voice* voice);
cst_voice* register_cmu_us_kal(const char* voxdir);
void unregister_cmu_us_kal(cst_voice* voice);
}

#include "core/Trace.h"

struct FliteVoiceEntry {
  const char* name;
  cst_voice* (*load)(const char*);
  void (*unload)(cst_voice*);
};

namespace {

constexpr FliteVoiceEntry kVoices[] = {
    {"Flite slt (US English, female)", register_cmu_us_slt, unregister_cmu_us_slt},
    {"Flite rms (US English, male)", register_cmu_us_rms, unregister_cmu_us_rms},
    {"Flite awb (Scottish English, male)", register_cmu_us_awb, unregister_cmu_us_awb},
    {"Flite kal16 (US English, male, diphone)", register_cmu_us_kal16, unregister_cmu_us_kal16},
    {"Flite kal (US English, male, diphone, 8 kHz)", register_cmu_us_kal, unregister_cmu_us_kal},
};

// Hands out the samples in slices, so a stop asked between two is seen.
constexpr std::size_t kSlice = 4096;

// Flite reports an internal error by a long jump to cst_errjmp, or by ending
// the process when none is set. Only C frames lie between here and the jump.
cst_wave* GuardedTextToWave(const char* text, cst_voice* voice) {
  std::jmp_buf env;
  std::jmp_buf* previous = cst_errjmp;
  cst_errjmp = &env;
  cst_wave* volatile wave = nullptr;
  if (setjmp(env) == 0) wave = flite_text_to_wave(text, voice);
  cst_errjmp = previous;
  return wave;
}

}  // namespace

TtsFliteEngine::TtsFliteEngine() {
  std::lock_guard<std::mutex> guard(lock_);
  flite_init();
  for (const FliteVoiceEntry& entry : kVoices) {
    cst_voice* voice = entry.load(nullptr);
    if (!voice) {
      Trace("TtsFliteEngine %s could not be loaded", entry.name);
      continue;
    }
    voices_.push_back({&entry, voice, flite_get_param_int(voice->features, "sample_rate", 16000)});
  }
}

TtsFliteEngine::~TtsFliteEngine() {
  for (const Voice& voice : voices_) voice.entry->unload(voice.voice);
}

std::string TtsFliteEngine::VoiceName(int voice) const { return voices_.at(voice).entry->name; }

std::string TtsFliteEngine::VoiceLanguage(int /*voice*/) const { return "en-us"; }

int32_t TtsFliteEngine::SampleRate(int voice) const { return voices_.at(voice).rate; }

bool TtsFliteEngine::Speak(int voice, std::string_view piece, const TtsSamples& out) {
  const std::string text(piece);
  cst_wave* wave = nullptr;
  {
    std::lock_guard<std::mutex> guard(lock_);
    wave = GuardedTextToWave(text.c_str(), voices_.at(voice).voice);
  }
  if (!wave || wave->sample_rate != voices_.at(voice).rate || wave->num_channels != 1) {
    Trace("TtsFliteEngine::Speak synthesis FAILED");
    if (wave) delete_wave(wave);
    return false;
  }
  const auto total = static_cast<std::size_t>(wave->num_samples > 0 ? wave->num_samples : 0);
  for (std::size_t done = 0; done < total;) {
    const std::size_t slice = std::min(kSlice, total - done);
    if (!out(wave->samples + done, slice)) break;
    done += slice;
  }
  delete_wave(wave);
  return true;
}
