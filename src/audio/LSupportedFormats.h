#pragma once

#include <cstdint>
#include <span>
#include <string_view>

class LWaveFileFormat;

// One format our codecs write, as offered for recording and conversion.
struct LSupportedFormat {
  uint16_t tag;
  uint32_t rate;
  uint16_t channels;
  uint16_t bits;  // 0 where the format has no fixed sample width
  std::string_view name;
};

// The table of offered formats: every codec at the usual telephone and audio
// rates, mono and stereo where the codec allows, 8000 Hz mono first.
class LSupportedFormats {
 public:
  static std::span<const LSupportedFormat> All();
  // The first entry of that name (any letter case): its 8000 Hz mono form.
  static const LSupportedFormat* FindByName(std::string_view name);
  static const LSupportedFormat* Find(uint16_t tag, uint32_t rate, uint16_t channels,
                                      uint16_t bits);
  // A complete descriptor for `entry` (which need not be in the table):
  // block align, average bytes and the codec's extra bytes as WAVE files
  // carry them. False when no codec of ours writes that combination.
  static bool Fill(const LSupportedFormat& entry, LWaveFileFormat& format);
};
