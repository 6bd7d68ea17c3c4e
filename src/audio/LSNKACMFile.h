#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/LCodecStream.h"
#include "audio/LSoundSinkBase.h"
#include "audio/LWaveFileFormat.h"
#include "core/UniqueFd.h"

// Writes a WAVE file in a codec format: the samples go to 16-bit PCM and
// through a codec stream. The header's sizes read 0xFFFFFFFF until the
// destructor flushes the codec and stores the real ones.
class LSNKACMFile final : public LSoundSinkBase {
 public:
  // Always starts a new, empty file in the `target` format.
  LSNKACMFile(const std::string& path, const LWaveFileFormat& target);
  ~LSNKACMFile() override;

  void Write(const int32_t* buffer, int32_t frames) override;

 private:
  void Open(const std::string& path);
  // Converts the source buffer and appends the output to the file.
  bool Encode(LCodecStream::Mode mode, uint32_t& consumed);
  void Fail(const char* what);

  UniqueFd fd_;
  LWaveFileFormat format_;
  uint32_t maxDataSize_;  // what the 32-bit sizes in the header can describe
  std::unique_ptr<LCodecStream> codec_;
  std::vector<uint8_t> source_;  // 16-bit PCM not yet converted
  uint32_t sourceLen_ = 0;
  std::vector<uint8_t> dest_;
  uint32_t compressed_ = 0;  // bytes of data written
};
