#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "core/LTimerHandler.h"
#include "telephony/line/LKeyPacer.h"
#include "telephony/line/LLine.h"
#include "telephony/line/LKeyWindow.h"
#include "telephony/line/LRingCounter.h"
#include "telephony/sip/SipCallListener.h"

class LRtpMedia;
class LSipBridge;
class LSipConsultation;
class MainLoop;
class SipCall;
class SipDevice;

// A telephone line on a SIP device: one call at a time. An offered call
// rings (180 Ringing counts as a ring, then one ring every kRingIntervalMs)
// until the handler answers it or the caller gives up; connected calls
// carry their audio as RTP behind the line's player and recorder; keys come
// as RFC 4733 events, SIP INFO or in-band tones, each outside the
// suppression windows that follow dialling and connection (signalled keys
// cannot be our own tones heard back, so the connection's window is for
// in-band tones only), and no faster than a telephone sends them.
//
// The line acts as a PBX extension for transfers. A "!" at the start of a
// dialled group is a hook flash: the caller is held (sent silence, keys
// ignored) and a consultation leg opens, whose number is the first digits
// dialled after the flash (the rest of that group, else the next Dial), or
// the whole rest when it is a SIP address ("sip:desk@host", "desk@host").
// The call is placed as those digits are "dialled", so dial complete
// follows at once; the line's audio and keys are then those of the leg. A
// leg that ends before it is joined (hung up, refused, unreachable) is told
// to the handler as the transfer party gone.
// Another flash hangs the leg up and returns to the caller. Drop while the
// leg is up (answered or ringing) joins the two parties: the handler hears
// of a disconnect while the line stays busy until one of them hangs up.
class LSipLine final : public LLine, private SipCallListener, private LTimerHandler {
 public:
  static constexpr uint64_t kRingIntervalMs = 4000;
  // In-band keys are ignored this long after connection; every key this
  // long after placing a call or starting to dial, and after dialling
  // completes.
  static constexpr uint64_t kIgnoreAfterConnectMs = 1000;
  static constexpr uint64_t kIgnoreWhileDialingMs = 3000;
  static constexpr uint64_t kIgnoreAfterDialMs = 850;

  // `device` may be null (the line then takes and places no calls).
  LSipLine(MainLoop &loop, const LClock &clock, const std::string &settingsFile,
           SipDevice *device);
  ~LSipLine() override;

  // An incoming call for this line: taken (true) when the line is free.
  bool Offer(std::unique_ptr<SipCall> &call);
  bool IsIdle() const { return call_ == nullptr && !bridge_; }
  // Whether a call may be placed now: the line has its device, no call and
  // no hang-up still to report.
  bool IsFree() const { return device_ && IsIdle() && !dropPending_; }
  // Ends a call in progress at once, as a hang-up its handler hears of, so
  // a message being recorded is finished like any other before the engine
  // closes its lines.
  void Close() { EndCall(); }

  void Dial(const std::string &digits) override;
  void TransferBlind(const std::string &number) override;
  void Drop() override;
  void Beep() override;
  void FaxHandoff() override;
  // With no call: places one to `number`. With an offered call and no
  // number: answers it.
  bool MakeCall(const std::string &number) override;

 private:
  enum Timer { kRingTimer, kDisconnectTimer, kBridgeEndTimer, kPartyGoneTimer };

  // SipCallListener.
  void OnCallProgress(uint16_t code) override;
  void OnCallEstablished() override;
  void OnCallEnded(const SipCallEnd &end) override;
  void OnInfoDigit(char key, uint32_t durationMs) override;
  void OnTransferResult(bool success, uint16_t code) override;
  void OnRtpPacket(std::span<const uint8_t> packet) override;
  void OnMediaChanged() override;
  // LTimerHandler.
  void OnTimer(int id) override;

  void Ring();
  void AnswerDecision(int ring);
  void Key(char key, bool signalled);
  void CallerKey(char key, bool signalled);
  void EndCall();
  void IgnoreKeysFor(uint64_t ms);
  void ToneDone();
  void Flash();
  void PlaceConsultation(const std::string &target);
  void UseMedia(LRtpMedia &media);
  LRtpMedia &ActiveMedia();
  void Join();

  MainLoop &loop_;
  const std::string settingsFile_;
  SipDevice *const device_;
  std::unique_ptr<SipCall> call_;
  std::unique_ptr<LRtpMedia> media_;
  // The leg opened by a flash, while the caller is held.
  std::unique_ptr<LSipConsultation> consult_;
  // The caller and the consultation party after a transfer.
  std::unique_ptr<LSipBridge> bridge_;
  bool outgoing_ = false;
  bool answering_ = false;
  bool connected_ = false;
  bool dropPending_ = false;
  LRingCounter rings_;
  LKeyWindow keyWindow_;
  LKeyWindow inbandKeyWindow_;
  LKeyPacer keyPacer_;
  bool keyFloodLogged_ = false;
};
