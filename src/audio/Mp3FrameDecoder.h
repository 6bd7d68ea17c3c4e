#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "audio/Mp3Imdct.h"
#include "audio/Mp3ScaleFactors.h"
#include "audio/Mp3SideInfo.h"
#include "audio/Mp3Synthesis.h"

struct MP3Header;

// Decodes Layer III frames into chain-scale samples, keeping the state that
// links frames: the bit reservoir, the IMDCT overlap and the synthesis
// history. Holds no per-frame allocation; about 40 KB in all.
class Mp3FrameDecoder {
 public:
  static constexpr int kMaxFrameSamples = 1152 * 2;

  enum class Result {
    kDecoded,  // `pcm` holds the frame's samples
    kSkipped,  // the frame's main data could not be assembled or is corrupt
  };

  Mp3FrameDecoder();
  Mp3FrameDecoder(const Mp3FrameDecoder&) = delete;
  Mp3FrameDecoder& operator=(const Mp3FrameDecoder&) = delete;

  // `body` is the frame after its header and CRC: side information, then
  // main data. Writes SamplesPerFrame() * Channels() interleaved samples.
  Result Decode(const MP3Header& header, const uint8_t* body, std::size_t size, int32_t* pcm);
  // Forgets everything carried between frames (after a jump in the stream).
  void Reset();
  // False when the decoder's tables could not be built.
  static bool TablesReady();

 private:
  static constexpr std::size_t kMaxBack = 511;  // the farthest main data may begin back
  static constexpr std::size_t kReservoirBytes = 4096;
  static constexpr std::size_t kPadding = 8;

  // Adds a frame's main data; returns false when it does not fit at all.
  bool Append(const uint8_t* data, std::size_t size);
  void DecodeGranule(const MP3Header& header, Mp3BitReader& bits, std::size_t& bitPos, int gr,
                     int32_t* pcm);

  std::array<uint8_t, kReservoirBytes + kPadding> reservoir_{};
  std::size_t reservoirSize_ = 0;
  Mp3SideInfo side_;
  Mp3ScaleFactors factors_[2];
  int values_[576] = {};
  float lines_[2][576] = {};
  float overlap_[2][576] = {};
  float subbands_[Mp3Imdct::kSubbands][Mp3Imdct::kRowLength] = {};
  Mp3Synthesis synthesis_[2];
};
