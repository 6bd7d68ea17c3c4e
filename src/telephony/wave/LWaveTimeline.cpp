#include "telephony/wave/LWaveTimeline.h"

LWaveTimeline::LWaveTimeline(double speed)
    : start_(Clock::now()), speed_(speed > 0 ? speed : 1.0) {}

int64_t LWaveTimeline::FrameNow(uint32_t rate) const {
  const std::chrono::duration<double> elapsed = Clock::now() - start_;
  return static_cast<int64_t>(elapsed.count() * speed_ * rate);
}

LWaveTimeline::Clock::duration LWaveTimeline::Duration(int64_t frames, uint32_t rate) const {
  const std::chrono::duration<double> seconds(static_cast<double>(frames) / rate / speed_);
  return std::chrono::duration_cast<Clock::duration>(seconds);
}
