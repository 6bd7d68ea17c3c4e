#pragma once

#include <sys/socket.h>

#include <string>

#include "mail/smtp/SliceWaiter.h"

// The first address of a host: a numeric address at once, a name through
// the system resolver on a helper thread, so that a stop request or the
// time-out does not wait for a slow name server.
struct HostAddress {
  sockaddr_storage address{};
  socklen_t length = 0;

  static ProcessResult Resolve(const std::string& host, int port, SliceWaiter& waiter,
                               HostAddress& result);
};
