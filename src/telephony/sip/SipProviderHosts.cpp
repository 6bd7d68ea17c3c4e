#include "telephony/sip/SipProviderHosts.h"

#include <netdb.h>
#include <re.h>
#include <sys/socket.h>

#include <algorithm>

namespace {

std::string NumericHost(const struct sa& address) {
  char text[64] = "";
  return sa_ntop(&address, text, sizeof text) == 0 ? text : "";
}

}  // namespace

bool SipProviderHosts::Resolve(const std::string& host) {
  const std::string name = host.starts_with('[') && host.ends_with(']') ? host.substr(1, host.size() - 2) : host;
  struct addrinfo hints {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  struct addrinfo* found = nullptr;
  if (name.empty() || getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return false;
  for (const struct addrinfo* at = found; at; at = at->ai_next) {
    struct sa address;
    if (sa_set_sa(&address, at->ai_addr) == 0) Add(address);
  }
  freeaddrinfo(found);
  return true;
}

void SipProviderHosts::Add(const struct sa& address) { AddText(NumericHost(address)); }

void SipProviderHosts::AddText(const std::string& ip) {
  if (ip.empty() || addresses_.size() >= kMaxAddresses ||
      std::find(addresses_.begin(), addresses_.end(), ip) != addresses_.end())
    return;
  addresses_.push_back(ip);
}

bool SipProviderHosts::Contains(const struct sa& address) const {
  const std::string ip = NumericHost(address);
  return !ip.empty() && std::find(addresses_.begin(), addresses_.end(), ip) != addresses_.end();
}
