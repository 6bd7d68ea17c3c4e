#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "core/PiMutex.h"
#include "telephony/wave/LWaveDevices.h"
#include "telephony/wave/LWaveQueue.h"

// Where a call's media meets the wave devices its player and recorder open:
// the devices register their buffer queues here, and the media, on each
// packet slot, takes the played audio out of them and puts the received
// audio into them. The devices may outlive the media (they share the hub);
// once the call has ended, played buffers come back done at once and
// recording buffers are held until their owner resets the device.
//
// Thread-safe: devices are opened and used on the player's and recorder's
// threads, the media works on the loop thread. Lock order: hub, then queue.
class LRtpDeviceHub {
 public:
  // The only format the devices open with; the player and recorder convert.
  static constexpr uint32_t kSampleRate = 8000;

  LRtpDeviceHub() = default;
  LRtpDeviceHub(const LRtpDeviceHub&) = delete;
  LRtpDeviceHub& operator=(const LRtpDeviceHub&) = delete;

  // Openers for the player and recorder; they fail (null) for any format but
  // 8000 Hz mono and once the call has ended.
  static LWaveOutOpener OutOpener(const std::shared_ptr<LRtpDeviceHub>& hub);
  static LWaveInOpener InOpener(const std::shared_ptr<LRtpDeviceHub>& hub);

  // Device side.
  void AttachOut(LWaveQueue& queue);
  void AttachIn(LWaveQueue& queue);
  // After this no queue is touched by the hub.
  void Detach(LWaveQueue& queue);
  // A played buffer was queued: after the end of the call it is returned.
  void Played(LWaveQueue& queue);
  bool Ended() const;

  // Media side.
  // `frame` becomes the mix of every playing device's next samples, silence
  // where they have none (paused, empty).
  void Play(std::span<int16_t> frame);
  // Drops up to `samples` of every playing device's audio, whose time has
  // passed unsent.
  void Discard(uint32_t samples);
  // Gives `frame` to every recording device.
  void Record(std::span<const int16_t> frame);
  // The call has ended: played buffers come back now; a recording buffer
  // comes back with what it holds.
  void End();

 private:
  static bool Acceptable(const LWavePcmFormat& format);
  static void Remove(std::vector<LWaveQueue*>& queues, const LWaveQueue* queue);

  mutable PiMutex lock_;
  std::vector<LWaveQueue*> outs_;
  std::vector<LWaveQueue*> ins_;
  bool ended_ = false;
};
