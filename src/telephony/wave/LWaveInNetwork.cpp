#include "telephony/wave/LWaveInNetwork.h"

#include "core/Trace.h"
#include "telephony/wave/LWavePacer.h"

std::unique_ptr<LWaveInNetwork> LWaveInNetwork::Open(const LWavePcmFormat& format, LSignalObject& done,
                                                     std::shared_ptr<LWaveNetworkLink> link) {
  if (format.sampleRate != LWaveNetworkLink::kSampleRate || format.channels != 1) {
    Trace("LWaveInNetwork records 8000 Hz mono, asked for %u Hz %d channels", format.sampleRate,
          format.channels);
    return nullptr;
  }
  return std::unique_ptr<LWaveInNetwork>(new LWaveInNetwork(format, done, std::move(link)));
}

LWaveInNetwork::LWaveInNetwork(const LWavePcmFormat& format, LSignalObject& done,
                               std::shared_ptr<LWaveNetworkLink> link)
    : format_(format),
      link_(std::move(link)),
      queue_(LWaveQueue::Direction::kIn, done, false),
      thread_(&LWaveInNetwork::Run, this) {}

LWaveInNetwork::~LWaveInNetwork() {
  queue_.Shutdown();
  thread_.join();
  queue_.ReturnAll();
}

void LWaveInNetwork::Stop() {
  queue_.SetRunning(false);
  queue_.ReturnPartial();
}

void LWaveInNetwork::Reset() {
  queue_.SetRunning(false);
  queue_.ReturnAll();
}

void LWaveInNetwork::Run() {
  LWavePacer pacer(queue_, timeline_, format_);
  while (!queue_.IsShutdown()) {
    LWaveQueue::Chunk chunk = pacer.Next([] {});
    if (!chunk) continue;
    link_->Fill(reinterpret_cast<int16_t*>(chunk.bytes), chunk.size / 2);
    queue_.Release(chunk.size);
  }
}
