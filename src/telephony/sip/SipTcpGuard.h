#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct sa;
struct tmr;

// Bounds the TCP (and TLS) connections on a device's SIP port. libre takes
// every connection and keeps a silent one half a minute, so one host opening
// many could use up the process's descriptors and leave calls without RTP
// sockets. Every kCheckMs the connections to the port are counted; beyond
// kMaxPerSource from one address, or kMaxTotal in all, those silent longest
// are shut down (libre then closes them as closed by the far end). Loop
// thread.
class SipTcpGuard {
 public:
  static constexpr size_t kMaxPerSource = 16;
  static constexpr size_t kMaxTotal = 256;
  static constexpr uint64_t kCheckMs = 1000;

  struct Connection {
    int fd = -1;
    std::string source;  // the far end's numeric address
    uint32_t silentMs = 0;  // since data last came
  };
  // Told of the connections shut down from one source in one check.
  using Observer = std::function<void(const std::string& source, size_t closed)>;

  // Watches connections accepted on the local address `local`.
  SipTcpGuard(const struct sa& local, Observer observer);
  ~SipTcpGuard();
  SipTcpGuard(const SipTcpGuard&) = delete;
  SipTcpGuard& operator=(const SipTcpGuard&) = delete;

  // Checks now; the number of connections shut down.
  size_t Check();
  // The connections to shut down among `connections`: those beyond the
  // bounds, silent longest first.
  static std::vector<Connection> Excess(std::vector<Connection> connections);

 private:
  std::vector<Connection> Connections() const;
  static void OnTimer(void* arg);

  std::unique_ptr<struct sa> local_;
  Observer observer_;
  std::unique_ptr<struct tmr> timer_;
};
