// Reads arbitrary header values of an incoming INVITE (P-Asserted-Identity,
// From, Privacy, Alert-Info, request URI) and a REFER's NOTIFY body, split
// from the input at NUL bytes: every result is bounded and printable.
#include <cstdlib>
#include <string_view>
#include <vector>

#include "telephony/sip/SipCallerId.h"
#include "telephony/sip/SipTransfer.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void RequirePrintable(const std::string& text) {
  Require(text.size() <= SipCallerId::kMaxText);
  for (const unsigned char c : text) Require(c >= 0x20 && c != 0x7f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> fields;
  while (fields.size() < 4) {
    const size_t end = input.find('\0');
    fields.push_back(input.substr(0, end));
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
  }
  const SipCallerId caller = SipCallerId::Parse(fields[0], fields[1], fields[2]);
  RequirePrintable(caller.number);
  RequirePrintable(caller.name);
  if (caller.blocked) Require(caller.number == SipCallerId::kBlocked && caller.name.empty());
  const int ring = SipCallerId::RingPatternNumber(fields[3]);
  Require(ring >= 0 && ring <= 999);
  RequirePrintable(SipCallerId::UriUser(fields[3]));
  const uint16_t status = SipTransfer::SipfragStatus(fields[3]);
  Require(status == 0 || (status >= 100 && status <= 699));
  return 0;
}
