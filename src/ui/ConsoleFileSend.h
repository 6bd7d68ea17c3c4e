#pragma once

#include <httplib.h>

#include <memory>
#include <string>

class ConsoleAudio;
class LProgress;

// Files and bodies sent whole or by the range a browser asks for (a player
// seeking, a download resumed).
namespace console_server {

inline constexpr const char* kWaveMediaType = "audio/wav";

// The library answers a Range header itself (206 with the slice), but this
// version neither cuts a range at the end of the body nor refuses one that
// starts past it, and it numbers the parts of several ranges wrongly. So one
// range is fitted to a body of `size` bytes (416 when none of it is there)
// and several get the whole body, which HTTP allows. False after refusing.
bool FitRange(const httplib::Request& request, size_t size, httplib::Response& response);

// The file at `path` as it is now, whole or the range asked for; false when
// it cannot be opened.
bool SendFile(const httplib::Request& request, httplib::Response& response, const std::string& path,
              const char* type);

// Bytes held in memory (a converted WAVE), whole or the range asked for;
// the answer shares them while it is sent.
void SendBytes(const httplib::Request& request, httplib::Response& response,
               std::shared_ptr<const std::string> bytes, const char* type);

// A Content-Disposition value: attachment with a plain-ASCII name in quotes
// for old clients and the exact name (UTF-8, percent-encoded) beside it.
std::string AttachmentHeader(const std::string& name);

// The audio file at `path` as a browser plays it (see ConsoleAudio), whole
// or the range asked for; 422 when it cannot be read.
void SendAudio(const httplib::Request& request, httplib::Response& response, ConsoleAudio& audio,
               const std::string& path, LProgress& progress);

}  // namespace console_server
