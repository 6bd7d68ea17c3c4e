#include "telephony/sip/SipRtpSender.h"

#include <fcntl.h>
#include <re.h>

#include <cerrno>
#include <cstring>

#include "core/Trace.h"

SipRtpSender::SipRtpSender(int fd) : fd_(fd < 0 ? -1 : fcntl(fd, F_DUPFD_CLOEXEC, 0)) {
  if (!fd_.Valid()) Trace("SipRtpSender descriptor FAILED: %s", std::strerror(errno));
}

void SipRtpSender::Aim(const struct sa* remote) {
  std::lock_guard<PiMutex> guard(lock_);
  length_ = 0;
  if (!remote || remote->len > sizeof address_) return;
  std::memcpy(&address_, &remote->u, remote->len);
  length_ = remote->len;
}

void SipRtpSender::Close() {
  std::lock_guard<PiMutex> guard(lock_);
  fd_.Reset();
}

bool SipRtpSender::Send(std::span<const uint8_t> packet) {
  std::lock_guard<PiMutex> guard(lock_);
  if (!fd_.Valid() || length_ == 0 || packet.empty()) return false;
  const ssize_t sent = sendto(fd_.Get(), packet.data(), packet.size(), MSG_DONTWAIT,
                              reinterpret_cast<const sockaddr*>(&address_), length_);
  return sent == static_cast<ssize_t>(packet.size());
}
