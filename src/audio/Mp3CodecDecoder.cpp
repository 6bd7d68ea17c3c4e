#include "audio/Mp3CodecDecoder.h"

#include <algorithm>

#include "audio/LCodecBytes.h"
#include "audio/MP3Header.h"

namespace {

constexpr uint32_t kMaxFrameBytes = 1441;  // 320 kbit/s at 32 kHz, or 160 at 8 kHz, padded
constexpr uint32_t kMinFrameBytes = 24;    // 8 kbit/s at 24 kHz

int16_t To16(int32_t chain) {
  return static_cast<int16_t>(std::clamp((chain + 8) >> 4, -32768, 32767));
}

}  // namespace

Mp3CodecDecoder::Mp3CodecDecoder(uint32_t rate, uint16_t channels)
    : rate_(rate),
      channels_(channels),
      samplesPerFrame_(rate >= 32000 ? 1152 : 576),
      decoder_(std::make_unique<Mp3FrameDecoder>()),
      pcm_(std::make_unique<int32_t[]>(Mp3FrameDecoder::kMaxFrameSamples)) {}

uint32_t Mp3CodecDecoder::SourceSizeFor(uint32_t destBytes) const {
  const uint32_t frames = destBytes / FrameOutputBytes();
  return frames == 0 ? 0 : (frames + 1) * kMaxFrameBytes;
}

uint32_t Mp3CodecDecoder::DestSizeFor(uint32_t sourceBytes) const {
  return sourceBytes == 0 ? 0 : (sourceBytes / kMinFrameBytes + 1) * FrameOutputBytes();
}

bool Mp3CodecDecoder::Convert(const uint8_t* source, uint32_t sourceBytes, uint32_t& sourceUsed,
                              uint8_t* dest, uint32_t destBytes, uint32_t& destUsed, Mode mode) {
  sourceUsed = destUsed = 0;
  if (mode == Mode::kStart) {
    decoder_->Reset();
    return true;
  }
  uint32_t at = 0;
  bool full = false;  // the output has no room for another frame
  MP3Header header;
  while (at + 4 <= sourceBytes) {
    if (!MP3Header::Parse(source + at, header) ||
        header.SampleRate() != static_cast<int32_t>(rate_) || header.Channels() != channels_) {
      ++at;  // no frame of this stream starts here
      continue;
    }
    const auto frameBytes = static_cast<uint32_t>(header.FrameBytes());
    const uint32_t headerBytes = header.protection == 0 ? 6 : 4;
    if (at + frameBytes > sourceBytes) break;
    if (destBytes - destUsed < FrameOutputBytes()) {
      full = true;
      break;
    }
    if (frameBytes > headerBytes &&
        decoder_->Decode(header, source + at + headerBytes, frameBytes - headerBytes, pcm_.get()) ==
            Mp3FrameDecoder::Result::kDecoded) {
      for (uint32_t i = 0; i < samplesPerFrame_ * channels_; ++i)
        StoreLe16(dest + destUsed + 2 * i, To16(pcm_[i]));
      destUsed += FrameOutputBytes();
    }
    at += frameBytes;
  }
  // A frame begun and the last bytes that may begin a header wait for more
  // input; a flush drops what cannot make a whole frame.
  sourceUsed = mode == Mode::kEnd && !full ? sourceBytes : at;
  return true;
}
