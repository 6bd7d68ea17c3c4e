#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "audio/LCodecBlockStream.h"

class LWaveFileFormat;
struct gsm_state;

// GSM 6.10 full-rate speech (format tag 0x31) in its WAVE framing: blocks of
// 65 bytes carrying two 160-sample frames, mono.
class LCodecGsm : public LCodecBlockStream {
 public:
  static constexpr uint16_t kTag = 0x31;
  static constexpr uint16_t kBlockAlign = 65;
  static constexpr uint16_t kSamplesPerBlock = 320;

  static std::unique_ptr<LCodecStream> Open(const LWaveFileFormat& format, bool decode);
  static bool Describe(LWaveFileFormat& format, uint32_t rate, uint16_t channels);

  explicit LCodecGsm(bool decode);
  ~LCodecGsm() override;

  // False when the codec state could not be created.
  bool IsReady() const { return state_ != nullptr; }

 protected:
  bool ConvertBlocks(const uint8_t* in, uint8_t* out, uint32_t count) override;
  void Reset() override;

 private:
  bool ConvertBlock(const uint8_t* in, uint8_t* out);

  gsm_state* state_ = nullptr;
  // The library reads and writes frames in place; one spare byte keeps its
  // 33-byte frame access inside the buffer for the block's second half.
  std::array<uint8_t, kBlockAlign + 1> frames_{};
  std::array<int16_t, kSamplesPerBlock> samples_{};
};
