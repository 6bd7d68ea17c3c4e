// Who holds the client's end of a console connection, from the kernel's
// socket tables (the rows below are as a little-endian machine prints them).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ui/ConsolePeer.h"

namespace {

using console_peer::Endpoint;

TEST(ConsolePeerTest, TheClientsOwnRowGivesItsOwner) {
  const Endpoint client4{"127.0.0.1", 40000}, server4{"127.0.0.1", 8080};
  const Endpoint client6{"::1", 40000}, server6{"::1", 8080};
  const Endpoint mapped{"::ffff:127.0.0.1", 40000}, mappedServer{"::ffff:127.0.0.1", 8080};
  const std::string v6 = "00000000000000000000000001000000";
  const struct {
    const char* what;
    std::string row;
    Endpoint client, server;
    std::optional<uid_t> owner;
  } rows[] = {
      {"client's socket", "  3: 0100007F:9C40 0100007F:1F90 01 00000000:00000000 00:00000000 00000000 65534 0 99 1",
       client4, server4, 65534},
      {"the server's end", "  4: 0100007F:1F90 0100007F:9C40 01 00000000:00000000 00:00000000 00000000 0 0 98 1",
       client4, server4, std::nullopt},
      {"another client port", "  3: 0100007F:9C41 0100007F:1F90 01 00000000:00000000 00:00000000 00000000 7 0 9 1",
       client4, server4, std::nullopt},
      {"the header", "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid", client4,
       server4, std::nullopt},
      {"uid not a number", "  3: 0100007F:9C40 0100007F:1F90 01 00000000:00000000 00:00000000 00000000 x1 0 9",
       client4, server4, std::nullopt},
      {"cut short", "  3: 0100007F:9C40 0100007F:1F90 01", client4, server4, std::nullopt},
      {"IPv6", "  1: " + v6 + ":9C40 " + v6 + ":1F90 01 00000000:00000000 00:00000000 00000000 1000 0 7 1", client6,
       server6, 1000},
      {"v4-mapped, client socket of IPv4",
       "  3: 0100007F:9C40 0100007F:1F90 01 00000000:00000000 00:00000000 00000000 1000 0 99 1", mapped, mappedServer,
       1000},
      {"v4-mapped, client socket of IPv6",
       "  3: 0000000000000000FFFF00000100007F:9C40 0000000000000000FFFF00000100007F:1F90 01 0:0 0:0 0 1001 0 9", mapped,
       mappedServer, 1001},
      {"an address that is none", "  3: 0100007F:9C40 0100007F:1F90 01 0:0 0:0 0 5 0 9", {"localhost", 40000},
       server4, std::nullopt},
  };
  for (const auto& row : rows)
    EXPECT_EQ(console_peer::RowOwner(row.row, row.client, row.server), row.owner) << row.what;
}

// A real connection on loopback: its client end belongs to this process.
TEST(ConsolePeerTest, ALiveConnectionIsFoundInTheTables) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0), client = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  sockaddr_in own{};
  length = sizeof own;
  ASSERT_EQ(::getsockname(client, reinterpret_cast<sockaddr*>(&own), &length), 0);
  const Endpoint server{"127.0.0.1", ntohs(address.sin_port)}, from{"127.0.0.1", ntohs(own.sin_port)};
  EXPECT_EQ(console_peer::SocketOwner(from, server), ::geteuid());
  EXPECT_EQ(console_peer::SocketOwner({"127.0.0.1", ntohs(own.sin_port) ^ 1}, server), std::nullopt);
  ::close(client);
  ::close(listener);
}

}  // namespace
