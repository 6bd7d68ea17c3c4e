#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SipTestSupport.h"
#include "telephony/sip/SipRtpSocket.h"

namespace {

class SipRtpSocketTest : public SipLoopFixture {
 protected:
  static int BoundUdp(sockaddr_in& address) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return fd;
  }
  static void SendTo(int fd, uint16_t port, uint8_t marker) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const uint8_t packet[] = {0x80, 0x00, marker};
    ::sendto(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
};

TEST_F(SipRtpSocketTest, DeliversOnlyTheRemotesPacketsAndSendsToIt) {
  std::unique_ptr<SipRtpSocket> rtp = SipRtpSocket::Open("127.0.0.1");
  ASSERT_NE(rtp, nullptr);
  EXPECT_EQ(rtp->LocalPort() % 2, 0);
  EXPECT_GE(rtp->LocalPort(), SipRtpSocket::kFirstPort);
  sockaddr_in peerAddress;
  sockaddr_in strangerAddress;
  const int peer = BoundUdp(peerAddress);
  const int stranger = BoundUdp(strangerAddress);
  EXPECT_FALSE(rtp->Send(std::vector<uint8_t>{1}));  // no remote yet
  rtp->SetRemote({"127.0.0.1", ntohs(peerAddress.sin_port)});

  std::vector<uint8_t> markers;
  SipHostPort lastSource;
  rtp->SetReceiver([&](std::span<const uint8_t> packet, const SipHostPort& source) {
    markers.push_back(packet.back());
    lastSource = source;
  });
  SendTo(stranger, rtp->LocalPort(), 1);
  SendTo(peer, rtp->LocalPort(), 2);
  SendTo(stranger, rtp->LocalPort(), 3);
  SendTo(peer, rtp->LocalPort(), 4);
  EXPECT_TRUE(rtp->Send(std::vector<uint8_t>{9, 8, 7}));
  RunUntil([&] { return markers.size() >= 2; }, 2000);
  EXPECT_EQ(markers, (std::vector<uint8_t>{2, 4}));
  EXPECT_EQ(lastSource, (SipHostPort{"127.0.0.1", ntohs(peerAddress.sin_port)}));

  uint8_t received[16] = {};
  EXPECT_EQ(::recv(peer, received, sizeof received, 0), 3);
  EXPECT_EQ(received[0], 9);

  // On hold (0.0.0.0) nothing is sent or delivered.
  rtp->SetRemote({"0.0.0.0", 4000});
  EXPECT_FALSE(rtp->Remote().IsSet());
  EXPECT_FALSE(rtp->Send(std::vector<uint8_t>{1}));
  ::close(peer);
  ::close(stranger);
}

TEST_F(SipRtpSocketTest, EachCallGetsItsOwnPortAndABadAddressFails) {
  std::unique_ptr<SipRtpSocket> first = SipRtpSocket::Open("127.0.0.1");
  std::unique_ptr<SipRtpSocket> second = SipRtpSocket::Open("127.0.0.1");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first->LocalPort(), second->LocalPort());
  EXPECT_EQ(SipRtpSocket::Open("not an address"), nullptr);
}

}  // namespace
