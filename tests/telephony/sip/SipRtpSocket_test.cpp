#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SipTestSupport.h"
#include "telephony/sip/SipRtpSocket.h"

namespace {

class SipRtpSocketTest : public SipLoopFixture {};

TEST_F(SipRtpSocketTest, DeliversOnlyTheRemotesPacketsSendsToItAndEachCallHasItsOwnPort) {
  std::unique_ptr<SipRtpSocket> rtp = SipRtpSocket::Open("127.0.0.1");
  ASSERT_NE(rtp, nullptr);
  EXPECT_TRUE(rtp->LocalPort() % 2 == 0 && rtp->LocalPort() >= SipRtpSocket::kFirstPort) << rtp->LocalPort();
  EXPECT_NE(SipRtpSocket::Open("127.0.0.1")->LocalPort(), rtp->LocalPort());
  EXPECT_EQ(SipRtpSocket::Open("not an address"), nullptr);
  uint16_t peerPort = 0, strangerPort = 0;
  const int peer = BoundUdp(peerPort, SOCK_DGRAM | SOCK_NONBLOCK);
  const int stranger = BoundUdp(strangerPort);
  EXPECT_FALSE(rtp->Send(std::vector<uint8_t>{1}));  // no remote yet
  rtp->SetRemote({"127.0.0.1", peerPort});
  std::vector<uint8_t> markers;
  SipHostPort lastSource;
  rtp->SetReceiver([&](std::span<const uint8_t> packet, const SipHostPort& source) {
    markers.push_back(packet.back());
    lastSource = source;
  });
  const sockaddr_in to = Loopback(rtp->LocalPort());
  for (uint8_t marker = 1; marker <= 4; ++marker) {
    const uint8_t packet[] = {0x80, 0x00, marker};
    ::sendto(marker % 2 ? stranger : peer, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  EXPECT_TRUE(rtp->Send(std::vector<uint8_t>{9, 8, 7}));
  RunUntil([&] { return markers.size() >= 2; }, 2000);
  EXPECT_EQ(markers, (std::vector<uint8_t>{2, 4}));
  EXPECT_EQ(lastSource, (SipHostPort{"127.0.0.1", peerPort}));
  uint8_t received[16] = {};
  EXPECT_EQ(::recv(peer, received, sizeof received, 0), 3);
  EXPECT_EQ(received[0], 9);
  // On hold (0.0.0.0) nothing is sent.
  rtp->SetRemote({"0.0.0.0", 4000});
  EXPECT_FALSE(rtp->Remote().IsSet() || rtp->Send(std::vector<uint8_t>{1}));
  ::close(peer);
  ::close(stranger);
}

}  // namespace
