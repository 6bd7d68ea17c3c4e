#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/recognition/SpeechRecModel.h"

struct ps_decoder_s;

// The PocketSphinx decoder fed 16-bit mono audio in blocks. It splits the
// audio into utterances at its own silence detection and hands each one's
// words, fillers removed, to the caller. Its log goes to our trace (errors
// only), never to the terminal.
class SphinxDecoder {
 public:
  using PhraseSink = std::function<void(const std::vector<std::string>& words)>;

  SphinxDecoder() = default;
  ~SphinxDecoder();
  SphinxDecoder(const SphinxDecoder&) = delete;
  SphinxDecoder& operator=(const SphinxDecoder&) = delete;

  // Loads the model and starts the first utterance. False (traced) when a
  // model file is missing or the decoder rejects it.
  bool Open(const SpeechRecModel& model);
  // Drops whatever was fed since the last utterance ended and starts afresh,
  // for the next message.
  bool Restart();
  // Decodes `count` samples; an utterance that ended in them goes to `sink`.
  bool Feed(const int16_t* samples, std::size_t count, const PhraseSink& sink);
  // Ends the utterance under way and hands its words to `sink`.
  bool Finish(const PhraseSink& sink);

 private:
  bool EndUtterance(const PhraseSink& sink);

  bool StartUtterance();

  ps_decoder_s* decoder_ = nullptr;
  bool started_ = false;  // an utterance is under way
  bool inSpeech_ = false;
};

// A word of the best hypothesis as the text gets it: "" for fillers ("<s>",
// "<sil>", "[NOISE]"), the alternate-pronunciation mark cut ("read(2)").
std::string SphinxTextWord(std::string_view word);
