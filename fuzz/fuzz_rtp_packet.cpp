// Parses arbitrary datagrams as RTP: a packet that parses must build back
// into the same datagram (padding bytes aside), and its G.711 payload goes
// through a jitter buffer.
#include <cstdlib>
#include <vector>

#include "telephony/rtp/LRtpJitterBuffer.h"
#include "telephony/rtp/LRtpPacket.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::span<const uint8_t> datagram(data, size);
  LRtpPacket packet;
  if (!LRtpPacket::Parse(datagram, packet)) return 0;
  Require(packet.payload.data() >= data && packet.payload.data() + packet.payload.size() <= data + size);
  const std::vector<uint8_t> built = packet.Build();
  Require(built.size() == size);
  // Everything but the padding's filler bytes comes out as it went in.
  const size_t filler = packet.padding ? packet.padding - 1u : 0;
  for (size_t i = 0; i < size; ++i) {
    const bool isFiller = i >= size - 1 - filler && i < size - 1;
    Require(isFiller ? built[i] == 0 : built[i] == data[i]);
  }
  LRtpJitterBuffer buffer;
  buffer.Put(packet);
  std::vector<int16_t> out(160);
  for (int i = 0; i < 4; ++i) buffer.Pull(out);
  return 0;
}
