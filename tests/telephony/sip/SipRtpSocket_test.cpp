#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "SipTestSupport.h"
#include "telephony/sip/SipRtpLatch.h"
#include "telephony/sip/SipRtpSocket.h"

namespace {

using Mode = SipRtpLatchMode;

// One packet from `source`, not the current address, `atMs` after the start;
// `confirmed`: a packet came from the current address first.
struct LatchRow { const char* what; Mode mode; SipHostPort source; uint64_t atMs; bool started, confirmed, takes; };

std::ostream& operator<<(std::ostream& out, const LatchRow& row) { return out << row.what; }

TEST(SipRtpLatchTest, TakesOverOnlyEarlyFromTheAllowedHostsAndOncePerWindow) {
  const SipHostPort nat{"192.0.2.1", 40000}, other{"198.51.100.9", 40000};
  const LatchRow rows[] = {
      {"signalling host, another port", Mode::kSignalling, nat, 0, true, false, true},
      {"last moment of the window", Mode::kSignalling, nat, SipRtpLatch::kWindowMs - 1, true, false, true},
      {"window over", Mode::kSignalling, nat, SipRtpLatch::kWindowMs, true, false, false},
      {"another host", Mode::kSignalling, other, 0, true, false, false},
      {"another host, any", Mode::kAny, other, 0, true, false, true},
      {"off", Mode::kOff, nat, 0, true, false, false},
      {"media not started", Mode::kSignalling, nat, 0, false, false, false},
      {"stream already heard", Mode::kAny, nat, 0, true, true, false},
      {"port 0", Mode::kAny, {"192.0.2.1", 0}, 0, true, false, false},
  };
  for (const LatchRow& row : rows) {
    SipRtpLatch latch(row.mode, "192.0.2.1");
    latch.Restart(0);  // the SDP came before the media started: no window yet
    if (row.started) latch.Start(1000);
    if (row.confirmed) latch.Confirm();
    EXPECT_EQ(latch.Takes(row.source, 1000 + row.atMs), row.takes) << row;
    EXPECT_FALSE(latch.Takes(row.source, 1000 + row.atMs)) << row << ": a second take-over";
  }
}

TEST(SipRtpLatchTest, ALaterSdpAimingAtAThirdHostIsHeldInTheSignallingModeOnly) {
  struct Row { const char* what; Mode mode; const char* previous; const char* next; bool held; };
  const Row rows[] = {
      {"third host", Mode::kSignalling, "192.0.2.1", "198.51.100.9", true},
      {"first SDP", Mode::kSignalling, "", "198.51.100.9", false},
      {"back to the signalling host", Mode::kSignalling, "203.0.113.5", "192.0.2.1", false},
      {"same host, other port", Mode::kSignalling, "203.0.113.5", "203.0.113.5", false},
      {"any", Mode::kAny, "192.0.2.1", "198.51.100.9", false},
      {"off", Mode::kOff, "192.0.2.1", "198.51.100.9", false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(SipRtpLatch(row.mode, "192.0.2.1").HoldsMoveTo({row.next, 4000}, row.previous), row.held) << row.what;
}

class SipRtpSocketTest : public SipLoopFixture {};

// An RTP-like datagram whose last byte tells it apart.
void SendMarked(int from, uint16_t port, uint8_t marker) {
  SendToLoopback(from, port, std::string{'\x80', '\0', static_cast<char>(marker)});
}

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
  rtp->SetReceiver([&](std::span<const uint8_t> packet) { markers.push_back(packet.back()); });
  for (uint8_t marker = 1; marker <= 4; ++marker) SendMarked(marker % 2 ? stranger : peer, rtp->LocalPort(), marker);
  EXPECT_TRUE(rtp->Send(std::vector<uint8_t>{9, 8, 7}));
  RunUntil([&] { return markers.size() >= 2; });
  EXPECT_EQ(markers, (std::vector<uint8_t>{2, 4}));
  uint8_t received[16] = {};
  EXPECT_EQ(::recv(peer, received, sizeof received, 0), 3);
  EXPECT_EQ(received[0], 9);
  // On hold (0.0.0.0) nothing is sent.
  rtp->SetRemote({"0.0.0.0", 4000});
  EXPECT_FALSE(rtp->Remote().IsSet() || rtp->Send(std::vector<uint8_t>{1}));
  ::close(peer);
  ::close(stranger);
}

TEST_F(SipRtpSocketTest, AStreamFromTheSignallingHostTakesOverTheSdpAddressAndIsSentTo) {
  std::unique_ptr<SipRtpSocket> rtp = SipRtpSocket::Open("127.0.0.1");
  ASSERT_NE(rtp, nullptr);
  uint16_t sdpPort = 0, natPort = 0, laterPort = 0, strangerPort = 0;
  const int flags = SOCK_DGRAM | SOCK_NONBLOCK;
  const int sdp = BoundUdp(sdpPort, flags), nat = BoundUdp(natPort, flags);
  const int later = BoundUdp(laterPort, flags), stranger = BoundUdp(strangerPort, flags, "127.0.0.2");
  std::vector<std::string> switches;
  rtp->SetLatch(SipRtpLatch(Mode::kSignalling, "127.0.0.1"), [&](const SipHostPort& from, const SipHostPort& to) {
    switches.push_back(std::to_string(from.port) + ">" + std::to_string(to.port));
  });
  std::vector<uint8_t> markers;
  rtp->SetReceiver([&](std::span<const uint8_t> packet) { markers.push_back(packet.back()); });
  const auto send = [&](int from, uint8_t marker) { SendMarked(from, rtp->LocalPort(), marker); };
  const auto heard = [&](uint8_t marker) { return !markers.empty() && markers.back() == marker; };
  int atNat = 0, atSdp = 0;
  const auto receive = [](int fd) {
    uint8_t packet[16] = {};
    return ::recv(fd, packet, sizeof packet, 0) > 0 ? packet[0] : 0;
  };
  rtp->SetRemote({"127.0.0.1", sdpPort});
  // The loop runs once: each step sends, then waits for the last packet that
  // gets through. Datagrams to one socket arrive in the order sent.
  runner_.Run({[&] { return send(nat, 1), send(sdp, 2), true; },  // the first before the media starts
               [&] { return heard(2); },
               [&] {
                 rtp->StartLatch();
                 send(stranger, 3);  // another host
                 send(nat, 4);
                 send(later, 5);  // the window closed with the take-over
                 return send(nat, 6), true;
               },
               [&] { return heard(6); },
               [&] { return rtp->Send(std::vector<uint8_t>{7}); },
               [&] { return (atNat = receive(nat)) != 0; },
               [&] {
                 atSdp = receive(sdp);
                 EXPECT_EQ(rtp->Remote(), (SipHostPort{"127.0.0.1", natPort}));
                 // The same SDP again (a re-INVITE changing nothing) keeps
                 // the stream; a new address is taken as it stands and may
                 // be taken over again.
                 rtp->SetRemote({"127.0.0.1", sdpPort});
                 EXPECT_EQ(rtp->Remote().port, natPort);
                 rtp->SetRemote({"127.0.0.1", laterPort});
                 return send(nat, 8), true;
               },
               [&] { return heard(8); }},
              3000);
  EXPECT_EQ(markers, (std::vector<uint8_t>{2, 4, 6, 8}));
  EXPECT_EQ(std::pair(atNat, atSdp), std::pair(7, 0));
  EXPECT_EQ(switches, (std::vector<std::string>{std::to_string(sdpPort) + ">" + std::to_string(natPort),
                                                std::to_string(laterPort) + ">" + std::to_string(natPort)}));
  for (const int fd : {sdp, nat, later, stranger}) ::close(fd);
}

TEST_F(SipRtpSocketTest, ARemoteMovedToAThirdHostIsSentToOnlyOnceHeardFrom) {
  std::unique_ptr<SipRtpSocket> rtp = SipRtpSocket::Open("127.0.0.1");
  ASSERT_NE(rtp, nullptr);
  uint16_t sdpPort = 0, thirdPort = 0;
  const int sdp = BoundUdp(sdpPort, SOCK_DGRAM | SOCK_NONBLOCK);
  const int third = BoundUdp(thirdPort, SOCK_DGRAM | SOCK_NONBLOCK, "127.0.0.9");
  std::vector<std::string> moves;
  rtp->SetLatch(SipRtpLatch(Mode::kSignalling, "127.0.0.1"), nullptr);
  rtp->SetMoveObserver([&](const SipHostPort&, const SipHostPort& to) { moves.push_back(to.Text()); });
  std::vector<uint8_t> markers;
  rtp->SetReceiver([&](std::span<const uint8_t> packet) { markers.push_back(packet.back()); });
  rtp->SetRemote({"127.0.0.1", sdpPort});
  rtp->StartLatch();
  EXPECT_TRUE(rtp->Send(std::vector<uint8_t>{1}));
  rtp->SetRemote({"127.0.0.9", thirdPort});
  EXPECT_FALSE(rtp->Send(std::vector<uint8_t>{2}));
  EXPECT_EQ(moves, std::vector<std::string>{"127.0.0.9:" + std::to_string(thirdPort)});
  SendMarked(third, rtp->LocalPort(), 3);
  RunUntil([&] { return !markers.empty(); }, 3000);
  EXPECT_EQ(markers, std::vector<uint8_t>{3});
  EXPECT_TRUE(rtp->Send(std::vector<uint8_t>{4}));
  uint8_t received[4] = {};
  EXPECT_EQ(std::pair(::recv(third, received, sizeof received, 0), received[0]), std::pair(ssize_t{1}, uint8_t{4}));
  ::close(sdp);
  ::close(third);
}

}  // namespace
