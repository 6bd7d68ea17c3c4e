#include "audio/recognition/SphinxDecoder.h"

#include <pocketsphinx.h>
#include <sphinxbase/err.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "core/Trace.h"

namespace {

// The library's log is process-wide: its chatter is dropped and its errors
// become trace lines.
void LogToTrace(void* /*user*/, err_lvl_t level, const char* format, ...) {
  if (level < ERR_ERROR) return;
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::string_view text(line);
  while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  Trace("SphinxDecoder %.*s", static_cast<int>(text.size()), text.data());
}

void QuietLibraryLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    err_set_logfp(nullptr);
    err_set_callback(LogToTrace, nullptr);
  });
}

bool Readable(const std::string& path) {
  if (::access(path.c_str(), R_OK) == 0) return true;
  Trace("SphinxDecoder model file %s is missing", path.c_str());
  return false;
}

cmd_ln_t* ModelConfig(const SpeechRecModel& model) {
  std::vector<std::string> args{"zavotel",       "-hmm",  model.acousticModel, "-lm",
                                model.languageModel, "-dict", model.dictionary,    "-samprate",
                                std::to_string(model.sampleRate)};
  args.insert(args.end(), model.options.begin(), model.options.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  return cmd_ln_parse_r(nullptr, ps_args(), static_cast<int32>(argv.size()), argv.data(), TRUE);
}

}  // namespace

std::string SphinxTextWord(std::string_view word) {
  if (word.empty() || word.front() == '<' || word.front() == '[' || word.front() == '+') return {};
  const std::size_t mark = word.find('(');
  if (mark != std::string_view::npos && mark > 0 && word.back() == ')') word = word.substr(0, mark);
  return std::string(word);
}

SphinxDecoder::~SphinxDecoder() {
  if (decoder_) ps_free(decoder_);
}

bool SphinxDecoder::Open(const SpeechRecModel& model) {
  QuietLibraryLog();
  if (decoder_ || !Readable(model.acousticModel + "/mdef") || !Readable(model.languageModel) ||
      !Readable(model.dictionary)) {
    return false;
  }
  cmd_ln_t* config = ModelConfig(model);
  if (!config) {
    Trace("SphinxDecoder options for %s rejected", model.name.c_str());
    return false;
  }
  decoder_ = ps_init(config);
  cmd_ln_free_r(config);
  if (!decoder_) {
    Trace("SphinxDecoder cannot load %s", model.name.c_str());
    return false;
  }
  return StartUtterance();
}

bool SphinxDecoder::StartUtterance() {
  started_ = ps_start_utt(decoder_) == 0;
  inSpeech_ = false;
  return started_;
}

bool SphinxDecoder::Restart() {
  if (!decoder_) return false;
  if (started_) ps_end_utt(decoder_);
  return StartUtterance();
}

bool SphinxDecoder::Feed(const int16_t* samples, std::size_t count, const PhraseSink& sink) {
  if (!started_ || ps_process_raw(decoder_, samples, count, FALSE, FALSE) < 0) return false;
  const bool inSpeech = ps_get_in_speech(decoder_) != 0;
  // Speech followed by silence ends an utterance.
  if (inSpeech_ && !inSpeech && !EndUtterance(sink)) return false;
  inSpeech_ = inSpeech;
  return true;
}

bool SphinxDecoder::Finish(const PhraseSink& sink) {
  if (!decoder_ || !started_) return false;
  started_ = false;
  const bool ended = ps_end_utt(decoder_) == 0;
  std::vector<std::string> words;
  for (ps_seg_t* seg = ps_seg_iter(decoder_); seg; seg = ps_seg_next(seg)) {
    std::string word = SphinxTextWord(ps_seg_word(seg));
    if (!word.empty()) words.push_back(std::move(word));
  }
  if (!words.empty()) sink(words);
  return ended;
}

bool SphinxDecoder::EndUtterance(const PhraseSink& sink) { return Finish(sink) && StartUtterance(); }
