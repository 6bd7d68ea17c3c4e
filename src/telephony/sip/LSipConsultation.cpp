#include "telephony/sip/LSipConsultation.h"

#include "core/Trace.h"
#include "telephony/rtp/LRtpMedia.h"
#include "telephony/sip/SipCall.h"
#include "telephony/sip/SipDevice.h"

LSipConsultation::LSipConsultation(MainLoop &loop, const LClock &clock,
                                   LRtpMediaThread &thread)
    : media_(std::make_unique<LRtpMedia>(loop, clock, &thread, nullptr, SipMediaDescription{})) {
  media_->onKey = [this](char key) { Key(key); };
  media_->Start();
}

bool LSipConsultation::Place(SipDevice &device, const std::string &number) {
  if (placed_) return false;
  placed_ = true;
  call_ = device.PlaceCall(number, *this);
  if (!call_) {
    Trace("LSipConsultation call to \"%s\" FAILED", number.c_str());
    return false;
  }
  Trace("LSipConsultation calling \"%s\"", number.c_str());
  return true;
}

LSipConsultation::~LSipConsultation() {
  media_->Stop();
  if (call_) call_->SetListener(nullptr);
}

std::unique_ptr<SipCall> LSipConsultation::TakeCall() {
  if (call_) call_->SetListener(nullptr);
  media_->Stop();
  established_ = false;
  return std::move(call_);
}

void LSipConsultation::OnCallProgress(uint16_t code) {
  Trace("LSipConsultation call progress %u", code);
}

void LSipConsultation::OnCallEstablished() {
  Trace("LSipConsultation answered");
  established_ = true;
  if (!call_) return;
  media_->SetDescription(call_->Media());
  media_->SetSender(call_->RtpSender());
}

// The media keeps its pace, so the line's audio goes on into silence.
void LSipConsultation::OnCallEnded(const SipCallEnd &end) {
  Trace("LSipConsultation call ended (%d, %u)", static_cast<int>(end.reason), end.code);
  established_ = false;
  media_->SetSender(nullptr);
  call_.reset();
  if (onEnded) onEnded();
}

void LSipConsultation::OnInfoDigit(char key, uint32_t) { Key(key); }

void LSipConsultation::OnTransferResult(bool, uint16_t) {}

void LSipConsultation::OnRtpPacket(std::span<const uint8_t> packet) {
  if (established_) media_->OnRtpPacket(packet);
}

void LSipConsultation::OnMediaChanged() {
  if (call_) media_->SetDescription(call_->Media());
}

void LSipConsultation::Key(char key) {
  if (!established_ || !onKey) return;
  // A copy: the handler may end the leg.
  const std::function<void(char)> callback = onKey;
  callback(key);
}
