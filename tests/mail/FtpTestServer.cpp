#include "mail/FtpTestServer.h"

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "core/UniqueFd.h"

extern char** environ;

namespace {

// The port line, or 0 when none arrives within 10 s.
int ReadPort(int fd) {
  std::string text;
  char buffer[64];
  while (text.find('\n') == std::string::npos) {
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, 10000) != 1) return 0;
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) return 0;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  int port = 0;
  return std::sscanf(text.c_str(), "PORT %d", &port) == 1 ? port : 0;
}

}  // namespace

FtpTestServer::FtpTestServer(const std::string& root, const Options& options) : events_(root + ".events") {
  std::vector<std::string> args = {"/usr/bin/python3", ZAVOTEL_FTP_TEST_SERVER, root, "--events", events_};
  if (!options.user.empty()) args.insert(args.end(), {"--user", options.user, "--password", options.password});
  if (options.bytesPerSecond > 0) args.insert(args.end(), {"--rate", std::to_string(options.bytesPerSecond)});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return;
  UniqueFd readEnd(pipeFds[0]);
  UniqueFd writeEnd(pipeFds[1]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, readEnd.Get());
  const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    return;
  }
  writeEnd.Reset();
  port_ = ReadPort(readEnd.Get());
}

FtpTestServer::~FtpTestServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  std::remove(events_.c_str());
}

std::vector<std::string> FtpTestServer::Events() const {
  std::vector<std::string> lines;
  std::ifstream in(events_);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int FtpTestServer::ClosedPort() {
  UniqueFd probe(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (::bind(probe.Get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::getsockname(probe.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    return 0;
  }
  return ntohs(address.sin_port);
}
