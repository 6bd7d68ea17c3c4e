#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

// The audio of one remote phone (a browser page): what its earpiece is to
// hear and what its microphone sent, both 8 kHz 16-bit mono PCM. The network
// wave devices meet the connection here, each side at its own pace, so a
// slow or stalled page never holds up the player or recorder threads:
// - downstream, audio the page has not fetched within kMaxHeldMs is dropped,
//   oldest first;
// - upstream, a recorder that finds too little is padded with silence, and
//   audio running more than kMaxHeldMs ahead is dropped, oldest first.
// Every member may be called from any thread.
class LWaveNetworkLink {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr uint32_t kSampleRate = 8000;
  static constexpr int kMaxHeldMs = 1000;
  static constexpr std::size_t kMaxHeldBytes = kSampleRate * 2 * kMaxHeldMs / 1000;

  LWaveNetworkLink();

  // Downstream: the wave-out device adds what sounded; the connection takes
  // it, waiting up to `waitMs` for some; "" when none came or the link closed.
  void Play(const int16_t* pcm, std::size_t samples);
  std::string TakePlayed(int waitMs);

  // Upstream: the connection adds what the microphone sent (an odd last
  // byte is ignored); the wave-in device takes `samples`, silence where
  // nothing came.
  void Heard(std::string_view bytes);
  void Fill(int16_t* pcm, std::size_t samples);
  // When the page last sent audio (the link's making before that).
  Clock::time_point LastHeard() const;

  // The page went away: the phone is to be hung up. Ends TakePlayed's waits.
  void Close();
  bool Closed() const;

 private:
  static void Hold(std::deque<uint8_t>& held, const uint8_t* bytes, std::size_t size);

  mutable std::mutex lock_;
  std::condition_variable played_;
  std::deque<uint8_t> down_;
  std::deque<uint8_t> up_;
  Clock::time_point lastHeard_;
  bool closed_ = false;
};
