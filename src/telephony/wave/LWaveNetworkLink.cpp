#include "telephony/wave/LWaveNetworkLink.h"

#include <algorithm>

LWaveNetworkLink::LWaveNetworkLink() : lastHeard_(Clock::now()) {}

void LWaveNetworkLink::Hold(std::deque<uint8_t>& held, const uint8_t* bytes, std::size_t size) {
  held.insert(held.end(), bytes, bytes + size);
  // Both sides add whole samples, so dropping keeps the stream aligned.
  if (held.size() <= kMaxHeldBytes) return;
  held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(held.size() - kMaxHeldBytes));
}

void LWaveNetworkLink::Play(const int16_t* pcm, std::size_t samples) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (closed_) return;
    Hold(down_, reinterpret_cast<const uint8_t*>(pcm), samples * 2);
  }
  played_.notify_all();
}

std::string LWaveNetworkLink::TakePlayed(int waitMs) {
  std::unique_lock<std::mutex> hold(lock_);
  played_.wait_for(hold, std::chrono::milliseconds(waitMs), [this] { return closed_ || !down_.empty(); });
  std::string bytes(down_.begin(), down_.end());
  down_.clear();
  return bytes;
}

void LWaveNetworkLink::Heard(std::string_view bytes) {
  std::lock_guard<std::mutex> hold(lock_);
  lastHeard_ = Clock::now();
  Hold(up_, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size() & ~std::size_t{1});
}

void LWaveNetworkLink::Fill(int16_t* pcm, std::size_t samples) {
  std::lock_guard<std::mutex> hold(lock_);
  const std::size_t have = std::min(samples, up_.size() / 2);
  auto* bytes = reinterpret_cast<uint8_t*>(pcm);
  std::copy_n(up_.begin(), have * 2, bytes);
  up_.erase(up_.begin(), up_.begin() + static_cast<std::ptrdiff_t>(have * 2));
  std::fill(pcm + have, pcm + samples, int16_t{0});
}

LWaveNetworkLink::Clock::time_point LWaveNetworkLink::LastHeard() const {
  std::lock_guard<std::mutex> hold(lock_);
  return lastHeard_;
}

void LWaveNetworkLink::Close() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
  }
  played_.notify_all();
}

bool LWaveNetworkLink::Closed() const {
  std::lock_guard<std::mutex> hold(lock_);
  return closed_;
}
