// Feeds arbitrary output, in arbitrary chunks, through a plug-in's output
// buffer and the pair decoder: the text must be the first bytes up to the
// limit and the first zero byte, and the decoded pairs must survive being
// encoded again and decoded a second time.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "core/QueryText.h"
#include "plugins/PluginOutputBuffer.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

void Require(bool condition) {
  if (!condition) std::abort();
}

Pairs Decode(const std::string& text) {
  Pairs pairs;
  ParseQueryText(text, [&](const std::string& name, const std::string& value) {
    pairs.emplace_back(name, value);
  });
  return pairs;
}

std::string Encode(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == ' ') {
      out += '+';
    } else if (c <= ' ' || c >= 0x7f || c == '=' || c == '&' || c == '%' || c == '+') {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::string written;
  PluginOutputBuffer buffer;
  while (input.remaining_bytes() > 0) {
    std::string chunk = input.ConsumeRandomLengthString(40000);
    written += chunk;
    buffer.Append(chunk.data(), chunk.size());
  }
  std::string expected = written.substr(0, PluginOutputBuffer::kMaxText);
  expected = expected.substr(0, expected.find('\0'));
  const std::string text = buffer.Text();
  Require(text == expected);

  Pairs pairs = Decode(text);
  Require(pairs.size() <= static_cast<std::size_t>(std::count(text.begin(), text.end(), '=')) + 1);
  std::string again;
  for (const auto& [name, value] : pairs) {
    Require(!name.empty() && name.size() <= text.size() && value.size() <= text.size());
    again += (again.empty() ? "" : "&") + Encode(name) + "=" + Encode(value);
  }
  Require(Decode(again) == pairs);
  return 0;
}
