#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "core/UniqueFd.h"
#include "telephony/sip/SipHostPort.h"
#include "telephony/sip/SipRtpLatch.h"
#include "telephony/sip/SipRtpSender.h"

struct sa;

// The UDP socket of one call's RTP stream, on the loop thread. It delivers
// packets from the expected remote address only, and sends to it; where its
// latch allows, a stream from elsewhere takes that address's place. Its
// sender may be shared with the media thread.
class SipRtpSocket {
 public:
  using Receiver = std::function<void(std::span<const uint8_t> packet)>;
  using LatchObserver = std::function<void(const SipHostPort& from, const SipHostPort& to)>;

  // First port tried; even ports up to kLastPort are searched from a
  // random start.
  static constexpr uint16_t kFirstPort = 16384;
  static constexpr uint16_t kLastPort = 32766;

  // An even free port on `localIp`; null when none could be bound.
  static std::unique_ptr<SipRtpSocket> Open(const std::string& localIp);
  ~SipRtpSocket();
  SipRtpSocket(const SipRtpSocket&) = delete;
  SipRtpSocket& operator=(const SipRtpSocket&) = delete;

  uint16_t LocalPort() const { return localPort_; }
  // The address the far end's SDP names. Packets from elsewhere are dropped
  // unless the latch lets them take over; an unset remote drops everything
  // and sends nothing (a call on hold at 0.0.0.0). The same address again
  // keeps a stream that was taken over.
  void SetRemote(const SipHostPort& remote);
  // Where packets go and come from now.
  const SipHostPort& Remote() const { return remote_; }
  // Off until set; `observer` hears of every take-over.
  void SetLatch(const SipRtpLatch& latch, LatchObserver observer);
  // Hears of a changed SDP aiming at a third host, which is sent to once a
  // packet came from there (see SipRtpLatch::HoldsMoveTo).
  void SetMoveObserver(LatchObserver observer) { moveObserver_ = std::move(observer); }
  // The media starts now: the latch's window opens.
  void StartLatch();
  // Null stops delivery (the socket may still get packets until released).
  void SetReceiver(Receiver receiver) { receiver_ = std::move(receiver); }
  bool Send(std::span<const uint8_t> packet) { return sender_->Send(packet); }
  const std::shared_ptr<SipRtpSender>& Sender() const { return sender_; }

 private:
  SipRtpSocket() = default;
  // Binds `local` and listens on the loop; false with errno set when it cannot.
  bool Bind(const struct sa& local);
  static void OnReadable(int flags, void* arg);
  void Deliver(std::span<const uint8_t> packet, const struct sa& source);
  void Aim(const SipHostPort& remote, bool send);
  bool Admits(const struct sa& source);

  // One read per readable pass takes every datagram waiting (up to this
  // many) into the socket's own buffers, with no allocation per packet.
  static constexpr int kMaxReadsPerPass = 8;
  static constexpr size_t kDatagramBytes = 2048;
  UniqueFd socket_;  // valid once listened on
  std::array<std::array<uint8_t, kDatagramBytes>, kMaxReadsPerPass> buffers_{};
  uint16_t localPort_ = 0;
  SipHostPort described_;
  SipHostPort remote_;
  std::unique_ptr<struct sa> remoteAddress_;
  std::shared_ptr<SipRtpSender> sender_;
  Receiver receiver_;
  SipRtpLatch latch_;
  LatchObserver latchObserver_;
  LatchObserver moveObserver_;
  // The host of the last SDP address; empty before the first.
  std::string describedHost_;
  // The remote is set but sent to only once it is heard.
  bool sendHeld_ = false;
};
