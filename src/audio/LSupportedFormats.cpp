#include "audio/LSupportedFormats.h"

#include <algorithm>
#include <array>

#include "audio/LCodecG711.h"
#include "audio/LCodecGsm.h"
#include "audio/LCodecImaAdpcm.h"
#include "audio/LCodecMp3.h"
#include "audio/LCodecMsAdpcm.h"
#include "audio/LCodecPcm.h"
#include "audio/LWaveFileFormat.h"
#include "core/TextCompare.h"

namespace {

struct Family {
  uint16_t tag;
  uint16_t bits;
  std::string_view name;
  bool onlyTelephone;  // 8000 Hz mono only
};

constexpr std::array<Family, 10> kFamilies = {{
    {LWaveFileFormat::kTagPcm, 16, "PCM 16-bit", false},
    {LWaveFileFormat::kTagPcm, 8, "PCM 8-bit", false},
    {LWaveFileFormat::kTagPcm, 24, "PCM 24-bit", false},
    {LWaveFileFormat::kTagPcm, 32, "PCM 32-bit", false},
    {LCodecG711::kTagALaw, 8, "A-law", false},
    {LCodecG711::kTagMuLaw, 8, "mu-law", false},
    {LCodecImaAdpcm::kTag, 4, "IMA ADPCM", false},
    {LCodecMsAdpcm::kTag, 4, "Microsoft ADPCM", false},
    {LCodecGsm::kTag, 0, "GSM 6.10", true},
    {LCodecMp3::kTag, 0, "MP3", false},
}};
constexpr std::array<uint32_t, 5> kRates = {8000, 11025, 16000, 22050, 44100};
constexpr std::size_t kPerFamily = kRates.size() * 2;

constexpr auto kTable = [] {
  std::array<LSupportedFormat, (kFamilies.size() - 1) * kPerFamily + 1> table{};
  std::size_t n = 0;
  for (const Family& family : kFamilies) {
    for (uint32_t rate : kRates) {
      for (uint16_t channels = 1; channels <= 2; ++channels) {
        if (family.onlyTelephone && (rate != 8000 || channels != 1)) continue;
        table[n++] = {family.tag, rate, channels, family.bits, family.name};
      }
    }
  }
  return table;
}();


}  // namespace

std::span<const LSupportedFormat> LSupportedFormats::All() { return kTable; }

const LSupportedFormat* LSupportedFormats::FindByName(std::string_view name) {
  const auto it = std::find_if(kTable.begin(), kTable.end(),
                               [&](const LSupportedFormat& f) { return EqualIgnoringCase(f.name, name); });
  return it == kTable.end() ? nullptr : &*it;
}

const LSupportedFormat* LSupportedFormats::Find(uint16_t tag, uint32_t rate, uint16_t channels,
                                                uint16_t bits) {
  const auto it = std::find_if(kTable.begin(), kTable.end(), [&](const LSupportedFormat& f) {
    return f.tag == tag && f.rate == rate && f.channels == channels && f.bits == bits;
  });
  return it == kTable.end() ? nullptr : &*it;
}

bool LSupportedFormats::Fill(const LSupportedFormat& entry, LWaveFileFormat& format) {
  if (entry.channels < 1 || entry.channels > 255 || entry.rate < 1 || entry.rate > 196000) {
    return false;
  }
  format.SetTag(entry.tag);
  format.SetChannels(entry.channels);
  format.SetSamplesPerSec(entry.rate);
  switch (entry.tag) {
    case LWaveFileFormat::kTagPcm:
      return LCodecPcm::Describe(format, entry.rate, entry.channels, entry.bits);
    case LCodecG711::kTagALaw:
    case LCodecG711::kTagMuLaw:
      return entry.bits == 8 && LCodecG711::Describe(format, entry.rate, entry.channels);
    case LCodecImaAdpcm::kTag:
      return entry.bits == 4 && LCodecImaAdpcm::Describe(format, entry.rate, entry.channels);
    case LCodecMsAdpcm::kTag:
      return entry.bits == 4 && LCodecMsAdpcm::Describe(format, entry.rate, entry.channels);
    case LCodecGsm::kTag:
      return entry.bits == 0 && LCodecGsm::Describe(format, entry.rate, entry.channels);
    case LCodecMp3::kTag:
      return entry.bits == 0 && LCodecMp3::Describe(format, entry.rate, entry.channels);
    default:
      return false;
  }
}
