#pragma once

#include <memory>
#include <string>
#include <vector>

#include "telephony/wave/LWaveHeader.h"

typedef struct _snd_pcm snd_pcm_t;

// One open ALSA PCM in non-blocking mode, set to interleaved 16-bit PCM.
// Devices are picked by index into the ALSA device list of their direction
// (-1 is "default"); "mapped" lets ALSA convert the rate in software.
class LWaveAlsaPcm {
 public:
  enum class Stream { kPlayback, kCapture };
  static constexpr unsigned kLatencyUs = 200000;

  // The names of the PCM devices ALSA lists for the direction, in its order.
  static std::vector<std::string> Names(Stream stream);
  // Null, traced, when the device is absent or refuses the format.
  static std::unique_ptr<LWaveAlsaPcm> Open(Stream stream, int index,
                                            const LWavePcmFormat& format, bool mapped);
  ~LWaveAlsaPcm();
  LWaveAlsaPcm(const LWaveAlsaPcm&) = delete;
  LWaveAlsaPcm& operator=(const LWaveAlsaPcm&) = delete;

  snd_pcm_t* Get() const { return pcm_; }

 private:
  explicit LWaveAlsaPcm(snd_pcm_t* pcm) : pcm_(pcm) {}
  snd_pcm_t* pcm_;
};
