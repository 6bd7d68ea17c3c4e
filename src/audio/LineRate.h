#pragma once

#include <cstdint>

// The sample rate of a telephone line's audio (mono): calls, recorded
// messages and imported prompts are all kept at it.
inline constexpr uint32_t kLineRate = 8000;
