#pragma once

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "plugins/ChildProcess.h"

// A server script of tests/support run as `python3 script options` (split
// at spaces) until the object goes; it prints "PORT <n>" once it listens.
class TestServer {
 public:
  TestServer(const std::string& script, const std::string& options) {
    std::vector<std::string> argv = {"/usr/bin/python3", std::string(ZAVOTEL_TEST_SUPPORT_DIR) + "/" + script};
    std::istringstream words(options);
    for (std::string word; words >> word;) argv.push_back(word);
    int out[2];
    if (::pipe(out) != 0) return;
    child_ = ChildProcess::Start(argv, out[1]);
    ::close(out[1]);
    std::FILE* said = ::fdopen(out[0], "r");
    if (std::fscanf(said, "PORT %d", &port_) != 1) port_ = 0;
    std::fclose(said);
  }
  // Ended and collected here, not by a background reaper: the test program
  // may exit at once, and a server left running would hold the test's
  // output open until the test runner gives up on it.
  ~TestServer() {
    if (!child_) return;
    ::kill(-child_->Pid(), SIGKILL);
    child_->Collect();
  }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  bool Running() const { return port_ > 0; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  std::unique_ptr<ChildProcess> child_;
  int port_ = 0;
};
