#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "telephony/sip/SipCallerId.h"
#include "telephony/sip/SipMediaDescription.h"

struct mbuf;
struct sip;
struct sip_msg;
struct sa;
class SipCallListener;
class SipDevice;
class SipMediaSession;
class SipTransfer;

// One SIP call (an INVITE session) and its RTP socket, on the loop thread.
// Destroying the call hangs up as its state requires (486 Busy Here while
// offered, CANCEL while calling out, BYE when established); libre finishes
// that while the loop runs. The call's libre objects are released on the
// next loop pass, so a listener may destroy the call from its callbacks.
class SipCall {
 public:
  enum class State { kOffered, kAnswering, kCalling, kEstablished, kEnded };

  // From an INVITE, answered with 180 Ringing. Null (after a final error
  // response) when its SDP offers no usable audio or no RTP port is free.
  static std::unique_ptr<SipCall> Accept(SipDevice& device, const struct sip_msg* invite);
  // An INVITE to `uri` with our offer; null when it cannot be sent.
  static std::unique_ptr<SipCall> Connect(SipDevice& device, const std::string& uri,
                                          SipCallListener& listener);
  ~SipCall();
  SipCall(const SipCall&) = delete;
  SipCall& operator=(const SipCall&) = delete;

  // Null: the call's events are dropped.
  void SetListener(SipCallListener* listener) { listener_ = listener; }
  State GetState() const { return state_; }
  bool IsIncoming() const { return incoming_; }

  // Incoming call data: caller, dialled number (request URI user) and the
  // Alert-Info ring pattern number (0 when none).
  const SipCallerId& Caller() const { return caller_; }
  const std::string& Did() const { return did_; }
  int RingPattern() const { return ringPattern_; }
  const SipMediaDescription& Media() const;
  uint16_t LocalRtpPort() const;

  // 180 Ringing again while offered.
  bool Ring();
  // 200 OK with our SDP while offered; OnCallEstablished follows the ACK.
  bool Answer();
  // A final error response (e.g. 486) while offered; the call is then ended.
  bool Refuse(uint16_t code);
  // REFER to `number` (as for SipDevice::PlaceCall) while established;
  // OnTransferResult follows. One transfer at a time.
  bool TransferBlind(const std::string& number);
  // One RTP packet to the far end's media address; false when there is none.
  bool SendRtp(std::span<const uint8_t> packet);
  // The same from any thread, also after the call object is gone; it sends
  // nothing once the call object is.
  std::function<bool(std::span<const uint8_t>)> RtpSender() const;

 private:
  struct Session;

  SipCall(SipDevice& device, bool incoming);
  bool OpenMedia(const std::string& localIp);
  void ArmLatch(const struct sa& signalling);
  void OnLatched(const SipHostPort& from, const SipHostPort& to);
  void OnMoveHeld(const SipHostPort& to);
  void ReadCallerData(const struct sip_msg& invite, bool trusted);
  void End(int err, const struct sip_msg* msg);
  void OnTransferDone(bool success, uint16_t code);

  static SipCall* OwnerOf(void* arg);
  static int OnOffer(struct mbuf** description, const struct sip_msg* msg, void* arg);
  static int OnAnswer(const struct sip_msg* msg, void* arg);
  static void OnProgress(const struct sip_msg* msg, void* arg);
  static void OnEstablished(const struct sip_msg* msg, void* arg);
  static void OnInfo(struct sip* sip, const struct sip_msg* msg, void* arg);
  static void OnRefer(struct sip* sip, const struct sip_msg* msg, void* arg);
  static void OnClose(int err, const struct sip_msg* msg, void* arg);

  SipDevice& device_;
  const bool incoming_;
  State state_;
  SipCallListener* listener_ = nullptr;
  std::shared_ptr<Session> session_;
  std::unique_ptr<SipMediaSession> media_;
  std::unique_ptr<SipTransfer> transfer_;
  SipCallerId caller_;
  std::string did_;
  int ringPattern_ = 0;
  // The far end is the provider: requests to it may carry our credentials.
  bool provider_ = false;
  bool remoteOffered_ = false;
  bool latchLogged_ = false;
  bool moveLogged_ = false;
};
