#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/MainLoop.h"
#include "core/Profile.h"
#include "core/SystemClock.h"
#include "log/LogFile.h"
#include "log/StatusDisplay.h"
#include "support/TempDir.h"
#include "telephony/SoundTestSupport.h"

inline sockaddr_in Loopback(uint16_t port = 0) {
  return {.sin_family = AF_INET, .sin_port = htons(port), .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
}

// A UDP socket bound to a free port of loopback address `ip`; its port in `port`.
inline int BoundUdp(uint16_t& port, int type = SOCK_DGRAM, const char* ip = "127.0.0.1") {
  const int fd = ::socket(AF_INET, type, 0);
  sockaddr_in address = Loopback();
  ::inet_pton(AF_INET, ip, &address.sin_addr);
  socklen_t size = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  port = ntohs(address.sin_port);
  return fd;
}

// Sends `bytes` from socket `fd` to loopback port `port`.
inline void SendToLoopback(int fd, uint16_t port, std::string_view bytes) {
  const sockaddr_in to = Loopback(port);
  ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

// A loopback port that is free for both UDP and TCP right now.
inline uint16_t FreeLoopbackPort() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    uint16_t port = 0;
    const int udp = BoundUdp(port);
    const int tcp = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(port);
    const bool tcpFree = ::bind(tcp, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(tcp);
    ::close(udp);
    if (tcpFree) return port;
  }
  return 0;
}

// One SIPp run with scenario `scenario` (written into `folder` by
// tests/support/sipp_scenarios.py), its screen output kept in a file.
// SIPp's own time-out ends it within 8 s.
class SippProcess {
 public:
  SippProcess(const std::string& scenario, const std::vector<std::string>& args, const std::string& folder)
      : output_(folder + "/sipp-" + std::to_string(++count_) + ".out") {
    const auto generator =
        std::filesystem::absolute(std::filesystem::path(__FILE__).parent_path() / "../../support/sipp_scenarios.py");
    std::string command = "cd '" + folder + "' && python3 '" + generator.string() + "' " + scenario +
                          " . && exec sipp -nostdin -timeout 8s -timeout_error -i 127.0.0.1 -sf " + scenario + ".xml -m 1";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " </dev/null >'" + output_ + "' 2>&1";
    thread_ = std::thread([this, command] {
      const int status = std::system(command.c_str());
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    });
  }
  ~SippProcess() { thread_.join(); }

  bool Running() const { return exitCode_ < 0; }
  int ExitCode() const { return exitCode_; }  // -1 while running
  std::string Output() const { return FileText(output_); }

 private:
  static inline int count_ = 0;
  std::string output_;
  std::atomic<int> exitCode_{-1};
  std::thread thread_;
};

// A main loop on the real clock with a temporary data folder, its settings
// file and system log. RunUntil runs the loop until `done` holds or the
// time-out passes.
class SipLoopFixture : public ::testing::Test {
 protected:
  SipLoopFixture() { std::filesystem::create_directories(dir_ / "Logs"); }

  bool RunUntil(const LoopRunner::Step& done, int timeoutMs = 20000) { return runner_.Run({done}, timeoutMs), done(); }
  void WriteDevice(int index, const std::vector<std::pair<std::string, std::string>>& keys) {
    for (const auto& [key, value] : keys) ProfileWriteString(settings_, "sipdevice" + std::to_string(index), key, value);
  }
  // True when the system log holds `text` exactly `times` times.
  bool Logged(const std::string& text, size_t times = 1) const {
    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ / "Logs")) log += FileText(entry.path());
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count == times;
  }

  LoopRunner runner_;
  TempDir dir_;
  std::string settings_ = dir_ / "zavotel.ini";
  StatusDisplay display_{runner_.clock_};
  LogFile log_{dir_ / "Logs", runner_.clock_, display_};
};
