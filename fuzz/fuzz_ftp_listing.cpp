// Reads an arbitrary name listing from an FTP server and, for a second input
// (split at the first NUL), a server text as a mailbox gives it: every name
// kept is one plain, non-empty name without control characters that matches
// the pattern, and a server text that is taken gives a URL of its own form.
#include <fnmatch.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "mail/transfer/FtpNameList.h"
#include "mail/transfer/FtpServerAddress.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view listing = input.substr(0, split);
  for (const char* pattern : {"*.wav", "*"}) {
    for (const std::string& name : MatchingNames(listing, pattern)) {
      Require(!name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos);
      for (const unsigned char c : name) Require(c >= 0x20 && c != 0x7f);
      Require(::fnmatch(pattern, name.c_str(), 0) == 0);
    }
  }
  if (split != std::string_view::npos) {
    const std::optional<FtpServerAddress> server = FtpServerAddress::Parse(input.substr(split + 1));
    if (server) {
      const std::string url = server->Url();
      Require(url.starts_with("ftp://") && url.ends_with("/") && server->port >= 1 && server->port <= 65535);
      Require(url.find_first_of("@/ \r\n", 6) == url.size() - 1);
    }
  }
  return 0;
}
