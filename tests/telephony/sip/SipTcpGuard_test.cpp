#include <gtest/gtest.h>
#include <re.h>

#include <string>
#include <vector>

#include "SipTestSupport.h"
#include "telephony/sip/SipTcpGuard.h"

namespace {

using Connection = SipTcpGuard::Connection;

std::vector<int> Fds(const std::vector<Connection>& connections) {
  std::vector<int> fds;
  for (const Connection& connection : connections) fds.push_back(connection.fd);
  return fds;
}

TEST(SipTcpGuard, ShutsTheLongestSilentBeyondEachSourcesShareAndTheTotal) {
  std::vector<Connection> flood;
  for (int i = 0; i < 20; ++i) flood.push_back({100 + i, "192.0.2.9", static_cast<uint32_t>(20 - i)});
  flood.push_back({7, "198.51.100.1", 999999});  // a quiet provider keeps its connection
  // The four silent longest of the flooding host go.
  EXPECT_EQ(Fds(SipTcpGuard::Excess(flood)), (std::vector<int>{103, 102, 101, 100}));
  std::vector<Connection> many;
  for (int i = 0; i < 300; ++i) many.push_back({i, "10.0." + std::to_string(i / 10) + ".1", static_cast<uint32_t>(i)});
  const std::vector<Connection> excess = SipTcpGuard::Excess(many);
  ASSERT_EQ(excess.size(), 300 - SipTcpGuard::kMaxTotal);
  EXPECT_EQ(std::pair(excess.front().fd, excess.back().fd), std::pair(256, 299));
}

class SipTcpGuardTest : public SipLoopFixture {};

TEST_F(SipTcpGuardTest, ShutsDownTheConnectionsOfAHostOpeningTooManyAndSaysSo) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback();
  socklen_t size = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 64), 0);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  std::vector<int> clients, accepted;
  for (int i = 0; i < 20; ++i) {
    clients.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ASSERT_EQ(::connect(clients.back(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    accepted.push_back(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
  }
  struct sa local;
  ASSERT_EQ(sa_set_sa(&local, reinterpret_cast<sockaddr*>(&address)), 0);
  std::vector<std::string> told;
  SipTcpGuard guard(local, [&](const std::string& source, size_t closed) {
    told.push_back(source + " " + std::to_string(closed));
  });
  EXPECT_EQ(guard.Check(), 20 - SipTcpGuard::kMaxPerSource);
  EXPECT_EQ(told, std::vector<std::string>{"127.0.0.1 4"});
  int ended = 0;
  for (const int client : clients) {
    char byte = 0;
    ended += ::recv(client, &byte, 1, MSG_DONTWAIT) == 0;
  }
  EXPECT_EQ(ended, 4);
  EXPECT_EQ(guard.Check(), 0u);  // those shut down no longer count
  for (const int fd : clients) ::close(fd);
  for (const int fd : accepted) ::close(fd);
  ::close(listener);
}

}  // namespace
