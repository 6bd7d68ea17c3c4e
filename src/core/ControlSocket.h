#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/ControlProtocol.h"
#include "core/UniqueFd.h"

// The Unix-domain control socket through which other zavotel processes reach
// the engine running on a data folder: one engine per data folder, the
// socket reachable by its owner only.

struct ControlSocketPlaces {
  std::string listen;                 // where the engine listens
  std::vector<std::string> lookups;   // where a client looks, in order
};

// In `runtimeDir`/zavotel/ under a name made from the data root when the
// runtime folder is known ($XDG_RUNTIME_DIR), else "zavotel.sock" in the
// data root. A client looks in both places, and in the log-in session's
// runtime folder (/run/user/UID) when it has none of its own, so a script
// started without a session still finds a session's engine.
ControlSocketPlaces ControlSocketPlacesFor(const std::string& dataRoot,
                                           const std::string& runtimeDir, uid_t uid);
// The same from this process's environment and user.
ControlSocketPlaces ControlSocketPlacesHere(const std::string& dataRoot);

// The data root as one spelling: resolved when it exists, else made absolute.
std::string CanonicalDataRoot(const std::string& dataRoot);

enum class ControlFailure {
  kNone,
  kNoEngine,    // nothing listens (no socket, or a stale one)
  kOtherUser,   // the socket belongs to another user
  kNoAnswer,    // connected, but no reply in time
};

struct ControlOutcome {
  ControlFailure failure = ControlFailure::kNone;
  control::Reply reply;  // when failure is kNone
  std::string detail;    // what went wrong, for the user
};

// Sends one request to the first engine that answers at `places` and waits
// up to `timeoutMs` for its reply.
ControlOutcome SendControlRequest(const std::vector<std::string>& places, const LMessage& message,
                                  int timeoutMs);

// The engine's listening socket. Open removes a stale socket left by a
// killed engine and refuses a socket of another user, anything that is not a
// socket, and a socket some process still answers on; the caller holds the
// data folder's instance lock, so no engine of ours can be starting there.
class ControlEndpoint {
 public:
  static std::unique_ptr<ControlEndpoint> Open(const std::string& path, std::string& error);
  // Removes the socket, unless another engine has replaced it meanwhile.
  ~ControlEndpoint();
  ControlEndpoint(const ControlEndpoint&) = delete;
  ControlEndpoint& operator=(const ControlEndpoint&) = delete;

  int Fd() const { return fd_.Get(); }
  const std::string& Path() const { return path_; }

 private:
  ControlEndpoint(std::string path, UniqueFd fd, ino_t inode);

  const std::string path_;
  UniqueFd fd_;
  const ino_t inode_;
};

// One line from `fd` (non-blocking), its end included, waiting in slices of
// 200 ms until `timeoutMs` passed or `stop` says so; nullopt when no whole
// line of at most `max` bytes arrived.
std::optional<std::string> ReadControlLine(int fd, std::size_t max, int timeoutMs,
                                           const std::function<bool()>& stop = {});
// All of `text` to `fd` within `timeoutMs`.
bool WriteControlLine(int fd, const std::string& text, int timeoutMs);
