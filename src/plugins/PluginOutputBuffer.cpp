#include "plugins/PluginOutputBuffer.h"

#include <algorithm>

void PluginOutputBuffer::Append(const char* data, std::size_t size) {
  std::size_t room = kMaxText - bytes_.size();
  bytes_.append(data, std::min(size, room));
}

std::string PluginOutputBuffer::Text() const { return bytes_.substr(0, bytes_.find('\0')); }
