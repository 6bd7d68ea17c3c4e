#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <mutex>
#include <span>

#include "core/PiMutex.h"
#include "core/UniqueFd.h"

struct sa;

// The sending half of a call's RTP socket: a descriptor of its own (a
// duplicate of the socket's) and the address packets go to, under a lock,
// so the media thread sends while the loop thread aims or closes it.
class SipRtpSender {
 public:
  // Duplicates `fd`; a failed duplicate sends nothing.
  explicit SipRtpSender(int fd);
  SipRtpSender(const SipRtpSender&) = delete;
  SipRtpSender& operator=(const SipRtpSender&) = delete;

  // Null sends nothing (on hold).
  void Aim(const struct sa* remote);
  // For good: the call is over.
  void Close();
  bool Send(std::span<const uint8_t> packet);

 private:
  PiMutex lock_;
  UniqueFd fd_;
  sockaddr_storage address_{};
  socklen_t length_ = 0;
};
