#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A recognition model the decoder loads: acoustic model folder, language
// model, pronunciation dictionary, and the rate of the audio it is fed.
struct SpeechRecModel {
  std::string name;  // as the console lists it
  std::string acousticModel;
  std::string languageModel;
  std::string dictionary;
  int32_t sampleRate = 16000;
  // Further decoder options as name/value pairs ("-beam", "1e-60").
  std::vector<std::string> options;
};

// The installed models in the order a mailbox chooses them by position.
const std::vector<SpeechRecModel>& SpeechRecModels();
// The model at `position`: past the end the last one, below 0 the first.
const SpeechRecModel& SelectSpeechRecModel(int position);
