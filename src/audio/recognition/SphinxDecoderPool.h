#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "audio/recognition/SphinxDecoder.h"

// Loaded decoders kept for the next message: loading a model costs more
// processor time than decoding a short message, and freeing one takes long
// enough to delay a cancelled job's return. Jobs at once each get their own.
class SphinxDecoderPool {
 public:
  // A decoder lent to one job, back in the pool when it goes.
  class Lease {
   public:
    Lease(SphinxDecoderPool* pool, std::string model, std::unique_ptr<SphinxDecoder> decoder)
        : pool_(pool), model_(std::move(model)), decoder_(std::move(decoder)) {}
    ~Lease();
    Lease(Lease&&) = default;
    Lease& operator=(Lease&&) = delete;

    // Null when the model could not be loaded.
    SphinxDecoder* operator->() const { return decoder_.get(); }
    explicit operator bool() const { return decoder_ != nullptr; }

   private:
    SphinxDecoderPool* pool_;
    std::string model_;
    std::unique_ptr<SphinxDecoder> decoder_;
  };

  // Kept for the process's lifetime.
  static SphinxDecoderPool& Shared();

  // An idle decoder of `model`, restarted, or a freshly loaded one.
  Lease Take(const SpeechRecModel& model);

 private:
  static constexpr std::size_t kMaxIdle = 2;

  void Give(const std::string& model, std::unique_ptr<SphinxDecoder> decoder);

  std::mutex mutex_;
  std::vector<std::pair<std::string, std::unique_ptr<SphinxDecoder>>> idle_;
};
