#pragma once

#include <chrono>
#include <functional>
#include <thread>

// Polls `done` every 2 ms for up to `limit`; true once it holds. The limit
// only bounds a failing wait, so it leaves a busy machine plenty.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return done();
}
