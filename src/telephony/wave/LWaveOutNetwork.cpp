#include "telephony/wave/LWaveOutNetwork.h"

#include "core/Trace.h"
#include "telephony/wave/LWavePacer.h"

std::unique_ptr<LWaveOutNetwork> LWaveOutNetwork::Open(const LWavePcmFormat& format, LSignalObject& done,
                                                       std::shared_ptr<LWaveNetworkLink> link) {
  if (format.sampleRate != LWaveNetworkLink::kSampleRate || format.channels != 1) {
    Trace("LWaveOutNetwork plays 8000 Hz mono, asked for %u Hz %d channels", format.sampleRate,
          format.channels);
    return nullptr;
  }
  return std::unique_ptr<LWaveOutNetwork>(new LWaveOutNetwork(format, done, std::move(link)));
}

LWaveOutNetwork::LWaveOutNetwork(const LWavePcmFormat& format, LSignalObject& done,
                                 std::shared_ptr<LWaveNetworkLink> link)
    : LWaveOutQueued(done), format_(format), link_(std::move(link)), thread_(&LWaveOutNetwork::Run, this) {}

LWaveOutNetwork::~LWaveOutNetwork() {
  queue_.Shutdown();
  thread_.join();
  queue_.ReturnAll();
}

void LWaveOutNetwork::Run() {
  LWavePacer pacer(queue_, timeline_, format_);
  while (!queue_.IsShutdown()) {
    LWaveQueue::Chunk chunk = pacer.Next([] {});
    if (!chunk) continue;
    link_->Play(reinterpret_cast<const int16_t*>(chunk.bytes), chunk.size / 2);
    queue_.Release(chunk.size);
  }
}
