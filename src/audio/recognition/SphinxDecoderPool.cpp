#include "audio/recognition/SphinxDecoderPool.h"

SphinxDecoderPool::Lease::~Lease() {
  if (pool_ && decoder_) pool_->Give(model_, std::move(decoder_));
}

SphinxDecoderPool& SphinxDecoderPool::Shared() {
  static SphinxDecoderPool pool;
  return pool;
}

SphinxDecoderPool::Lease SphinxDecoderPool::Take(const SpeechRecModel& model) {
  std::unique_ptr<SphinxDecoder> decoder;
  {
    const std::lock_guard lock(mutex_);
    for (auto it = idle_.begin(); it != idle_.end(); ++it) {
      if (it->first == model.name) {
        decoder = std::move(it->second);
        idle_.erase(it);
        break;
      }
    }
  }
  if (decoder && !decoder->Restart()) decoder.reset();
  if (!decoder) {
    decoder = std::make_unique<SphinxDecoder>();
    if (!decoder->Open(model)) decoder.reset();
  }
  return Lease(this, model.name, std::move(decoder));
}

void SphinxDecoderPool::Give(const std::string& model, std::unique_ptr<SphinxDecoder> decoder) {
  const std::lock_guard lock(mutex_);
  if (idle_.size() < kMaxIdle) idle_.emplace_back(model, std::move(decoder));
}
