#include "audio/Mp3FrameDecoder.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "audio/MP3Header.h"
#include "audio/Mp3Huffman.h"
#include "audio/Mp3Dequantizer.h"
#include "audio/Mp3Stereo.h"

Mp3FrameDecoder::Mp3FrameDecoder() { Reset(); }

bool Mp3FrameDecoder::TablesReady() { return Mp3Huffman::Instance().IsValid(); }

void Mp3FrameDecoder::Reset() {
  reservoirSize_ = 0;
  std::fill(reservoir_.begin(), reservoir_.end(), 0);
  for (auto& channel : overlap_) std::fill(std::begin(channel), std::end(channel), 0.0f);
  for (Mp3Synthesis& synthesis : synthesis_) synthesis.Reset();
  factors_[0] = factors_[1] = Mp3ScaleFactors{};
}

bool Mp3FrameDecoder::Append(const uint8_t* data, std::size_t size) {
  if (size > kReservoirBytes - kMaxBack) return false;
  if (reservoirSize_ + size > kReservoirBytes) {
    // Only the last 511 bytes can still be pointed back to.
    std::memmove(reservoir_.data(), reservoir_.data() + reservoirSize_ - kMaxBack, kMaxBack);
    reservoirSize_ = kMaxBack;
  }
  std::memcpy(reservoir_.data() + reservoirSize_, data, size);
  reservoirSize_ += size;
  std::fill_n(reservoir_.begin() + static_cast<std::ptrdiff_t>(reservoirSize_), kPadding, 0);
  return true;
}

Mp3FrameDecoder::Result Mp3FrameDecoder::Decode(const MP3Header& header, const uint8_t* body,
                                                std::size_t size, int32_t* pcm) {
  const auto sideBytes = static_cast<std::size_t>(header.SideInfoBytes());
  if (!side_.Parse(header, body, size)) return Result::kSkipped;
  const std::size_t available = reservoirSize_;
  if (!Append(body + sideBytes, size - sideBytes)) {
    reservoirSize_ = 0;
    return Result::kSkipped;
  }
  const auto back = static_cast<std::size_t>(side_.mainDataBegin);
  if (back > available) return Result::kSkipped;  // the reservoir lacks the bytes pointed back to
  const std::size_t start = reservoirSize_ - (size - sideBytes) - back;
  Mp3BitReader bits(reservoir_.data() + start, reservoirSize_ - start);
  std::size_t bitPos = 0;
  for (int gr = 0; gr < header.Granules(); ++gr) {
    DecodeGranule(header, bits, bitPos, gr, pcm + gr * 576 * header.Channels());
  }
  return Result::kDecoded;
}

void Mp3FrameDecoder::DecodeGranule(const MP3Header& header, Mp3BitReader& bits,
                                    std::size_t& bitPos, int gr, int32_t* pcm) {
  const Mp3Dequantizer& spectrum = Mp3Dequantizer::Instance();
  const int channels = header.Channels();
  const int rate = header.RateIndex();
  int nonzero[2] = {0, 0};
  for (int ch = 0; ch < channels; ++ch) {
    Mp3GranuleInfo& info = side_.granule[gr][ch];
    bits.SetPosition(bitPos);
    const std::size_t end = bitPos + static_cast<std::size_t>(info.part23Length);
    if (header.version == 0) {
      factors_[ch].ReadMpeg1(bits, info, side_.scfsi[ch], gr);
    } else {
      const bool intensity =
          ch == 1 && header.mode == MP3Header::kJointStereo && (header.modeExtension & 1) != 0;
      factors_[ch].ReadLowRate(bits, info, intensity);
    }
    nonzero[ch] = spectrum.DecodeValues(bits, end, info, values_);
    spectrum.Requantize(values_, nonzero[ch], info, factors_[ch], rate, lines_[ch]);
    bitPos = end;
  }
  if (channels == 2) {
    Mp3Stereo::Process(header, side_.granule[gr][1], factors_[1], lines_[0], lines_[1], nonzero);
  }
  for (int ch = 0; ch < channels; ++ch) {
    Mp3Imdct::Instance().Process(side_.granule[gr][ch], rate, lines_[ch], nonzero[ch], overlap_[ch],
                                 subbands_);
    synthesis_[ch].Run(subbands_, Mp3Imdct::kSlots, pcm + ch, channels);
  }
}
