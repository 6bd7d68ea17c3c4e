#pragma once

#include <httplib.h>

#include <optional>
#include <string>

#include "ui/ConsoleServerState.h"

// Text spoken by an installed voice for the console: the OGM editor's
// preview and the synthesis imported as a target's audio.
namespace console_server {

// The body a synthesis takes at most.
inline constexpr size_t kMaxSpeechBody = 64 * 1024;

struct SpeechRequest {
  std::string text;
  int voice = 0;

  // {"text", "voice"} of an installed voice; refuses (400, or 422 when no
  // voice is installed) and gives nothing otherwise.
  static std::optional<SpeechRequest> Of(const std::string& body, httplib::Response& response);
};

// Speaks `speech` into the WAVE file at `path`, one synthesis at a time
// (each holds a server thread and a core); false after refusing.
bool Speak(ConsoleServer::State& state, const SpeechRequest& speech, const std::string& path,
           httplib::Response& response);

}  // namespace console_server
