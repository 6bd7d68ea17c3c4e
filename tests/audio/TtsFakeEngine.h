#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/TtsEngine.h"
#include "audio/TtsVoices.h"

// An engine whose voices say "sample value = 100 * (voice + 1)" in blocks of
// kBlock samples per piece. Gated, it hands out one block per Release();
// endless, it speaks until asked to stop.
class FakeTtsEngine final : public TtsEngine {
 public:
  static constexpr std::size_t kBlock = 800;

  FakeTtsEngine(std::vector<std::string> languages, int blocks = 1)
      : languages_(std::move(languages)), blocks_(blocks) {}

  int VoiceCount() const override { return static_cast<int>(languages_.size()); }
  std::string VoiceName(int voice) const override { return "Fake " + languages_.at(voice); }
  std::string VoiceLanguage(int voice) const override { return languages_.at(voice); }
  int32_t SampleRate(int) const override { return 8000; }

  bool Speak(int voice, std::string_view piece, const TtsSamples& out) override {
    {
      std::lock_guard<std::mutex> guard(lock_);
      pieces_.emplace_back(piece);
    }
    const std::vector<int16_t> block(kBlock, static_cast<int16_t>(100 * (voice + 1)));
    for (int i = 0; endless || i < blocks_; ++i) {
      if (gated && i > 0) WaitForRelease();
      if (endless) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (!out(block.data(), block.size())) return true;
    }
    return !failing;
  }

  void Release() { std::lock_guard<std::mutex>{lock_}, ++released_, wake_.notify_all(); }
  std::vector<std::string> Pieces() {
    std::lock_guard<std::mutex> guard(lock_);
    return pieces_;
  }

  bool gated = false, endless = false, failing = false;

 private:
  void WaitForRelease() {
    std::unique_lock<std::mutex> guard(lock_);
    wake_.wait(guard, [this] { return released_ > 0; });
    --released_;
  }

  std::vector<std::string> languages_, pieces_;
  int blocks_, released_ = 0;
  std::mutex lock_;
  std::condition_variable wake_;
};

// The languages of each fake engine's voices, engine by engine.
using EngineLanguages = std::vector<std::vector<std::string>>;

// Voices over fake engines, keeping a pointer to each for the test.
struct FakeVoices {
  explicit FakeVoices(EngineLanguages engineLanguages, int blocks = 1)
      : voices(Make(std::move(engineLanguages), blocks, engines)) {}

  std::vector<FakeTtsEngine*> engines;
  TtsVoices voices;

 private:
  static TtsVoices Make(EngineLanguages languages, int blocks, std::vector<FakeTtsEngine*>& raw) {
    std::vector<std::unique_ptr<TtsEngine>> owned;
    for (auto& list : languages) {
      auto engine = std::make_unique<FakeTtsEngine>(std::move(list), blocks);
      raw.push_back(engine.get());
      owned.push_back(std::move(engine));
    }
    return TtsVoices(std::move(owned));
  }
};
