#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "telephony/sip/SipCallListener.h"

class LClock;
class LRtpMedia;
class LRtpMediaThread;
class MainLoop;
class SipCall;
class SipDevice;

// The consultation leg a line opens with a hook flash: its own RTP media,
// running in real time from the flash on (sending nothing and hearing
// silence) so prompts and waits take their normal time, and, once the
// number is dialled, an outgoing call to it. When the far end answers, its
// audio and keys are those of the line. Loop thread only.
class LSipConsultation final : private SipCallListener {
 public:
  LSipConsultation(MainLoop &loop, const LClock &clock, LRtpMediaThread &thread);
  ~LSipConsultation() override;
  LSipConsultation(const LSipConsultation &) = delete;
  LSipConsultation &operator=(const LSipConsultation &) = delete;

  // Once: the call to `number`; false when it cannot be placed.
  bool Place(SipDevice &device, const std::string &number);
  bool IsPlaced() const { return placed_; }
  // Placed and not over yet (it may still ring). A far end that hung up,
  // refused or never answered leaves the leg silent, and onEnded tells the
  // line so, until it flashes back or drops.
  bool IsLive() const { return call_ != nullptr; }

  LRtpMedia &Media() { return *media_; }
  // The call, its media stopped, for joining it to the caller; the leg is
  // then ended.
  std::unique_ptr<SipCall> TakeCall();

  std::function<void(char key)> onKey;
  // The call ended (hung up, refused, unreachable) before it was taken.
  std::function<void()> onEnded;

 private:
  // SipCallListener.
  void OnCallProgress(uint16_t code) override;
  void OnCallEstablished() override;
  void OnCallEnded(const SipCallEnd &end) override;
  void OnInfoDigit(char key, uint32_t durationMs) override;
  void OnTransferResult(bool success, uint16_t code) override;
  void OnRtpPacket(std::span<const uint8_t> packet) override;
  void OnMediaChanged() override;

  void Key(char key);

  std::unique_ptr<SipCall> call_;
  std::unique_ptr<LRtpMedia> media_;
  bool placed_ = false;
  bool established_ = false;
};
