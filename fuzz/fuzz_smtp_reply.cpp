// Feeds arbitrary server output to the SMTP reply reader in chunks whose
// sizes come from the input: it takes no byte after the reply, keeps lines
// and memory bounded, and agrees with itself whatever the chunking.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "mail/smtp/SmtpReplyReader.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const size_t chunk = 1 + data[0] % 64;
  const std::string_view reply(reinterpret_cast<const char*>(data) + 1, size - 1);

  SmtpReplyReader whole;
  const size_t taken = whole.Feed(reply);
  SmtpReplyReader pieces;
  size_t fed = 0;
  for (size_t at = 0; at < reply.size(); at += chunk) fed += pieces.Feed(reply.substr(at, chunk));

  Require(taken == fed && taken <= reply.size());
  Require(whole.Done() == pieces.Done() && whole.Code() == pieces.Code());
  Require(whole.Lines() == pieces.Lines());
  Require(whole.Lines().size() <= SmtpReplyReader::kMaxKeptLines);
  for (const std::string& line : whole.Lines()) {
    Require(line.size() <= SmtpReplyReader::kMaxLine);
    Require(line.find('\r') == std::string::npos && line.find('\n') == std::string::npos);
  }
  Require(whole.Code() >= 0);
  if (whole.Done()) {
    Require(reply[taken - 1] == '\n');
    Require(whole.Feed("250 more\r\n") == 0);
  } else {
    Require(taken == reply.size() || whole.TooLong());
  }
  return 0;
}
