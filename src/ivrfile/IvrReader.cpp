#include "ivrfile/IvrReader.h"

#include <algorithm>

#include "audio/LProgress.h"
#include "core/FileIo.h"
#include "ivrfile/IvrFormat.h"

bool IvrReader::Fill() {
  if (begin_ < end_) return true;
  begin_ = 0;
  end_ = ReadUpTo(fd_, buffer_.data(), buffer_.size());
  return end_ > 0;
}

bool IvrReader::Byte(uint8_t& value) {
  if (!Fill()) return false;
  value = buffer_[begin_++];
  ++position_;
  return true;
}

bool IvrReader::U16(uint16_t& value) {
  uint8_t low = 0;
  uint8_t high = 0;
  if (!Byte(low) || !Byte(high)) return false;
  value = static_cast<uint16_t>(low | high << 8);
  return true;
}

bool IvrReader::U32(uint32_t& value) {
  uint16_t low = 0;
  uint16_t high = 0;
  if (!U16(low) || !U16(high)) return false;
  value = low | static_cast<uint32_t>(high) << 16;
  return true;
}

bool IvrReader::Bytes(std::size_t size, std::string& out) {
  out.clear();
  while (out.size() < size) {
    if (!Fill()) return false;
    const std::size_t n = std::min(size - out.size(), end_ - begin_);
    out.append(reinterpret_cast<const char*>(buffer_.data() + begin_), n);
    begin_ += n;
    position_ += static_cast<int64_t>(n);
  }
  return true;
}

bool IvrReader::ShortString(std::string& out) {
  uint8_t size = 0;
  return Byte(size) && Bytes(size, out);
}

IvrReader::SumResult IvrReader::Sum(uint32_t size, IvrChecksum& sum, LProgress& progress) {
  while (size > 0) {
    if (progress.IsCancelled()) return SumResult::kCancelled;
    if (!Fill()) return SumResult::kShort;
    const std::size_t n = std::min<std::size_t>(size, end_ - begin_);
    sum.Add(buffer_.data() + begin_, n);
    begin_ += n;
    position_ += static_cast<int64_t>(n);
    size -= static_cast<uint32_t>(n);
  }
  return SumResult::kDone;
}
