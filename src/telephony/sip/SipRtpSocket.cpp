#include "telephony/sip/SipRtpSocket.h"

#include <netinet/in.h>
#include <re.h>
#include <sys/socket.h>
#include <sys/uio.h>

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
    if (rtp->Bind(local)) {
      rtp->localPort_ = port;
      rtp->sender_ = std::make_shared<SipRtpSender>(rtp->socket_.Get());
      return rtp;
    }
    if (errno != EADDRINUSE) {
      Trace("SipRtpSocket::Open %s:%u FAILED: %s", localIp.c_str(), port, std::strerror(errno));
      return nullptr;
    }
  }
  Trace("SipRtpSocket::Open no free port on %s FAILED", localIp.c_str());
  return nullptr;
}

bool SipRtpSocket::Bind(const struct sa& local) {
  UniqueFd fd(socket(sa_af(&local), SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP));
  if (!fd.Valid() || bind(fd.Get(), &local.u.sa, local.len) != 0) return false;
  const int err = fd_listen(fd.Get(), FD_READ, OnReadable, this);
  if (err) {
    errno = err;
    return false;
  }
  socket_ = std::move(fd);
  return true;
}

SipRtpSocket::~SipRtpSocket() {
  if (sender_) sender_->Close();
  if (socket_.Valid()) fd_close(socket_.Get());
}

void SipRtpSocket::SetRemote(const SipHostPort& remote) {
  if (remote == described_) return;
  const bool held = latch_.HoldsMoveTo(remote, describedHost_);
  const SipHostPort previous = remote_;
  described_ = remote;
  if (remote.IsSet()) describedHost_ = remote.host;
  Aim(remote, !held);
  latch_.Restart(tmr_jiffies());
  if (held && moveObserver_) moveObserver_(previous, remote);
}

void SipRtpSocket::SetLatch(const SipRtpLatch& latch, LatchObserver observer) {
  latch_ = latch;
  latchObserver_ = std::move(observer);
}

void SipRtpSocket::StartLatch() { latch_.Start(tmr_jiffies()); }

void SipRtpSocket::Aim(const SipHostPort& remote, bool send) {
  remote_ = {};
  remoteAddress_.reset();
  sender_->Aim(nullptr);
  sendHeld_ = !send;
  if (!remote.IsSet()) return;
  auto address = std::make_unique<struct sa>();
  if (sa_set_str(address.get(), remote.host.c_str(), remote.port) != 0 || sa_is_any(address.get()))
    return;
  remote_ = remote;
  remoteAddress_ = std::move(address);
  if (send) sender_->Aim(remoteAddress_.get());
}

// Nothing is taken over while on hold: a remote must be set.
bool SipRtpSocket::Admits(const struct sa& source) {
  if (!remoteAddress_) return false;
  if (sa_cmp(&source, remoteAddress_.get(), SA_ALL)) {
    latch_.Confirm();
    if (sendHeld_) {
      Trace("SipRtpSocket RTP heard from %s, sending there now", remote_.Text().c_str());
      sender_->Aim(remoteAddress_.get());
      sendHeld_ = false;
    }
    return true;
  }
  const SipHostPort from = HostPortOf(source);
  if (!latch_.Takes(from, tmr_jiffies())) return false;
  const SipHostPort previous = remote_;
  *remoteAddress_ = source;
  sender_->Aim(remoteAddress_.get());
  sendHeld_ = false;
  remote_ = from;
  if (latchObserver_) latchObserver_(previous, from);
  return true;
}

void SipRtpSocket::OnReadable(int flags, void* arg) {
  auto* rtp = static_cast<SipRtpSocket*>(arg);
  if (!(flags & FD_READ)) return;
  std::array<mmsghdr, kMaxReadsPerPass> messages{};
  std::array<iovec, kMaxReadsPerPass> pieces{};
  std::array<sockaddr_storage, kMaxReadsPerPass> sources{};
  for (int i = 0; i < kMaxReadsPerPass; ++i) {
    pieces[i] = {rtp->buffers_[i].data(), kDatagramBytes};
    messages[i].msg_hdr.msg_iov = &pieces[i];
    messages[i].msg_hdr.msg_iovlen = 1;
    messages[i].msg_hdr.msg_name = &sources[i];
    messages[i].msg_hdr.msg_namelen = sizeof sources[i];
  }
  const int got = recvmmsg(rtp->socket_.Get(), messages.data(), kMaxReadsPerPass, MSG_DONTWAIT,
                           nullptr);
  for (int i = 0; i < got; ++i) {
    struct sa source;
    if (sa_set_sa(&source, reinterpret_cast<const sockaddr*>(&sources[i])) != 0) continue;
    rtp->Deliver(std::span<const uint8_t>(rtp->buffers_[i].data(), messages[i].msg_len), source);
  }
}

void SipRtpSocket::Deliver(std::span<const uint8_t> packet, const struct sa& source) {
  if (!receiver_ || !Admits(source)) return;
  receiver_(packet);
}
