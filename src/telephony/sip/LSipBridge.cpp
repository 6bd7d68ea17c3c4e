#include "telephony/sip/LSipBridge.h"

#include "core/Trace.h"
#include "telephony/sip/SipCall.h"

LSipBridge::LSipBridge(std::unique_ptr<SipCall> first, std::unique_ptr<SipCall> second,
                       std::function<void()> onEnded)
    : legs_{Leg(*this, 0), Leg(*this, 1)}, onEnded_(std::move(onEnded)) {
  legs_[0].call = std::move(first);
  legs_[1].call = std::move(second);
  for (Leg &leg : legs_) {
    if (leg.call) leg.call->SetListener(&leg);
  }
  Trace("LSipBridge joined the calls");
}

LSipBridge::~LSipBridge() {
  for (Leg &leg : legs_) {
    if (leg.call) leg.call->SetListener(nullptr);
    leg.call.reset();
  }
}

void LSipBridge::Forward(int from, std::span<const uint8_t> packet) {
  Leg &source = legs_[from];
  Leg &target = legs_[1 - from];
  if (!source.call || !target.call) return;
  if (target.call->GetState() != SipCall::State::kEstablished) return;
  const std::vector<uint8_t> out =
      target.relay.Relay(packet, source.call->Media(), target.call->Media());
  if (!out.empty() && target.call->SendRtp(out)) ++target.relayed;
}

// Called from inside the ended call's own report, which allows destroying
// it; nothing of the bridge is touched after onEnded, which may destroy it.
void LSipBridge::LegEnded(int index) {
  Trace("LSipBridge party %d hung up, hanging up the other; relayed %u packets to party 1, %u "
        "to party 2",
        index + 1, legs_[0].relayed, legs_[1].relayed);
  for (Leg &leg : legs_) {
    if (leg.call) leg.call->SetListener(nullptr);
    leg.call.reset();
  }
  if (onEnded_) {
    const std::function<void()> callback = onEnded_;
    callback();
  }
}

void LSipBridge::Leg::OnCallEstablished() { Trace("LSipBridge party %d answered", index_ + 1); }

void LSipBridge::Leg::OnCallEnded(const SipCallEnd &end) {
  Trace("LSipBridge party %d ended (%d, %u)", index_ + 1, static_cast<int>(end.reason), end.code);
  bridge_.LegEnded(index_);
}

void LSipBridge::Leg::OnRtpPacket(std::span<const uint8_t> packet) {
  bridge_.Forward(index_, packet);
}
