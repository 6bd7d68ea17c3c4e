#include "telephony/dsp/LSinkAnswerDetect.h"

#include <algorithm>

#include "core/Trace.h"

namespace {

constexpr int32_t kMaxSample = 1 << 24;  // far beyond any real sample

int64_t MsToSamples(int32_t ms) {
  const int64_t clamped = std::max(ms, 0);
  return clamped / 1000 * 8000 + clamped % 1000 * 8000 / 1000;
}

}  // namespace

LSinkAnswerDetect::LSinkAnswerDetect(std::shared_ptr<std::atomic<uint8_t>> result,
                                     int32_t silenceMs, int32_t timeoutMs)
    : LSoundSinkBase(kRate, 1),
      result_(std::move(result)),
      timeoutSamples_(MsToSamples(timeoutMs)),
      silenceLimit_(MsToSamples(silenceMs)) {
  result_->store(0);
}

void LSinkAnswerDetect::Write(const int32_t *buffer, int32_t frames) {
  Advance(frames);
  for (int32_t i = 0; i < frames; ++i) {
    const int32_t sample = std::clamp(buffer[i], -kMaxSample, kMaxSample);
    largest_ = std::max(largest_, sample);
    smallest_ = std::min(smallest_, sample);
    ++written_;
    if (--countdown_ == 0) {
      countdown_ = kBlock;
      TestAnswer();
      largest_ = smallest_ = 0;
    }
  }
}

void LSinkAnswerDetect::TestAnswer() {
  const int32_t peak = std::max(largest_, -smallest_);
  // Falls slowly, rises fast: the level of the far end's speech.
  average_ += (peak - average_) >> (peak <= average_ ? 9 : 5);
  if (peak < (average_ >> 2)) {
    silence_ += kBlock;
    if (silence_ > silenceLimit_) {
      Trace("LSinkAnswerDetect::TestAnswer Answered detected");
      result_->store(written_ <= kPersonLimit ? kPerson : kMachine);
    }
  } else {
    silence_ = 0;
  }
  if (written_ > timeoutSamples_) {
    Trace("LSinkAnswerDetect::TestAnswer TimeOut detected");
    result_->store(kNoAnswer);
  }
}
