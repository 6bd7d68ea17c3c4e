#include "telephony/wave/LWaveAlsaPcm.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <cstring>

#include "core/Trace.h"

namespace {

std::string Hint(const void* hint, const char* id) {
  char* value = snd_device_name_get_hint(hint, id);
  std::string text = value ? value : "";
  std::free(value);
  return text;
}

}  // namespace

std::vector<std::string> LWaveAlsaPcm::Names(Stream stream) {
  std::vector<std::string> names;
  void** hints = nullptr;
  if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return names;
  const char* wanted = stream == Stream::kPlayback ? "Output" : "Input";
  for (void** hint = hints; *hint; ++hint) {
    const std::string name = Hint(*hint, "NAME");
    const std::string direction = Hint(*hint, "IOID");  // empty: both ways
    if (!name.empty() && (direction.empty() || direction == wanted)) names.push_back(name);
  }
  snd_device_name_free_hint(hints);
  return names;
}

std::unique_ptr<LWaveAlsaPcm> LWaveAlsaPcm::Open(Stream stream, int index,
                                                 const LWavePcmFormat& format, bool mapped) {
  std::string name = "default";
  if (index >= 0) {
    std::vector<std::string> names = Names(stream);
    if (static_cast<std::size_t>(index) >= names.size()) {
      Trace("LWaveAlsaPcm::Open no device %d", index);
      return nullptr;
    }
    name = names[static_cast<std::size_t>(index)];
  }
  const snd_pcm_stream_t direction =
      stream == Stream::kPlayback ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
  snd_pcm_t* pcm = nullptr;
  int error = snd_pcm_open(&pcm, name.c_str(), direction, SND_PCM_NONBLOCK);
  if (error < 0) {
    Trace("LWaveAlsaPcm::Open %s FAILED: %s", name.c_str(), snd_strerror(error));
    return nullptr;
  }
  error = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                             static_cast<unsigned>(format.channels), format.sampleRate,
                             mapped ? 1 : 0, kLatencyUs);
  if (error < 0) {
    Trace("LWaveAlsaPcm::Open %s refuses %u Hz %d channels: %s", name.c_str(),
          format.sampleRate, format.channels, snd_strerror(error));
    snd_pcm_close(pcm);
    return nullptr;
  }
  return std::unique_ptr<LWaveAlsaPcm>(new LWaveAlsaPcm(pcm));
}

LWaveAlsaPcm::~LWaveAlsaPcm() { snd_pcm_close(pcm_); }
