#include "ui/ConsoleFileSend.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "core/FileIo.h"
#include "ui/ConsoleAudio.h"
#include "core/UniqueFd.h"
#include "ui/ConsoleName.h"
#include "ui/ConsoleServerState.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

constexpr size_t kSendPiece = 64 * 1024;

}  // namespace

void SendBytes(const Request& request, Response& response, std::shared_ptr<const std::string> bytes,
               const char* type) {
  const size_t size = bytes->size();
  if (!FitRange(request, size, response)) return;
  response.set_content_provider(size, type, [bytes](size_t offset, size_t length, httplib::DataSink& sink) {
    return offset < bytes->size() &&
           sink.write(bytes->data() + offset, std::min(length, bytes->size() - offset));
  });
}

bool FitRange(const Request& request, size_t size, Response& response) {
  // The request is the library's own, not a constant: its ranges are what it slices by.
  httplib::Ranges& ranges = const_cast<Request&>(request).ranges;
  if (ranges.size() != 1) {
    ranges.clear();
    return true;
  }
  const auto end = static_cast<ssize_t>(size);
  auto [first, last] = ranges[0];
  if (first < 0) {  // "-n": the last n bytes
    first = std::max<ssize_t>(0, end - last);
    last = end - 1;
  }
  if (last < 0 || last >= end) last = end - 1;
  if (first >= end || first > last) {
    ranges.clear();
    response.set_header("Content-Range", "bytes */" + std::to_string(size));
    Refuse(response, 416, "the range lies outside the file");
    return false;
  }
  ranges[0] = {first, last};
  return true;
}

bool SendFile(const Request& request, Response& response, const std::string& path, const char* type) {
  auto fd = std::make_shared<UniqueFd>(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (!fd->Valid() || ::fstat(fd->Get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (!FitRange(request, static_cast<size_t>(info.st_size), response)) return true;
  response.set_content_provider(
      static_cast<size_t>(info.st_size), type, [fd](size_t offset, size_t length, httplib::DataSink& sink) {
        std::string piece(std::min(length, kSendPiece), '\0');
        const size_t read = ReadUpToAt(fd->Get(), piece.data(), piece.size(), static_cast<off_t>(offset));
        return read > 0 && sink.write(piece.data(), read);
      });
  return true;
}

std::string AttachmentHeader(const std::string& name) {
  std::string plain;
  for (unsigned char c : name) plain += (c < 0x20 || c >= 0x7f || c == '"' || c == '\\') ? '_' : static_cast<char>(c);
  return "attachment; filename=\"" + plain + "\"; filename*=UTF-8''" + PercentEncode(name);
}

void SendAudio(const Request& request, Response& response, ConsoleAudio& audio, const std::string& path,
               LProgress& progress) {
  ConsoleAudio::Playable playable = audio.Get(path, progress);
  response.set_header("Cache-Control", "no-store");
  if (playable.asStored && SendFile(request, response, path, kWaveMediaType)) return;
  if (!playable.wave)
    return Refuse(response, 422, playable.error.empty() ? "the audio cannot be read" : playable.error);
  SendBytes(request, response, std::move(playable.wave), kWaveMediaType);
}

}  // namespace console_server
