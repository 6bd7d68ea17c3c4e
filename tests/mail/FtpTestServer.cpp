#include "mail/FtpTestServer.h"

#include <signal.h>

#include <fstream>

FtpTestServer::FtpTestServer(const std::string& root, const Options& options) : events_(root + ".events") {
  std::string command = "exec /usr/bin/python3 " ZAVOTEL_FTP_TEST_SERVER " '" + root + "' --events '" + events_ + "'";
  if (!options.user.empty()) command += " --user " + options.user + " --password " + options.password;
  if (options.bytesPerSecond > 0) command += " --rate " + std::to_string(options.bytesPerSecond);
  output_ = ::popen(command.c_str(), "r");
  if (output_ && std::fscanf(output_, "PORT %d PID %d", &port_, &pid_) != 2) port_ = 0;
}

FtpTestServer::~FtpTestServer() {
  if (pid_ > 0) ::kill(pid_, SIGTERM);
  if (output_) ::pclose(output_);
  std::remove(events_.c_str());
}

std::vector<std::string> FtpTestServer::Events() const {
  std::vector<std::string> lines;
  std::ifstream in(events_);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}
