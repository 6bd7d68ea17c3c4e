#pragma once

#include <string>
#include <vector>

struct sa;

// The numeric addresses of a device's registrar and outbound proxy: every
// address their names resolve to, and each address the registrar answered
// from (a provider may serve from several). Requests from these come from
// the provider; any other host may be anyone.
class SipProviderHosts {
 public:
  // Bounds what answers and name servers can add.
  static constexpr size_t kMaxAddresses = 64;

  // Every address of `host` (a name or a numeric address; blocking while
  // the name is looked up). False when it has none.
  bool Resolve(const std::string& host);
  void Add(const struct sa& address);
  bool Contains(const struct sa& address) const;
  bool IsEmpty() const { return addresses_.empty(); }

 private:
  void AddText(const std::string& ip);

  std::vector<std::string> addresses_;
};
