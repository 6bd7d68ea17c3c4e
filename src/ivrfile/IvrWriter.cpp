#include "ivrfile/IvrWriter.h"

#include <algorithm>

#include "core/FileIo.h"
#include "core/Path.h"
#include "ivrfile/IvrFormat.h"

namespace {

constexpr std::size_t kFlushAt = 65536;

}  // namespace

void IvrWriter::Byte(uint8_t value) { Bytes(std::string_view(reinterpret_cast<char*>(&value), 1)); }

void IvrWriter::U16(uint16_t value) {
  Byte(static_cast<uint8_t>(value));
  Byte(static_cast<uint8_t>(value >> 8));
}

void IvrWriter::U32(uint32_t value) {
  U16(static_cast<uint16_t>(value));
  U16(static_cast<uint16_t>(value >> 16));
}

void IvrWriter::Bytes(std::string_view bytes) {
  if (!ok_) return;
  buffer_.append(bytes);
  if (buffer_.size() >= kFlushAt) Flush();
}

void IvrWriter::ShortString(std::string_view text) {
  const std::string cut = CutText(text, kIvrMaxShortString);
  Byte(static_cast<uint8_t>(cut.size()));
  Bytes(cut);
}

void IvrWriter::NameList(const std::vector<std::string>& titles) {
  const std::size_t count = std::min(titles.size(), kIvrMaxListCount);
  U16(static_cast<uint16_t>(count));
  for (std::size_t i = 0; i < count; ++i) ShortString(titles[i]);
}

bool IvrWriter::Flush() {
  if (ok_ && !buffer_.empty()) ok_ = WriteFully(fd_, buffer_);
  buffer_.clear();
  return ok_;
}
