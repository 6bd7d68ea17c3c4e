#include "audio/recognition/SpeechRecModel.h"

#include <algorithm>

namespace {

constexpr const char* kEnUs = "/usr/share/pocketsphinx/model/en-us";

}  // namespace

// Only the packaged US English model exists. It was trained on 16 kHz audio;
// line audio is upsampled to it, which recognised far more words than
// decoding at 8 kHz with its filter bank cut to the line's band.
const std::vector<SpeechRecModel>& SpeechRecModels() {
  static const std::vector<SpeechRecModel> models{
      {"PocketSphinx US English", std::string(kEnUs) + "/en-us", std::string(kEnUs) + "/en-us.lm.bin",
       std::string(kEnUs) + "/cmudict-en-us.dict", 16000, {}},
  };
  return models;
}

const SpeechRecModel& SelectSpeechRecModel(int position) {
  const std::vector<SpeechRecModel>& models = SpeechRecModels();
  const auto last = static_cast<int>(models.size()) - 1;
  return models[static_cast<std::size_t>(std::clamp(position, 0, last))];
}
