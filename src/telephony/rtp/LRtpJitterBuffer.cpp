#include "telephony/rtp/LRtpJitterBuffer.h"

#include <algorithm>

#include "telephony/rtp/RtpG711.h"

namespace {

constexpr int64_t kSamplesPerMs = 8;

}  // namespace

LRtpJitterBuffer::LRtpJitterBuffer(uint32_t depthMs) : depth_(depthMs * kSamplesPerMs) {}

void LRtpJitterBuffer::Reset() {
  frames_.clear();
  started_ = drained_ = false;
  playout_ = last_ = highestSequence_ = 0;
  seen_ = 0;
}

int64_t LRtpJitterBuffer::Extend(uint32_t timestamp) const {
  return last_ + static_cast<int32_t>(timestamp - static_cast<uint32_t>(last_));
}

bool LRtpJitterBuffer::SeenBefore(uint16_t sequence) {
  const int16_t ahead = static_cast<int16_t>(sequence - static_cast<uint16_t>(highestSequence_));
  if (ahead > 0) {
    seen_ = ahead >= 64 ? 1 : (seen_ << ahead) | 1;
    highestSequence_ += ahead;
    return false;
  }
  // Too old to remember: its timestamp will show it late.
  if (-ahead >= 64) return false;
  const uint64_t bit = uint64_t{1} << -ahead;
  const bool seen = (seen_ & bit) != 0;
  seen_ |= bit;
  return seen;
}

LRtpJitterBuffer::Outcome LRtpJitterBuffer::Put(const LRtpPacket& packet) {
  const size_t samples = packet.payload.size();
  if (!IsRtpG711(packet.payloadType) || samples == 0 || samples > kMaxPacketMs * kSamplesPerMs) {
    return Outcome::kUnsupported;
  }
  if (!started_ || packet.ssrc != ssrc_) {
    Reset();
    started_ = true;
    ssrc_ = packet.ssrc;
    last_ = packet.timestamp;
    highestSequence_ = static_cast<uint16_t>(packet.sequence - 1);
    Anchor(last_);
  }
  if (SeenBefore(packet.sequence)) return Outcome::kDuplicate;
  const int64_t timestamp = Extend(packet.timestamp);
  // Empty: the stream paused, or our clock ran ahead of the sender's.
  if (drained_ && (timestamp < playout_ || timestamp > playout_ + depth_)) Anchor(timestamp);
  const int64_t end = timestamp + static_cast<int64_t>(samples);
  if (end <= playout_) return Outcome::kLate;
  std::vector<int16_t>& frame = frames_[timestamp];
  frame.resize(samples);
  RtpG711Decode(packet.payloadType, packet.payload, frame.data());
  last_ = timestamp;
  drained_ = false;
  // The sender's clock runs faster than ours: hold the delay at the depth.
  if (end - playout_ > depth_ + static_cast<int64_t>(kSlackMs) * kSamplesPerMs) playout_ = end - depth_;
  return Outcome::kQueued;
}

void LRtpJitterBuffer::Pull(std::span<int16_t> out) {
  std::fill(out.begin(), out.end(), int16_t{0});
  if (!started_) return;
  const int64_t from = playout_;
  const int64_t to = from + static_cast<int64_t>(out.size());
  for (auto it = frames_.begin(); it != frames_.end() && it->first < to;) {
    const int64_t stop = it->first + static_cast<int64_t>(it->second.size());
    const int64_t first = std::max(it->first, from);
    const int64_t last = std::min(stop, to);
    if (first < last) {
      std::copy(it->second.begin() + (first - it->first), it->second.begin() + (last - it->first),
                out.begin() + (first - from));
    }
    it = stop <= to ? frames_.erase(it) : std::next(it);
  }
  playout_ = to;
  drained_ = frames_.empty();
}

uint32_t LRtpJitterBuffer::Buffered() const {
  if (frames_.empty()) return 0;
  const auto& [timestamp, samples] = *frames_.rbegin();
  return static_cast<uint32_t>(std::max<int64_t>(0, timestamp + static_cast<int64_t>(samples.size()) - playout_));
}
