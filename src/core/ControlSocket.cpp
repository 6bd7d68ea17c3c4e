#include "core/ControlSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/TextFormat.h"
#include "core/Trace.h"

namespace {

constexpr int kSliceMs = 200;
constexpr const char* kRootSocketName = "zavotel.sock";

// A short stable name for a data root (FNV-1a, 64 bits).
std::string RootTag(const std::string& root) {
  uint64_t hash = 1469598103934665603ull;
  for (const char c : root) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return TextFormat("%016llx", static_cast<unsigned long long>(hash));
}

std::string RuntimePlace(const std::string& runtimeDir, const std::string& root) {
  return runtimeDir + "/zavotel/" + RootTag(root) + ".sock";
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool WaitFd(int fd, short events, int ms) {
  pollfd entry{fd, events, 0};
  const int ready = ::poll(&entry, 1, ms);
  return ready > 0;
}

// Connects to the socket at `path`; -1 with errno set when nobody answers.
UniqueFd Connect(const std::string& path) {
  sockaddr_un address;
  if (!FillAddress(path, address)) {
    errno = ENAMETOOLONG;
    return UniqueFd();
  }
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return fd;
  if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    fd.Reset();
    return fd;
  }
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  ::fcntl(fd.Get(), F_SETFL, flags | O_NONBLOCK);
  return fd;
}

std::string OwnerProblem(const std::string& path, const struct stat& st) {
  return TextFormat("the control socket %s belongs to another user (uid %u)", path.c_str(),
                    static_cast<unsigned>(st.st_uid));
}

}  // namespace

std::string CanonicalDataRoot(const std::string& dataRoot) {
  std::error_code error;
  std::filesystem::path resolved = std::filesystem::canonical(dataRoot, error);
  if (error) resolved = std::filesystem::absolute(dataRoot, error).lexically_normal();
  std::string text = resolved.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

ControlSocketPlaces ControlSocketPlacesFor(const std::string& dataRoot,
                                           const std::string& runtimeDir, uid_t uid) {
  const std::string root = CanonicalDataRoot(dataRoot);
  const std::string inRoot = root + "/" + kRootSocketName;
  if (!runtimeDir.empty()) {
    const std::string own = RuntimePlace(runtimeDir, root);
    return {own, {own, inRoot}};
  }
  return {inRoot, {RuntimePlace(TextFormat("/run/user/%u", static_cast<unsigned>(uid)), root),
                   inRoot}};
}

ControlSocketPlaces ControlSocketPlacesHere(const std::string& dataRoot) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return ControlSocketPlacesFor(dataRoot, runtime ? runtime : "", ::geteuid());
}

ControlOutcome SendControlRequest(const std::vector<std::string>& places, const LMessage& message,
                                  int timeoutMs) {
  ControlOutcome outcome;
  for (const std::string& path : places) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
    if (st.st_uid != ::geteuid()) {
      outcome.failure = ControlFailure::kOtherUser;
      outcome.detail = OwnerProblem(path, st);
      return outcome;
    }
    UniqueFd fd = Connect(path);
    if (!fd.Valid()) continue;  // a stale socket of a killed engine
    const std::optional<std::string> line =
        WriteControlLine(fd.Get(), control::FormatRequest(message), timeoutMs)
            ? ReadControlLine(fd.Get(), control::kMaxReply, timeoutMs)
            : std::nullopt;
    const std::optional<control::Reply> reply =
        line ? control::ParseReply(*line) : std::nullopt;
    if (!reply) {
      outcome.failure = ControlFailure::kNoAnswer;
      outcome.detail = "the engine at " + path + " did not answer";
      return outcome;
    }
    outcome.reply = *reply;
    return outcome;
  }
  outcome.failure = ControlFailure::kNoEngine;
  outcome.detail = "no running engine";
  return outcome;
}

std::optional<std::string> ReadControlLine(int fd, std::size_t max, int timeoutMs,
                                           const std::function<bool()>& stop) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string line;
  char buffer[256];
  while (line.empty() || line.back() != '\n') {
    if (stop && stop()) return std::nullopt;
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got > 0) {
      line.append(buffer, static_cast<std::size_t>(got));
      if (line.size() > max) return std::nullopt;
      continue;
    }
    if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) return std::nullopt;
    const int left = RemainingMs(deadline);
    if (left == 0) return std::nullopt;
    WaitFd(fd, POLLIN, std::min(left, kSliceMs));
  }
  // Whatever followed the line end is not part of it.
  return line.find('\n') + 1 == line.size() ? std::optional<std::string>(line) : std::nullopt;
}

bool WriteControlLine(int fd, const std::string& text, int timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t done = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (done > 0) {
      sent += static_cast<std::size_t>(done);
      continue;
    }
    if (done < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    const int left = RemainingMs(deadline);
    if (left == 0) return false;
    WaitFd(fd, POLLOUT, std::min(left, kSliceMs));
  }
  return true;
}

// --- the engine's end -----------------------------------------------------------

ControlEndpoint::ControlEndpoint(std::string path, UniqueFd fd, ino_t inode)
    : path_(std::move(path)), fd_(std::move(fd)), inode_(inode) {}

ControlEndpoint::~ControlEndpoint() {
  struct stat st;
  if (::lstat(path_.c_str(), &st) == 0 && st.st_ino == inode_) ::unlink(path_.c_str());
}

std::unique_ptr<ControlEndpoint> ControlEndpoint::Open(const std::string& path,
                                                       std::string& error) {
  sockaddr_un address;
  if (!FillAddress(path, address)) {
    error = "the control socket path " + path + " is too long";
    return nullptr;
  }
  // The runtime folder's own sub-folder is private like the data root.
  const std::string folder = std::filesystem::path(path).parent_path().string();
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    error = TextFormat("cannot make %s: %s", folder.c_str(), std::strerror(errno));
    return nullptr;
  }
  struct stat st;
  if (::lstat(folder.c_str(), &st) != 0 || st.st_uid != ::geteuid()) {
    error = "the folder " + folder + " of the control socket belongs to another user";
    return nullptr;
  }
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) {
      error = path + " is in the way of the control socket: it is not a socket";
      return nullptr;
    }
    if (st.st_uid != ::geteuid()) {
      error = OwnerProblem(path, st);
      return nullptr;
    }
    if (Connect(path).Valid()) {
      error = "another engine answers on " + path;
      return nullptr;
    }
    Trace("ControlEndpoint removing the stale control socket %s", path.c_str());
    ::unlink(path.c_str());
  }
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  // Bound with no access for others from the first moment, then 0600.
  const mode_t oldMask = ::umask(0177);
  const bool bound =
      fd.Valid() && ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::umask(oldMask);
  if (!bound || ::chmod(path.c_str(), 0600) != 0 || ::listen(fd.Get(), 16) != 0 ||
      ::lstat(path.c_str(), &st) != 0) {
    error = TextFormat("cannot listen on %s: %s", path.c_str(), std::strerror(errno));
    return nullptr;
  }
  return std::unique_ptr<ControlEndpoint>(new ControlEndpoint(path, std::move(fd), st.st_ino));
}
