#include "telephony/rtp/LRtpDeviceHub.h"

#include <algorithm>
#include <cstring>

#include "core/Trace.h"
#include "telephony/rtp/LRtpWaveIn.h"
#include "telephony/rtp/LRtpWaveOut.h"

namespace {

constexpr uint32_t kSampleBytes = 2;

// Runs `use` on successive chunks of the queue's front buffers until
// `samples` have passed or the queue has none ready.
template <class Use>
void TakeSamples(LWaveQueue& queue, uint32_t samples, Use use) {
  uint32_t done = 0;
  while (done < samples) {
    const LWaveQueue::Chunk chunk = queue.Acquire((samples - done) * kSampleBytes, 0);
    if (!chunk) return;
    const uint32_t count = chunk.size / kSampleBytes;
    use(reinterpret_cast<int16_t*>(chunk.bytes), done, count);
    queue.Release(chunk.size);
    done += count;
  }
}

}  // namespace

bool LRtpDeviceHub::Acceptable(const LWavePcmFormat& format) {
  if (format.sampleRate == kSampleRate && format.channels == 1) return true;
  Trace("LRtpDeviceHub call audio is 8000 Hz mono, %u Hz %d channels refused", format.sampleRate,
        format.channels);
  return false;
}

LWaveOutOpener LRtpDeviceHub::OutOpener(const std::shared_ptr<LRtpDeviceHub>& hub) {
  return [hub](const LWavePcmFormat& format, LSignalObject& done,
               bool) -> std::unique_ptr<LWaveOutDevice> {
    if (!Acceptable(format)) return nullptr;
    if (hub->Ended()) {
      Trace("LRtpDeviceHub wave-out open after the call ended FAILED");
      return nullptr;
    }
    return std::make_unique<LRtpWaveOut>(hub, done);
  };
}

LWaveInOpener LRtpDeviceHub::InOpener(const std::shared_ptr<LRtpDeviceHub>& hub) {
  return [hub](const LWavePcmFormat& format, LSignalObject& done,
               bool) -> std::unique_ptr<LWaveInDevice> {
    if (!Acceptable(format)) return nullptr;
    if (hub->Ended()) {
      Trace("LRtpDeviceHub wave-in open after the call ended FAILED");
      return nullptr;
    }
    return std::make_unique<LRtpWaveIn>(hub, done);
  };
}

void LRtpDeviceHub::AttachOut(LWaveQueue& queue) {
  std::lock_guard<PiMutex> guard(lock_);
  outs_.push_back(&queue);
}

void LRtpDeviceHub::AttachIn(LWaveQueue& queue) {
  std::lock_guard<PiMutex> guard(lock_);
  ins_.push_back(&queue);
}

void LRtpDeviceHub::Remove(std::vector<LWaveQueue*>& queues, const LWaveQueue* queue) {
  queues.erase(std::remove(queues.begin(), queues.end(), queue), queues.end());
}

void LRtpDeviceHub::Detach(LWaveQueue& queue) {
  std::lock_guard<PiMutex> guard(lock_);
  Remove(outs_, &queue);
  Remove(ins_, &queue);
}

void LRtpDeviceHub::Played(LWaveQueue& queue) {
  std::lock_guard<PiMutex> guard(lock_);
  if (ended_) queue.ReturnAll();
}

bool LRtpDeviceHub::Ended() const {
  std::lock_guard<PiMutex> guard(lock_);
  return ended_;
}

void LRtpDeviceHub::Play(std::span<int16_t> frame) {
  std::fill(frame.begin(), frame.end(), int16_t{0});
  std::lock_guard<PiMutex> guard(lock_);
  const auto samples = static_cast<uint32_t>(frame.size());
  if (outs_.size() == 1) {
    TakeSamples(*outs_.front(), samples, [&](const int16_t* pcm, uint32_t at, uint32_t count) {
      std::memcpy(frame.data() + at, pcm, count * kSampleBytes);
    });
    return;
  }
  for (LWaveQueue* queue : outs_) {
    TakeSamples(*queue, samples, [&](const int16_t* pcm, uint32_t at, uint32_t count) {
      for (uint32_t i = 0; i < count; ++i) {
        const int32_t sum = int32_t{frame[at + i]} + pcm[i];
        frame[at + i] = static_cast<int16_t>(std::clamp<int32_t>(sum, INT16_MIN, INT16_MAX));
      }
    });
  }
}

void LRtpDeviceHub::Discard(uint32_t samples) {
  std::lock_guard<PiMutex> guard(lock_);
  for (LWaveQueue* queue : outs_)
    TakeSamples(*queue, samples, [](const int16_t*, uint32_t, uint32_t) {});
}

void LRtpDeviceHub::Record(std::span<const int16_t> frame) {
  std::lock_guard<PiMutex> guard(lock_);
  for (LWaveQueue* queue : ins_) {
    TakeSamples(*queue, static_cast<uint32_t>(frame.size()),
                [&](int16_t* pcm, uint32_t at, uint32_t count) {
                  std::memcpy(pcm, frame.data() + at, count * kSampleBytes);
                });
  }
}

void LRtpDeviceHub::End() {
  std::lock_guard<PiMutex> guard(lock_);
  ended_ = true;
  for (LWaveQueue* queue : outs_) queue->ReturnAll();
  for (LWaveQueue* queue : ins_) queue->ReturnPartial();
}
