#pragma once

#include <httplib.h>

#include <string>

#include "core/TempFile.h"
#include "ui/ConsoleServerState.h"

// Audio the console imports into a file of the data folder (an OGM's audio,
// a greeting, a system prompt): a WAVE or MP3 file is converted into the
// line format, moved over the target in one step on the main loop and
// queued for levelling.
namespace console_server {

// A request body kept in a temporary file. The whole body is read even when
// the request is refused afterwards.
class ConsoleUpload {
 public:
  explicit ConsoleUpload(const httplib::ContentReader& read);

  // False after refusing: the body did not arrive whole or was not stored.
  bool Check(httplib::Response& response) const;
  const std::string& Path() const { return file_.Path(); }

 private:
  TempFile file_;
  bool whole_ = false;
  bool written_ = false;
};

// Imports the WAVE or MP3 file at `input` (read as WAVE when it starts like
// one, whatever its name; a temporary file of the caller's, which is used up)
// into `target` and answers {"audio": true}; refuses with 422 when it is no
// audio, leaving `target` as it was.
void ImportAudio(ConsoleServer::State& state, const std::string& input, const std::string& target,
                 httplib::Response& response);

}  // namespace console_server
