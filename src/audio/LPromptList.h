#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "audio/LSoundSourceBase.h"

// An ordered list of sound files, played as one source: a spoken number is
// the OGM file followed by one system prompt per word. A file that is
// missing or cannot be read contributes nothing.
class LPromptList {
 public:
  explicit LPromptList(std::string promptFolder) : promptFolder_(std::move(promptFolder)) {}

  // Appends the system prompt `name`: <prompt folder>/<name>.wav.
  void Add(std::string_view name);
  // Appends any sound file.
  void AddFile(std::string path);
  const std::vector<std::string>& Files() const { return files_; }

  // One source playing the files one after another at `sampleRate` with
  // `channels`. Names are matched without regard to case when opened.
  LSoundSourceRef OpenSource(int32_t sampleRate, int channels) const;

 private:
  std::string promptFolder_;
  std::vector<std::string> files_;
};
