#include "mail/smtp/HostAddress.h"

#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/Trace.h"
#include "core/UniqueFd.h"

namespace {

bool Lookup(const std::string& host, int port, int flags, HostAddress& result) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = flags;
  addrinfo* found = nullptr;
  const int error = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (error != 0 || !found) return false;
  std::memcpy(&result.address, found->ai_addr, found->ai_addrlen);
  result.length = found->ai_addrlen;
  ::freeaddrinfo(found);
  return true;
}

// Shared by the caller and the lookup thread; whichever leaves last frees it.
struct PendingLookup {
  UniqueFd done{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
  std::mutex lock;
  bool found = false;
  HostAddress result;
};

}  // namespace

ProcessResult HostAddress::Resolve(const std::string& host, int port, SliceWaiter& waiter,
                                   HostAddress& result) {
  if (Lookup(host, port, AI_NUMERICHOST, result)) return kProcessDone;
  auto pending = std::make_shared<PendingLookup>();
  if (!pending->done.Valid()) return kProcessFailed;
  try {
    std::thread([pending, host, port] {
      HostAddress named;
      const bool found = Lookup(host, port, AI_ADDRCONFIG, named);
      std::lock_guard<std::mutex> hold(pending->lock);
      pending->found = found;
      pending->result = named;
      const uint64_t one = 1;
      if (::write(pending->done.Get(), &one, sizeof one) < 0) Trace("HostAddress wake-up lost");
    }).detach();
  } catch (const std::system_error&) {
    return kProcessFailed;
  }
  const ProcessResult waited = waiter.Wait(pending->done.Get(), POLLIN);
  if (waited != kProcessDone) return waited;
  std::lock_guard<std::mutex> hold(pending->lock);
  if (!pending->found) Trace("HostAddress %s cannot be resolved", host.c_str());
  result = pending->result;
  return pending->found ? kProcessDone : kProcessFailed;
}
