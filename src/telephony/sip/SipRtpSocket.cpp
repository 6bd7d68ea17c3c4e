#include "telephony/sip/SipRtpSocket.h"

#include <re.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "core/Trace.h"

namespace {

// Binding gives up after this many ports in use.
constexpr int kMaxAttempts = 256;

SipHostPort HostPortOf(const struct sa& address) {
  char text[64] = "";
  if (sa_ntop(&address, text, sizeof text) != 0) return {};
  return {text, sa_port(&address)};
}

}  // namespace

std::unique_ptr<SipRtpSocket> SipRtpSocket::Open(const std::string& localIp) {
  std::unique_ptr<SipRtpSocket> rtp(new SipRtpSocket());
  constexpr unsigned kPairs = (kLastPort - kFirstPort) / 2 + 1;
  std::random_device random;
  const unsigned start = random() % kPairs;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const auto port = static_cast<uint16_t>(kFirstPort + 2 * ((start + attempt) % kPairs));
    struct sa local;
    if (sa_set_str(&local, localIp.c_str(), port) != 0) {
      Trace("SipRtpSocket::Open bad local address %s FAILED", localIp.c_str());
      return nullptr;
    }
    const int err = udp_listen(&rtp->socket_, &local, OnReceive, rtp.get());
    if (err == 0) {
      rtp->localPort_ = port;
      rtp->sender_ = std::make_shared<SipRtpSender>(udp_sock_fd(rtp->socket_, sa_af(&local)));
      return rtp;
    }
    if (err != EADDRINUSE) {
      Trace("SipRtpSocket::Open udp_listen %s:%u FAILED: %s", localIp.c_str(), port,
            std::strerror(err));
      return nullptr;
    }
  }
  Trace("SipRtpSocket::Open no free port on %s FAILED", localIp.c_str());
  return nullptr;
}

SipRtpSocket::~SipRtpSocket() {
  if (sender_) sender_->Close();
  mem_deref(socket_);
}

void SipRtpSocket::SetRemote(const SipHostPort& remote) {
  if (remote == described_) return;
  described_ = remote;
  Aim(remote);
  latch_.Restart(tmr_jiffies());
}

void SipRtpSocket::SetLatch(const SipRtpLatch& latch, LatchObserver observer) {
  latch_ = latch;
  latchObserver_ = std::move(observer);
}

void SipRtpSocket::StartLatch() { latch_.Start(tmr_jiffies()); }

void SipRtpSocket::Aim(const SipHostPort& remote) {
  remote_ = {};
  remoteAddress_.reset();
  sender_->Aim(nullptr);
  if (!remote.IsSet()) return;
  auto address = std::make_unique<struct sa>();
  if (sa_set_str(address.get(), remote.host.c_str(), remote.port) != 0 || sa_is_any(address.get()))
    return;
  remote_ = remote;
  remoteAddress_ = std::move(address);
  sender_->Aim(remoteAddress_.get());
}

// Nothing is taken over while on hold: a remote must be set.
bool SipRtpSocket::Admits(const struct sa& source) {
  if (!remoteAddress_) return false;
  if (sa_cmp(&source, remoteAddress_.get(), SA_ALL)) {
    latch_.Confirm();
    return true;
  }
  const SipHostPort from = HostPortOf(source);
  if (!latch_.Takes(from, tmr_jiffies())) return false;
  const SipHostPort previous = remote_;
  *remoteAddress_ = source;
  sender_->Aim(remoteAddress_.get());
  remote_ = from;
  if (latchObserver_) latchObserver_(previous, from);
  return true;
}

void SipRtpSocket::OnReceive(const struct sa* src, struct mbuf* mb, void* arg) {
  auto* rtp = static_cast<SipRtpSocket*>(arg);
  if (!rtp->receiver_ || !rtp->Admits(*src)) return;
  rtp->receiver_(std::span<const uint8_t>(mbuf_buf(mb), mbuf_get_left(mb)), HostPortOf(*src));
}
