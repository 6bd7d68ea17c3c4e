#include "audio/LCodecMp3.h"

#include <lame/lame.h>

#include <algorithm>
#include <array>

#include "audio/LCodecBytes.h"
#include "audio/LWaveFileFormat.h"
#include "audio/Mp3CodecDecoder.h"
#include "core/Trace.h"

namespace {

// The encoder's guaranteed output bound per call, and what a flush may add.
constexpr uint32_t kFlushBytes = 7200;
uint32_t WorstCase(uint32_t frames) { return frames + frames / 4 + kFlushBytes; }

// Sample rates 32 kHz and up are MPEG-1 (1152-sample frames); below, the
// half-rate extensions (576-sample frames) with their own bit rate list.
bool IsMpeg1(uint32_t rate) { return rate >= 32000; }

bool IsLegal(uint32_t rate, uint32_t kbps) {
  static constexpr std::array<uint32_t, 9> kRates = {8000,  11025, 12000, 16000, 22050,
                                                     24000, 32000, 44100, 48000};
  static constexpr std::array<uint32_t, 14> kMpeg1 = {32,  40,  48,  56,  64,  80,  96,
                                                      112, 128, 160, 192, 224, 256, 320};
  static constexpr std::array<uint32_t, 14> kLow = {8,  16, 24, 32,  40,  48,  56,
                                                    64, 80, 96, 112, 128, 144, 160};
  const auto& rates = IsMpeg1(rate) ? kMpeg1 : kLow;
  return std::find(kRates.begin(), kRates.end(), rate) != kRates.end() &&
         std::find(rates.begin(), rates.end(), kbps) != rates.end();
}

uint32_t DefaultKbps(uint32_t rate, uint16_t channels) {
  if (IsMpeg1(rate)) return 64u * channels;
  return (rate >= 22050 ? 32u : rate >= 16000 ? 24u : 16u) * channels;
}

// Samples of delay a standard decoder shows before the first input sample:
// the encoder's 576 plus the decoder's 529.
constexpr uint16_t kCodecDelay = 576 + 529;

}  // namespace

std::unique_ptr<LCodecStream> LCodecMp3::Open(const LWaveFileFormat& mp3, bool decode) {
  const uint32_t bits = mp3.AvgBytesPerSec() * 8;
  if (mp3.Tag() != kTag || mp3.Channels() < 1 || mp3.Channels() > 2) return nullptr;
  if (decode) {
    // Any bit rate decodes, variable ones too; only the rate must be one of
    // the format's.
    if (!IsLegal(mp3.SamplesPerSec(), IsMpeg1(mp3.SamplesPerSec()) ? 32 : 8)) return nullptr;
    return std::make_unique<Mp3CodecDecoder>(mp3.SamplesPerSec(), mp3.Channels());
  }
  if (bits % 1000 != 0 || !IsLegal(mp3.SamplesPerSec(), bits / 1000)) return nullptr;
  auto stream = std::make_unique<LCodecMp3>(mp3.SamplesPerSec(), mp3.Channels(), bits / 1000);
  if (!stream->IsReady()) return nullptr;
  return stream;
}

bool LCodecMp3::Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels) {
  const uint32_t kbps = DefaultKbps(rate, channels);
  if (channels < 1 || channels > 2 || !IsLegal(rate, kbps)) return false;
  // Frame bytes without the padding byte; where that is exact no frame is
  // ever padded, so the flag can say so.
  const uint32_t perFrame = (IsMpeg1(rate) ? 144000u : 72000u) * kbps;
  const uint32_t flags = perFrame % rate == 0 ? 2 : 0;  // padding off : as the standard says
  std::array<uint8_t, kExtraSize> extra{};
  StoreLe16(extra.data(), 1);  // MPEG audio
  StoreLe32(extra.data() + 2, flags);
  StoreLe16(extra.data() + 6, static_cast<int32_t>(perFrame / rate));
  StoreLe16(extra.data() + 8, 1);  // frames per block
  StoreLe16(extra.data() + 10, kCodecDelay);
  format.SetBitsPerSample(0);
  format.SetBlockAlign(1);
  format.SetAvgBytesPerSec(kbps * 1000 / 8);
  return format.SetExtra(extra.data(), kExtraSize);
}

LCodecMp3::LCodecMp3(uint32_t rate, uint16_t channels, uint32_t kbps)
    : rate_(rate), channels_(channels), kbps_(kbps) {
  Restart();
}

LCodecMp3::~LCodecMp3() {
  if (lame_ != nullptr) lame_close(lame_);
}

void LCodecMp3::Restart() {
  if (lame_ != nullptr) lame_close(lame_);
  lame_ = lame_init();
  if (lame_ == nullptr) {
    Trace("LCodecMp3 Unable to create the encoder FAILED");
    return;
  }
  lame_set_num_channels(lame_, channels_);
  lame_set_in_samplerate(lame_, static_cast<int>(rate_));
  lame_set_out_samplerate(lame_, static_cast<int>(rate_));
  lame_set_brate(lame_, static_cast<int>(kbps_));
  lame_set_mode(lame_, channels_ == 1 ? MONO : JOINT_STEREO);
  lame_set_VBR(lame_, vbr_off);
  // Plain frames only: no tag frames at the start of the data chunk.
  lame_set_bWriteVbrTag(lame_, 0);
  lame_set_write_id3tag_automatic(lame_, 0);
  if (lame_init_params(lame_) < 0) {
    Trace("LCodecMp3 Unable to set up the encoder for %u Hz, %u kbit/s FAILED", rate_, kbps_);
    lame_close(lame_);
    lame_ = nullptr;
  }
}

uint32_t LCodecMp3::SourceSizeFor(uint32_t destBytes) const {
  if (destBytes <= 2 * kFlushBytes) return 0;
  const uint64_t frames = static_cast<uint64_t>(destBytes - 2 * kFlushBytes) * 4 / 5;
  return static_cast<uint32_t>(std::min<uint64_t>(frames * 2 * channels_, UINT32_MAX / 2));
}

uint32_t LCodecMp3::DestSizeFor(uint32_t sourceBytes) const {
  if (sourceBytes == 0) return 0;
  const uint32_t frames = (sourceBytes + 2u * channels_ - 1) / (2u * channels_);
  return WorstCase(frames) + kFlushBytes;
}

bool LCodecMp3::Convert(const uint8_t* source, uint32_t sourceBytes, uint32_t& sourceUsed,
                        uint8_t* dest, uint32_t destBytes, uint32_t& destUsed, Mode mode) {
  sourceUsed = 0;
  destUsed = 0;
  if (mode == Mode::kStart && !failed_) Restart();
  if (failed_ || lame_ == nullptr) return false;

  const uint32_t frameBytes = 2u * channels_;
  const uint32_t total = sourceBytes / frameBytes;
  uint32_t done = 0;
  while (done < total) {
    const uint32_t frames = std::min(kChunk, total - done);
    if (destBytes - destUsed < WorstCase(frames)) break;
    uint32_t produced = 0;
    if (!Encode(source + done * frameBytes, frames, dest + destUsed, destBytes - destUsed,
                produced)) {
      failed_ = true;
      return false;
    }
    done += frames;
    destUsed += produced;
  }
  sourceUsed = done * frameBytes;
  if (mode == Mode::kEnd && done == total && destBytes - destUsed >= kFlushBytes) {
    // A fraction of a frame has no sample to encode; the flush pads the
    // last MPEG frame with silence. Afterwards the stream starts afresh.
    sourceUsed = sourceBytes;
    const int flushed =
        lame_encode_flush(lame_, dest + destUsed, static_cast<int>(destBytes - destUsed));
    if (flushed < 0) {
      failed_ = true;
      return false;
    }
    destUsed += static_cast<uint32_t>(flushed);
    Restart();
  }
  return true;
}

bool LCodecMp3::Encode(const uint8_t* source, uint32_t frames, uint8_t* dest, uint32_t room,
                       uint32_t& produced) {
  for (uint32_t i = 0; i < frames; ++i) {
    left_[i] = LoadLe16(source + 2u * channels_ * i);
    right_[i] = channels_ == 2 ? LoadLe16(source + 4 * i + 2) : left_[i];
  }
  const int bytes = lame_encode_buffer(lame_, left_.data(), right_.data(), static_cast<int>(frames),
                                       dest, static_cast<int>(room));
  if (bytes < 0) {
    Trace("LCodecMp3 Encoder error %d FAILED", bytes);
    return false;
  }
  produced = static_cast<uint32_t>(bytes);
  return true;
}
