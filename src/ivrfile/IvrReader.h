#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class IvrChecksum;
class LProgress;

// Sequential little-endian reads of an open ".ivr" file through a small
// buffer. Every read says whether the bytes were there; nothing is sized
// from a length taken from the file before those bytes have arrived.
class IvrReader {
 public:
  enum class SumResult { kDone, kShort, kCancelled };

  explicit IvrReader(int fd) : fd_(fd) {}

  bool Byte(uint8_t& value);
  bool U16(uint16_t& value);
  bool U32(uint32_t& value);
  // `size` bytes into `out`.
  bool Bytes(std::size_t size, std::string& out);
  // A 1-byte length and that many bytes.
  bool ShortString(std::string& out);
  // Passes over `size` bytes adding them to `sum`, testing the cancel
  // request between blocks.
  SumResult Sum(uint32_t size, IvrChecksum& sum, LProgress& progress);

  int64_t Position() const { return position_; }

 private:
  // Makes at least one byte available; false at the end of the file.
  bool Fill();

  int fd_;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(16384);
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  int64_t position_ = 0;
};
