// Feeds arbitrary telephone-event packets (a timestamp and a payload each)
// to the receiver, checking that a payload decodes to what re-encodes to it
// and that the receiver only ever reports keys.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

#include "telephony/dsp/DtmfKeypad.h"
#include "telephony/rtp/LRtpEventReceiver.h"
#include "telephony/rtp/LRtpTelephoneEvent.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  LRtpEventReceiver receiver;
  while (input.remaining_bytes() > 0) {
    const uint32_t timestamp = input.ConsumeIntegral<uint32_t>();
    const std::vector<uint8_t> payload = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 8));
    LRtpTelephoneEvent event;
    if (LRtpTelephoneEvent::Decode(payload, event)) {
      const auto again = event.Encode();
      Require(again[0] == payload[0] && again[1] == (payload[1] & 0xBF) && again[2] == payload[2] &&
              again[3] == payload[3]);
    }
    const char key = receiver.Receive(timestamp, payload);
    Require(key == 0 || DtmfEventCode(key) >= 0);
    Require(key == 0 || payload.size() >= LRtpTelephoneEvent::kSize);
  }
  return 0;
}
