#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/MainLoop.h"
#include "core/Profile.h"
#include "core/SystemClock.h"
#include "log/LogFile.h"
#include "log/StatusDisplay.h"
#include "support/TempDir.h"

extern char** environ;

// A loopback port that is free for both UDP and TCP right now.
inline uint16_t FreeLoopbackPort() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    const int udp = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(udp, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(udp, reinterpret_cast<sockaddr*>(&address), &size);
    const int tcp = ::socket(AF_INET, SOCK_STREAM, 0);
    const bool tcpFree = ::bind(tcp, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(tcp);
    ::close(udp);
    if (tcpFree) return ntohs(address.sin_port);
  }
  return 0;
}

inline std::string SippScenario(const std::string& name) {
  return (std::filesystem::path(__FILE__).parent_path() / "sipp" / name).string();
}

// One SIPp run, its screen output kept in a file; killed if still running
// when destroyed.
class SippProcess {
 public:
  SippProcess(const std::vector<std::string>& args, const std::string& folder)
      : output_(folder + "/sipp-" + std::to_string(++count_) + ".out") {
    std::vector<std::string> all = {"sipp", "-nostdin", "-timeout", "8s", "-timeout_error"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::posix_spawn_file_actions_adddup2(&actions, 1, 2);
    ::posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    if (::posix_spawnp(&pid_, "sipp", &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    ::posix_spawn_file_actions_destroy(&actions);
  }
  ~SippProcess() {
    if (Running()) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  SippProcess(const SippProcess&) = delete;
  SippProcess& operator=(const SippProcess&) = delete;

  bool Running() {
    if (pid_ <= 0 || exitCode_ >= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return false;
  }
  // -1 while running or when it never started.
  int ExitCode() {
    Running();
    return exitCode_;
  }
  std::string Output() const {
    std::ifstream in(output_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  static inline int count_ = 0;
  std::string output_;
  pid_t pid_ = -1;
  int exitCode_ = -1;
};

// A main loop on the real clock with a temporary data folder, its settings
// file and system log. RunUntil runs the loop once, until `done` holds or
// the time-out passes.
class SipLoopFixture : public ::testing::Test, public LTimerHandler {
 protected:
  static constexpr int kPollTimer = 1;

  SipLoopFixture() { std::filesystem::create_directories(dir_ / "Logs"); }
  ~SipLoopFixture() override { loop_.KillTimers(this); }

  bool RunUntil(std::function<bool()> done, uint64_t timeoutMs = 8000) {
    done_ = std::move(done);
    deadline_ = clock_.TickCount() + timeoutMs;
    loop_.SetTimer(this, kPollTimer, 0);
    loop_.Run();
    return done_();
  }
  void OnTimer(int id) override {
    if (id != kPollTimer) return;
    if (done_() || clock_.TickCount() >= deadline_)
      loop_.Stop();
    else
      loop_.SetTimer(this, kPollTimer, 10);
  }
  void WriteDevice(int index, const std::vector<std::pair<std::string, std::string>>& keys) {
    for (const auto& [key, value] : keys)
      ProfileWriteString(settings_, "sipdevice" + std::to_string(index), key, value);
  }
  std::string SystemLogText() const {
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ / "Logs")) {
      std::ifstream in(entry.path());
      std::stringstream content;
      content << in.rdbuf();
      text += content.str();
    }
    return text;
  }

  SystemClock clock_;
  MainLoop loop_{clock_};
  TempDir dir_;
  std::string settings_ = dir_ / "zavotel.ini";
  StatusDisplay display_{clock_};
  LogFile log_{dir_ / "Logs", clock_, display_};

 private:
  std::function<bool()> done_;
  uint64_t deadline_ = 0;
};
