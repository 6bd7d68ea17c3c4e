#include "telephony/sip/SipTcpGuard.h"

#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <re.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "core/Trace.h"

namespace {

// The far end of `fd` when it is a connection accepted on `address`.
bool AcceptedOn(int fd, const struct sa& address, struct sa& peer) {
  int type = 0;
  int listening = 0;
  socklen_t size = sizeof type;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) != 0 || type != SOCK_STREAM) return false;
  size = sizeof listening;
  if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || listening) return false;
  struct sa local;
  sa_init(&local, AF_UNSPEC);
  if (getsockname(fd, &local.u.sa, &local.len) != 0 || !sa_cmp(&local, &address, SA_ALL)) return false;
  sa_init(&peer, AF_UNSPEC);
  return getpeername(fd, &peer.u.sa, &peer.len) == 0;
}

// Established (not shut down yet) and silent for `silentMs`.
bool Established(int fd, uint32_t& silentMs) {
  tcp_info info{};
  socklen_t size = sizeof info;
  if (getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0 || info.tcpi_state != TCP_ESTABLISHED)
    return false;
  silentMs = info.tcpi_last_data_recv;
  return true;
}

}  // namespace

SipTcpGuard::SipTcpGuard(const struct sa& local, Observer observer)
    : local_(std::make_unique<struct sa>(local)),
      observer_(std::move(observer)),
      timer_(std::make_unique<struct tmr>()) {
  tmr_init(timer_.get());
  tmr_start(timer_.get(), kCheckMs, OnTimer, this);
}

SipTcpGuard::~SipTcpGuard() { tmr_cancel(timer_.get()); }

void SipTcpGuard::OnTimer(void* arg) {
  auto* guard = static_cast<SipTcpGuard*>(arg);
  guard->Check();
  tmr_start(guard->timer_.get(), kCheckMs, OnTimer, guard);
}

std::vector<SipTcpGuard::Connection> SipTcpGuard::Connections() const {
  std::vector<Connection> connections;
  DIR* folder = opendir("/proc/self/fd");
  if (!folder) return connections;
  while (const dirent* entry = readdir(folder)) {
    const int fd = std::atoi(entry->d_name);
    struct sa peer;
    char host[64] = "";
    uint32_t silentMs = 0;
    if (fd <= 2 || fd == dirfd(folder) || !AcceptedOn(fd, *local_, peer) ||
        !Established(fd, silentMs) || sa_ntop(&peer, host, sizeof host) != 0)
      continue;
    connections.push_back({fd, host, silentMs});
  }
  closedir(folder);
  return connections;
}

std::vector<SipTcpGuard::Connection> SipTcpGuard::Excess(std::vector<Connection> connections) {
  std::stable_sort(connections.begin(), connections.end(),
                   [](const Connection& a, const Connection& b) { return a.silentMs < b.silentMs; });
  std::map<std::string, size_t> perSource;
  std::vector<Connection> excess;
  size_t kept = 0;
  for (const Connection& connection : connections) {
    if (++perSource[connection.source] > kMaxPerSource || kept == kMaxTotal)
      excess.push_back(connection);
    else
      ++kept;
  }
  return excess;
}

size_t SipTcpGuard::Check() {
  std::map<std::string, size_t> closed;
  size_t total = 0;
  for (const Connection& connection : Excess(Connections()))
    if (shutdown(connection.fd, SHUT_RDWR) == 0) ++closed[connection.source], ++total;
  for (const auto& [source, count] : closed) {
    Trace("SipTcpGuard %zu connections from %s shut down", count, source.c_str());
    if (observer_) observer_(source, count);
  }
  return total;
}
