#pragma once

#include <cstddef>
#include <string>

// What a plug-in wrote to its standard output, as far as it counts: the
// first kMaxText bytes, read up to the first zero byte. Everything is
// accepted so the pipe keeps draining; bytes past the limit are dropped.
class PluginOutputBuffer {
 public:
  static constexpr std::size_t kBufferSize = 32768;
  static constexpr std::size_t kMaxText = kBufferSize - 1;

  void Append(const char* data, std::size_t size);
  // The output as text (what the plug-in returned).
  std::string Text() const;

 private:
  std::string bytes_;  // grows as output arrives, never past kMaxText
};
