// Reads arbitrary SIP INFO bodies as application/dtmf-relay: a body is
// either refused or gives a key, never anything else.
#include <cstdlib>
#include <string_view>

#include "telephony/dsp/DtmfKeypad.h"
#include "telephony/sip/LDtmfRelay.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  LDtmfRelay relay;
  if (LDtmfRelay::Parse(body, relay)) {
    Require(size <= LDtmfRelay::kMaxBody);
    Require(DtmfEventCode(relay.key) >= 0);
    Require(relay.key < 'a');
    Require(relay.durationMs <= 999999999u);
  }
  return 0;
}
