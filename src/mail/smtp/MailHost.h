#pragma once

#include <string>
#include <string_view>

// The [email] "mailhost" value: host, host:port, host:user:password or
// host:port:user:password. A purely numeric second field is a port; after
// the user name the rest (":" included) is the password. An IPv6 address is
// written in brackets ("[::1]:587").
struct MailHost {
  std::string host;
  int port = 0;  // 0: the default for the connection's security
  std::string user;
  std::string password;
  bool valid = true;  // false for an empty host or a port outside 1..65535

  static MailHost Parse(std::string_view text);
  // The host and port alone, written as Parse reads them.
  std::string Address() const;
};
