#pragma once

#include <array>
#include <functional>
#include <memory>
#include <span>

#include "telephony/rtp/LRtpRelay.h"
#include "telephony/sip/SipCallListener.h"

class SipCall;

// Two calls joined by the engine after a transfer: the RTP each far end
// sends is relayed to the other (LRtpRelay) until either hangs up; the
// other is then hung up too and onEnded follows. A far end that has not
// answered yet hears nothing and sends nothing; if it never answers, the
// other call is hung up. Destroying the bridge hangs up both calls. Loop
// thread only.
class LSipBridge final {
 public:
  LSipBridge(std::unique_ptr<SipCall> first, std::unique_ptr<SipCall> second,
             std::function<void()> onEnded);
  ~LSipBridge();
  LSipBridge(const LSipBridge &) = delete;
  LSipBridge &operator=(const LSipBridge &) = delete;

  bool IsEnded() const { return !legs_[0].call && !legs_[1].call; }

 private:
  // The listener of one call; `index` names its side.
  class Leg final : public SipCallListener {
   public:
    Leg(LSipBridge &bridge, int index) : bridge_(bridge), index_(index) {}
    std::unique_ptr<SipCall> call;
    LRtpRelay relay;  // what this leg's far end is sent
    unsigned relayed = 0;

   private:
    void OnCallProgress(uint16_t) override {}
    void OnCallEstablished() override;
    void OnCallEnded(const SipCallEnd &end) override;
    void OnInfoDigit(char, uint32_t) override {}
    void OnTransferResult(bool, uint16_t) override {}
    void OnRtpPacket(std::span<const uint8_t> packet) override;
    void OnMediaChanged() override {}

    LSipBridge &bridge_;
    const int index_;
  };

  void Forward(int from, std::span<const uint8_t> packet);
  void LegEnded(int index);

  std::array<Leg, 2> legs_;
  const std::function<void()> onEnded_;
};
