#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

class LProgress;

// A message's audio as a browser plays it. A finished WAVE of 8- or 16-bit
// PCM goes as stored; anything else (a codec, wider PCM, a file still being
// recorded, sent as far as it is written) is decoded by our own codec set
// into a 16-bit PCM WAVE of its rate and channels, in memory. The last
// conversion is kept for the range requests that follow it: a browser seeks
// with them.
class ConsoleAudio {
 public:
  // A converted WAVE larger than this (about 68 minutes of 8 kHz mono) is
  // refused rather than built in memory.
  static constexpr std::size_t kMaxWaveBytes = 64 << 20;

  struct Playable {
    bool asStored = false;                    // send the file itself
    std::shared_ptr<const std::string> wave;  // else this, when not null
    std::string error;                        // else why not
  };

  Playable Get(const std::string& audioPath, LProgress& progress);

 private:
  std::mutex mutex_;
  std::string key_;  // the file and its size and time when converted
  std::shared_ptr<const std::string> wave_;
};
