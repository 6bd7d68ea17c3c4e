#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

// Which local user holds the other end of a TCP connection to the console,
// read from the kernel's socket tables (/proc/net/tcp and /proc/net/tcp6),
// which list each socket's addresses and owner.
namespace console_peer {

struct Endpoint {
  std::string address;  // as the server reports it: "127.0.0.1", "::1", "::ffff:127.0.0.1"
  int port = 0;
};

// The owner in one table row whose local end is `client` and whose remote end
// is `server` (the client's own socket); nothing for any other row, the
// header and malformed rows.
std::optional<uid_t> RowOwner(std::string_view row, const Endpoint& client, const Endpoint& server);

// The owner of the client's socket of a connection from `client` to
// `server`; nothing when no table lists it (it closed, or is not local).
std::optional<uid_t> SocketOwner(const Endpoint& client, const Endpoint& server);

}  // namespace console_peer
