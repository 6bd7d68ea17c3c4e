#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "telephony/rtp/LRtpPacket.h"

// The receive side of a call's audio: G.711 packets in, a steady 8000 Hz
// sample stream out. Packets are placed by their RTP timestamp, so packets
// that arrive out of order are put back in order as long as they come before
// their turn; a packet whose turn has passed is dropped as late, one seen
// before (by sequence number) as a duplicate, and a turn whose packet never
// came plays as silence.
//
// The depth is fixed (40 ms unless given): play-out starts that far behind
// the first packet. The delay is held near it: when the sender's clock runs
// faster and more than 60 ms beyond the depth piles up, play-out skips ahead
// to the depth again; when it runs slower, the buffer empties and the next
// packet starts play-out anew one depth behind it, as after a pause in the
// stream. A new SSRC starts everything anew.
class LRtpJitterBuffer {
 public:
  enum class Outcome { kQueued, kLate, kDuplicate, kUnsupported };

  static constexpr uint32_t kDepthMs = 40;
  static constexpr uint32_t kSlackMs = 60;
  static constexpr uint32_t kMaxPacketMs = 200;

  explicit LRtpJitterBuffer(uint32_t depthMs = kDepthMs);

  // Takes a PCMU or PCMA packet (others are kUnsupported, as are empty ones
  // and ones longer than kMaxPacketMs).
  Outcome Put(const LRtpPacket& packet);
  // The next `out.size()` samples of the call; silence before the first packet.
  void Pull(std::span<int16_t> out);
  // Samples waiting from the play-out point on.
  uint32_t Buffered() const;
  void Reset();

 private:
  int64_t Extend(uint32_t timestamp) const;
  bool SeenBefore(uint16_t sequence);
  void Anchor(int64_t timestamp) { playout_ = timestamp - depth_; }

  const int64_t depth_;
  std::map<int64_t, std::vector<int16_t>> frames_;  // by extended timestamp
  bool started_ = false;
  bool drained_ = false;
  uint32_t ssrc_ = 0;
  int64_t playout_ = 0;  // extended timestamp of the next sample out
  int64_t last_ = 0;     // extended timestamp of the last packet taken
  int64_t highestSequence_ = 0;
  uint64_t seen_ = 0;  // bit i: sequence highestSequence_ - i has come
};
