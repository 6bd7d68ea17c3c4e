#include "audio/MP3Header.h"

namespace {

// Layer III bit rates in kbit/s by index; index 0 (free format) and 15 are
// not accepted.
constexpr int32_t kMpeg1Kbps[15] = {0,   32,  40,  48,  56,  64,  80, 96,
                                    112, 128, 160, 192, 224, 256, 320};
constexpr int32_t kMpeg2Kbps[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr int32_t kBaseRates[3] = {44100, 48000, 32000};

}  // namespace

bool MP3Header::Parse(const uint8_t* bytes, MP3Header& header) {
  if (bytes[0] != 0xFF || bytes[1] < 0xE0) return false;
  const int versionBits = (bytes[1] >> 3) & 3;
  const int layerBits = (bytes[1] >> 1) & 3;
  const int rateIndex = bytes[2] >> 4;
  const int freqIndex = (bytes[2] >> 2) & 3;
  if (versionBits == 1 || layerBits != 1 || rateIndex == 0 || rateIndex == 15 || freqIndex == 3) {
    return false;
  }
  header.version = versionBits == 3 ? 0 : versionBits == 2 ? 1 : 2;
  header.protection = bytes[1] & 1;
  header.bitRate = (header.version == 0 ? kMpeg1Kbps : kMpeg2Kbps)[rateIndex] * 1000;
  header.freqIndex = freqIndex;
  header.padding = (bytes[2] >> 1) & 1;
  header.mode = bytes[3] >> 6;
  header.modeExtension = (bytes[3] >> 4) & 3;
  return true;
}

int32_t MP3Header::SampleRate() const { return kBaseRates[freqIndex] >> version; }

int MP3Header::SideInfoBytes() const {
  if (version == 0) return mode == kMono ? 17 : 32;
  return mode == kMono ? 9 : 17;
}

bool MP3Header::Matches(const MP3Header& other) const {
  return version == other.version && freqIndex == other.freqIndex &&
         (mode == kMono) == (other.mode == kMono);
}
