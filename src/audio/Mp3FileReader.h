#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/UniqueFd.h"

// Buffered reading of an MP3 file within its byte budget: the file size
// less the last 128 bytes, where a trailing tag may sit and which is never
// decoded. Every byte read is taken off the budget. A leading ID3v2 tag
// (cover art makes it any size) is skipped by its declared size, so the
// audio starts at Start().
class Mp3FileReader {
 public:
  static constexpr int64_t kTailBytes = 128;

  explicit Mp3FileReader(const std::string& path);

  bool IsOpen() const { return fd_.Valid(); }
  int64_t Budget() const { return budget_; }
  int64_t Start() const { return start_; }
  // Audio bytes in the budget.
  int64_t AudioBytes() const { return budget_ - start_; }
  // Budget bytes not yet read.
  int64_t Left() const { return budget_ - offset_; }
  int64_t Offset() const { return offset_; }
  // Reads exactly `size` bytes; false (nothing consumed) when the budget or
  // the file ends first.
  bool Read(uint8_t* out, std::size_t size);
  // Moves to `offset` (within 0..budget) and restores the budget to match.
  void SeekTo(int64_t offset);

 private:
  bool Fill();

  UniqueFd fd_;
  int64_t budget_ = 0;
  int64_t start_ = 0;
  int64_t offset_ = 0;
  std::vector<uint8_t> buffer_;
  int64_t bufferStart_ = 0;  // file offset of buffer_[0]
  std::size_t bufferSize_ = 0;
};
