#include "mail/transfer/FtpCancelWatch.h"

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "audio/LProgress.h"

FtpCancelWatch::FtpCancelWatch(LProgress& progress) : progress_(progress), thread_([this] { Run(); }) {}

FtpCancelWatch::~FtpCancelWatch() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void FtpCancelWatch::Attach(CURL* easy) {
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &FtpCancelWatch::OpenSocket);
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
  curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &FtpCancelWatch::CloseSocket);
  curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
}

void FtpCancelWatch::Arm() {
  {
    const std::lock_guard lock(mutex_);
    armed_ = true;
  }
  wake_.notify_all();
}

void FtpCancelWatch::Disarm() {
  const std::lock_guard lock(mutex_);
  armed_ = false;
}

bool FtpCancelWatch::Cancelled() {
  const std::lock_guard lock(mutex_);
  return cancelled_;
}

curl_socket_t FtpCancelWatch::OpenSocket(void* self, curlsocktype, curl_sockaddr* address) {
  auto& watch = *static_cast<FtpCancelWatch*>(self);
  const curl_socket_t socket = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
  if (socket == CURL_SOCKET_BAD) return socket;
  const std::lock_guard lock(watch.mutex_);
  watch.sockets_.insert(socket);
  return socket;
}

int FtpCancelWatch::CloseSocket(void* self, curl_socket_t socket) {
  auto& watch = *static_cast<FtpCancelWatch*>(self);
  // Closed under the lock, so the watch never shuts down a reused number.
  const std::lock_guard lock(watch.mutex_);
  watch.sockets_.erase(socket);
  return ::close(socket);
}

void FtpCancelWatch::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (!armed_ || cancelled_) {
      wake_.wait(lock, [this] { return stopping_ || (armed_ && !cancelled_); });
      continue;
    }
    wake_.wait_for(lock, std::chrono::milliseconds(kSliceMs), [this] { return stopping_ || !armed_; });
    // Still armed: the owner is inside curl and does not ask the progress itself.
    if (stopping_ || !armed_ || !progress_.IsCancelled()) continue;
    cancelled_ = true;
    for (const curl_socket_t socket : sockets_) ::shutdown(socket, SHUT_RDWR);
  }
}
