#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Little-endian writes of an ".ivr" file through a buffer. The first
// failed write (a full disk) sticks: later writes do nothing and Ok() stays
// false.
class IvrWriter {
 public:
  explicit IvrWriter(int fd) : fd_(fd) {}

  void Byte(uint8_t value);
  void U16(uint16_t value);
  void U32(uint32_t value);
  void Bytes(std::string_view bytes);
  // A 1-byte length and the text, cut to 255 bytes.
  void ShortString(std::string_view text);
  // A 2-byte count and the titles as short strings.
  void NameList(const std::vector<std::string>& titles);
  // Writes out what is buffered; false when any write failed.
  bool Flush();
  bool Ok() const { return ok_; }

 private:
  int fd_;
  std::string buffer_;
  bool ok_ = true;
};
