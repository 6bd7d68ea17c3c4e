#pragma once

#include <optional>
#include <string>
#include <string_view>

// The FTP server as a mailbox names it: "host", "host:port", "ftp://host[:port]"
// or, for FTP over TLS, "ftps://host[:port]". TLS here is explicit (AUTH TLS on
// the usual FTP port) and required: a server that refuses it is not used in
// plain text. An IPv6 address is written in brackets ("[::1]:2121").
struct FtpServerAddress {
  std::string host;  // as it goes into a URL, brackets kept
  int port = 21;
  bool tls = false;

  // nullopt for an empty host, a port outside 1..65535, a path, user
  // information or a character that no host name holds.
  static std::optional<FtpServerAddress> Parse(std::string_view text);
  // "ftp://host:port/": the log-on directory of the server.
  std::string Url() const;
};
