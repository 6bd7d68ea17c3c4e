#include "audio/LWaveFileFormat.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "audio/LCodecBytes.h"
#include "audio/LCodecStream.h"
#include "audio/WaveFileIo.h"
#include "core/FileIo.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"

namespace {

constexpr std::size_t kTag = 0;
constexpr std::size_t kChannels = 2;
constexpr std::size_t kRate = 4;
constexpr std::size_t kAvgBytes = 8;
constexpr std::size_t kBlockAlign = 12;
constexpr std::size_t kBits = 14;
constexpr std::size_t kExtraSize = 16;
constexpr std::size_t kMinChunk = 14;  // a "fmt " chunk without bits per sample
constexpr uint16_t kMaxExtra = LWaveFileFormat::kBufferSize - LWaveFileFormat::kHeaderSize;

// Fills in a plain PCM descriptor with no extra bytes.
void DescribePcm(LWaveFileFormat& format, uint32_t rate, int channels, int bits) {
  const auto align = static_cast<uint16_t>(channels * ((bits + 7) / 8));
  format.SetTag(LWaveFileFormat::kTagPcm);
  format.SetChannels(static_cast<uint16_t>(channels));
  format.SetSamplesPerSec(rate);
  format.SetAvgBytesPerSec(rate * align);
  format.SetBlockAlign(align);
  format.SetBitsPerSample(static_cast<uint16_t>(bits));
}

}  // namespace

LWaveFileFormat::LWaveFileFormat(int bits) { DescribePcm(*this, 8000, 1, bits == 8 ? 8 : 16); }

LWaveFileFormat LWaveFileFormat::Pcm(uint32_t rate, int channels, int bits) {
  LWaveFileFormat format;
  DescribePcm(format, rate, channels, bits);
  return format;
}

uint16_t LWaveFileFormat::Tag() const { return LoadLeU16(&bytes_[kTag]); }
uint16_t LWaveFileFormat::Channels() const { return LoadLeU16(&bytes_[kChannels]); }
uint32_t LWaveFileFormat::SamplesPerSec() const { return LoadLeU32(&bytes_[kRate]); }
uint32_t LWaveFileFormat::AvgBytesPerSec() const { return LoadLeU32(&bytes_[kAvgBytes]); }
uint16_t LWaveFileFormat::BlockAlign() const { return LoadLeU16(&bytes_[kBlockAlign]); }
uint16_t LWaveFileFormat::BitsPerSample() const { return LoadLeU16(&bytes_[kBits]); }

// A descriptor read from a ".wff" file may claim more extra bytes than the
// buffer holds; Data() and Size() must never reach past it.
uint16_t LWaveFileFormat::ExtraSize() const {
  return std::min(LoadLeU16(&bytes_[kExtraSize]), kMaxExtra);
}

void LWaveFileFormat::SetTag(uint16_t tag) { StoreLe16(&bytes_[kTag], tag); }
void LWaveFileFormat::SetChannels(uint16_t channels) { StoreLe16(&bytes_[kChannels], channels); }
void LWaveFileFormat::SetSamplesPerSec(uint32_t rate) { StoreLe32(&bytes_[kRate], rate); }
void LWaveFileFormat::SetAvgBytesPerSec(uint32_t bytes) { StoreLe32(&bytes_[kAvgBytes], bytes); }
void LWaveFileFormat::SetBlockAlign(uint16_t align) { StoreLe16(&bytes_[kBlockAlign], align); }
void LWaveFileFormat::SetBitsPerSample(uint16_t bits) { StoreLe16(&bytes_[kBits], bits); }

bool LWaveFileFormat::SetExtra(const uint8_t* extra, uint16_t size) {
  if (size > kMaxExtra) return false;
  if (size > 0) std::memcpy(&bytes_[kHeaderSize], extra, size);
  StoreLe16(&bytes_[kExtraSize], size);
  return true;
}

bool LWaveFileFormat::Assign(const uint8_t* data, std::size_t size) {
  if (size < kMinChunk) return false;
  const std::size_t kept = std::min(size, kBufferSize);
  bytes_.fill(0);
  std::memcpy(bytes_.data(), data, kept);
  // Extra bytes are only what the chunk really holds (none below 18 bytes).
  const std::size_t present = kept > kHeaderSize ? kept - kHeaderSize : 0;
  if (kept < kHeaderSize || LoadLeU16(&bytes_[kExtraSize]) > present) {
    StoreLe16(&bytes_[kExtraSize], static_cast<int32_t>(present));
  }
  return true;
}

bool LWaveFileFormat::UnwrapExtensible() {
  constexpr uint16_t kTagExtensible = 0xFFFE;
  constexpr uint16_t kExtensibleSize = 22;  // valid bits, channel mask, sub-format GUID
  constexpr std::size_t kSubFormat = 6;     // the GUID starts with the real tag
  if (Tag() != kTagExtensible) return true;
  if (ExtraSize() < kExtensibleSize) return false;
  SetTag(LoadLeU16(Extra() + kSubFormat));
  StoreLe16(&bytes_[kExtraSize], 0);
  return true;
}

void LWaveFileFormat::ReadWff(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Valid()) ReadUpTo(fd.Get(), bytes_.data(), kBufferSize);
}

bool LWaveFileFormat::WriteWff(const std::string& path) const {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  const std::string_view all(reinterpret_cast<const char*>(bytes_.data()), kBufferSize);
  if (fd.Valid() && WriteFully(fd.Get(), all)) return true;
  Trace("LWaveFileFormat::WriteWff Unable to write %s: %s", path.c_str(), std::strerror(errno));
  return false;
}

bool LWaveFileFormat::TestSupportedRecord() const {
  // 8- and 16-bit PCM is written by the PCM sinks themselves; everything
  // else, deeper PCM included, by the codec set.
  if (Tag() == kTagPcm && BitsPerSample() <= 16) {
    return (BitsPerSample() == 8 || BitsPerSample() == 16) && Channels() >= 1 &&
           Channels() <= 255 && SamplesPerSec() >= 1;
  }
  return LCodecStream::Open(Pcm(SamplesPerSec(), Channels(), 16), *this) != nullptr;
}
