#pragma once

#include <httplib.h>

#include <functional>
#include <optional>
#include <string>

#include "ui/ConsoleServerState.h"

// A file of the data folder whose audio the console's audio widget plays
// and replaces: an OGM's audio, a mailbox greeting, a system prompt.
struct AudioTarget {
  std::string file;      // where imported audio goes
  std::string playable;  // what Play sends; "" when there is nothing
  std::string missing;   // the 404 text when there is nothing to play
  std::string refusal;   // why nothing may be imported now (409); "" when it may
};

namespace console_server {

// The target a request's "name" names; refuses and gives nothing otherwise.
using AudioTargetOf =
    std::function<std::optional<AudioTarget>(const DataFolders&, const std::string& name, httplib::Response&)>;

// GET `path`?name= plays the target in the browser, POST `path`?name= imports
// the WAVE or MP3 body into it, POST `path`/synthesize?name= with {"text",
// "voice"} speaks the text into it and keeps the voice as [settings]
// "preferredspeaker".
void AddAudioTargetRoutes(ConsoleServer::State& state, const std::string& path, AudioTargetOf targetOf);

}  // namespace console_server
