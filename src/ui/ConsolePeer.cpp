#include "ui/ConsolePeer.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace console_peer {
namespace {

// An address and port as the tables print them: each 32-bit word of the
// address in the machine's byte order, then the port, all in upper-case hex
// ("0100007F:1F90" for 127.0.0.1:8080 on a little-endian machine).
std::string TableText(const void* address, size_t bytes, int port) {
  std::string text;
  char word[9];
  for (size_t at = 0; at < bytes; at += 4) {
    uint32_t value = 0;
    std::memcpy(&value, static_cast<const char*>(address) + at, 4);
    std::snprintf(word, sizeof word, "%08X", value);
    text += word;
  }
  char tail[8];
  std::snprintf(tail, sizeof tail, ":%04X", static_cast<unsigned>(port) & 0xFFFF);
  return text + tail;
}

struct Key {
  std::string table;  // the file listing such sockets
  std::string local, remote;
};

// Where the client's socket is listed: an IPv4 one in tcp, an IPv6 one in
// tcp6; a v4-mapped address (a dual-stack console) may belong to either.
std::vector<Key> KeysOf(const Endpoint& client, const Endpoint& server) {
  std::vector<Key> keys;
  in_addr v4c{}, v4s{};
  if (::inet_pton(AF_INET, client.address.c_str(), &v4c) == 1 &&
      ::inet_pton(AF_INET, server.address.c_str(), &v4s) == 1) {
    keys.push_back({"/proc/net/tcp", TableText(&v4c, 4, client.port), TableText(&v4s, 4, server.port)});
    return keys;
  }
  in6_addr v6c{}, v6s{};
  if (::inet_pton(AF_INET6, client.address.c_str(), &v6c) != 1 ||
      ::inet_pton(AF_INET6, server.address.c_str(), &v6s) != 1)
    return keys;
  keys.push_back({"/proc/net/tcp6", TableText(&v6c, 16, client.port), TableText(&v6s, 16, server.port)});
  if (IN6_IS_ADDR_V4MAPPED(&v6c) && IN6_IS_ADDR_V4MAPPED(&v6s))
    keys.push_back({"/proc/net/tcp", TableText(v6c.s6_addr + 12, 4, client.port),
                    TableText(v6s.s6_addr + 12, 4, server.port)});
  return keys;
}

// The row's whitespace-separated fields.
std::vector<std::string_view> Fields(std::string_view row) {
  std::vector<std::string_view> fields;
  while (true) {
    const size_t start = row.find_first_not_of(" \t");
    if (start == std::string_view::npos) return fields;
    row.remove_prefix(start);
    const size_t end = row.find_first_of(" \t");
    fields.push_back(row.substr(0, end));
    if (end == std::string_view::npos) return fields;
    row.remove_prefix(end);
  }
}

std::optional<uid_t> OwnerIfMatches(std::string_view row, const Key& key) {
  // "sl local_address rem_address st tx:rx tr:when retrnsmt uid ..."
  const std::vector<std::string_view> fields = Fields(row);
  if (fields.size() < 8 || fields[1] != key.local || fields[2] != key.remote) return std::nullopt;
  uid_t uid = 0;
  const std::string_view text = fields[7];
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), uid);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return uid;
}

}  // namespace

std::optional<uid_t> RowOwner(std::string_view row, const Endpoint& client, const Endpoint& server) {
  for (const Key& key : KeysOf(client, server))
    if (std::optional<uid_t> uid = OwnerIfMatches(row, key)) return uid;
  return std::nullopt;
}

std::optional<uid_t> SocketOwner(const Endpoint& client, const Endpoint& server) {
  for (const Key& key : KeysOf(client, server)) {
    std::ifstream table(key.table);
    for (std::string row; std::getline(table, row);)
      if (std::optional<uid_t> uid = OwnerIfMatches(row, key)) return uid;
  }
  return std::nullopt;
}

}  // namespace console_peer
