#include "telephony/rtp/LRtpEventReceiver.h"

#include <algorithm>

#include "telephony/dsp/DtmfKeypad.h"
#include "telephony/rtp/LRtpTelephoneEvent.h"

namespace {

// Packets of an event up to 10 s older than the last one are late copies;
// anything older means the sender started its timestamps anew.
constexpr uint32_t kLateWindow = 80000;
// A segment this close to the longest duration may be followed by the next.
constexpr uint32_t kSegmentSlack = 800;

}  // namespace

char LRtpEventReceiver::Receive(uint32_t timestamp, std::span<const uint8_t> payload) {
  LRtpTelephoneEvent event;
  if (!LRtpTelephoneEvent::Decode(payload, event)) return 0;
  if (known_ && timestamp == timestamp_) {
    duration_ = std::max(duration_, event.duration);
    ended_ = ended_ || event.end;
    return 0;
  }
  const uint32_t behind = timestamp_ - timestamp;
  if (known_ && behind <= kLateWindow) return 0;
  const bool continues = Continues(event.event, timestamp);
  const bool tooSoon = known_ && timestamp - timestamp_ < uint32_t{duration_} + kMinGapSamples;
  known_ = true;
  timestamp_ = timestamp;
  event_ = event.event;
  ended_ = event.end;
  duration_ = event.duration;
  return continues || tooSoon ? 0 : DtmfKeyOfEvent(event.event);
}

bool LRtpEventReceiver::Continues(uint8_t event, uint32_t timestamp) const {
  if (!known_ || ended_ || event != event_ || duration_ < 0xFFFF - kSegmentSlack) return false;
  const uint32_t ahead = timestamp - timestamp_;
  return ahead >= duration_ && ahead <= 0xFFFFu + kSegmentSlack;
}
