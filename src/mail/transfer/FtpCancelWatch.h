#pragma once

#include <curl/curl.h>

#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

class LProgress;

// Stops a transfer even while curl blocks inside one call: at the end of an
// upload curl waits for the server's final reply in a loop that looks at the
// progress only once a second, and a slow server may take minutes to read
// what the socket buffers already hold. While armed, the watch thread asks
// the progress every kSliceMs and, once it is cancelled, shuts down every
// socket of the session, so every wait of curl returns at once.
// The progress is asked only while the owner is inside curl, so never from
// two threads at a time.
class FtpCancelWatch {
 public:
  static constexpr int kSliceMs = 50;

  explicit FtpCancelWatch(LProgress& progress);
  ~FtpCancelWatch();
  FtpCancelWatch(const FtpCancelWatch&) = delete;
  FtpCancelWatch& operator=(const FtpCancelWatch&) = delete;

  // Sets the handle's socket callbacks, so the watch knows its sockets (again
  // after every reset of the handle's options).
  void Attach(CURL* easy);
  // Watches from Arm until Disarm.
  void Arm();
  void Disarm();
  // Whether the watch has seen the progress cancelled and cut the sockets.
  bool Cancelled();

 private:
  static curl_socket_t OpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address);
  static int CloseSocket(void* self, curl_socket_t socket);
  void Run();

  LProgress& progress_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool armed_ = false;
  bool cancelled_ = false;
  bool stopping_ = false;
  std::set<curl_socket_t> sockets_;
  std::thread thread_;
};
