#pragma once

#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/UniqueFd.h"
#include "plugins/ChildProcess.h"

// tests/support/smtp_server.py on a free loopback port for one test; it is
// killed when the object goes. Port() is 0 when it did not come up.
class MailServer {
 public:
  MailServer(const std::string& folder, std::vector<std::string> options) {
    std::vector<std::string> argv = {"/usr/bin/python3",
                                     std::string(ZAVOTEL_TEST_SUPPORT_DIR) + "/smtp_server.py",
                                     "--folder", folder};
    argv.insert(argv.end(), options.begin(), options.end());
    int out[2];
    if (::pipe(out) != 0) return;
    UniqueFd reading(out[0]);
    UniqueFd writing(out[1]);
    child_ = ChildProcess::Start(argv, writing.Get());
    writing.Reset();
    std::string said;
    char buffer[64];
    pollfd ready{reading.Get(), POLLIN, 0};
    while (child_ && said.find('\n') == std::string::npos && ::poll(&ready, 1, 10000) > 0) {
      const ssize_t got = ::read(reading.Get(), buffer, sizeof buffer);
      if (got <= 0) break;
      said.append(buffer, static_cast<size_t>(got));
    }
    if (said.rfind("PORT ", 0) == 0) port_ = std::atoi(said.c_str() + 5);
  }
  ~MailServer() { ChildProcess::Release(std::move(child_), 0); }
  MailServer(const MailServer&) = delete;
  MailServer& operator=(const MailServer&) = delete;

  int Port() const { return port_; }

 private:
  std::unique_ptr<ChildProcess> child_;
  int port_ = 0;
};
