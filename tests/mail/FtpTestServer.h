#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

// The FTP server of ftp_test_server.py over `root` on a free loopback port,
// running as long as the object lives.
class FtpTestServer {
 public:
  struct Options {
    std::string user;  // besides anonymous
    std::string password;
    int bytesPerSecond = 0;  // 0: transfers at full speed
  };

  FtpTestServer(const std::string& root, const Options& options);
  explicit FtpTestServer(const std::string& root) : FtpTestServer(root, Options{}) {}
  ~FtpTestServer();
  FtpTestServer(const FtpTestServer&) = delete;
  FtpTestServer& operator=(const FtpTestServer&) = delete;

  bool Running() const { return port_ > 0; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  // "connect" and "login <user>" lines so far.
  std::vector<std::string> Events() const;

 private:
  std::string events_;
  std::FILE* output_ = nullptr;
  pid_t pid_ = 0;
  int port_ = 0;
};
