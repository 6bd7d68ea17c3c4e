#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "core/LMessage.h"
#include "core/ManualClock.h"
#include "core/Profile.h"
#include "log/StatusDisplay.h"
#include "support/TempDir.h"
#include "ui/ConsoleOgms.h"
#include "ui/ConsoleServer.h"

namespace console_test {

inline constexpr const char* kSecret = "sip-password-in-settings";

// A console on a free loopback port over a fresh data folder, with the
// engine's main loop stood in for by a recorder of the messages sent.
class ConsoleServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folders_ = std::make_unique<DataFolders>(DataFolders::Resolve(dir_.Path()));
    ASSERT_TRUE(folders_->CreateMissing());
    ProfileWriteString(folders_->SettingsFile(), "sip", "password", kSecret);
  }
  // The console goes before what it was given (the test's own members too).
  void TearDown() override { opened_.reset(); }

  // The engine's main loop stood in for: messages and levelling work are
  // recorded, tasks run at once.
  ConsoleHost Host() {
    return ConsoleHost{*folders_, status_, clock_,
                       [this](const LMessage& m) -> std::optional<int64_t> {
                         std::lock_guard<std::mutex> hold(mutex_);
                         sent_.push_back(m);
                         return 0;
                       },
                       [](std::function<void()> task) {
                         task();
                         return true;
                       },
                       display_,
                       [this](std::string title, std::string step, double fraction) {
                         if (!title.empty()) {
                           std::lock_guard<std::mutex> hold(mutex_);
                           titles_.insert(title);
                         }
                         status_.SetProgress(std::move(title), std::move(step), fraction);
                       },
                       nullptr,
                       ogms_,
                       nullptr,
                       [this](const std::string& path) {
                         std::lock_guard<std::mutex> hold(mutex_);
                         levelled_.push_back(path);
                       },
                       [this](const std::string& path) {
                         std::lock_guard<std::mutex> hold(mutex_);
                         std::erase(levelled_, path);
                       },
                       [this] { ++moves_; }};
  }

  std::unique_ptr<ConsoleServer> Start(ConsoleConfig config) {
    config.firstPort = 0;
    ConsoleHost host = Host();
    auto server = std::make_unique<ConsoleServer>(std::move(host), std::move(config));
    std::string error;
    EXPECT_TRUE(server->Start(error)) << error;
    return server;
  }

  static httplib::Client ClientOf(const ConsoleServer& server) {
    httplib::Client client("127.0.0.1", server.Port());
    client.set_url_encode(false);
    return client;
  }

  struct Session {
    std::string cookie;
    std::string token;
  };
  static Session OpenSession(httplib::Client& client) {
    auto reply = client.Get("/api/session");
    if (!reply || reply->status != 200) return {};
    const std::string cookie = reply->get_header_value("Set-Cookie");
    const size_t token = reply->body.find("\"token\":\"") + 9;
    return {cookie.substr(0, cookie.find(';')), reply->body.substr(token, 64)};
  }

  // A started console, a client of it and one open session (both as the
  // session and as the headers a state change carries).
  void OpenConsole(ConsoleConfig config = {}) {
    opened_ = Start(std::move(config));
    client_ = std::make_unique<httplib::Client>(ClientOf(*opened_));
    session_ = OpenSession(*client_);
    headers_ = {{"Cookie", session_.cookie}, {"X-Console-Token", session_.token}};
  }

  // OpenConsole serving `pages`, a folder holding one page, index.html.
  void OpenConsoleWithAPage(const TempDir& pages) {
    ProfileWriteString(pages / "index.html", "x", "y", "z");
    ConsoleConfig config;
    config.staticFolder = pages.Path();
    OpenConsole(config);
  }

  // A state change from the open session.
  httplib::Result Post(const std::string& path, const std::string& body, const char* type = "application/json") {
    return client_->Post(path, headers_, body, type);
  }
  httplib::Result PostJson(const std::string& path, const nlohmann::json& body) { return Post(path, body.dump()); }

  // Expects `body` posted to `path` refused (400) with the error naming `field`.
  void ExpectRefused(const std::string& path, const std::string& body, const std::string& field) {
    auto reply = Post(path, body);
    ASSERT_TRUE(reply) << path << " " << body;
    EXPECT_EQ(reply->status, 400) << path << " " << body << ": " << reply->body;
    EXPECT_EQ(nlohmann::json::parse(reply->body).value("field", ""), field) << body << ": " << reply->body;
  }

  std::vector<std::string> Levelled() {
    std::lock_guard<std::mutex> hold(mutex_);
    return levelled_;
  }

  std::set<std::string> ProgressTitles() {
    std::lock_guard<std::mutex> hold(mutex_);
    return titles_;
  }

  std::vector<LMessage> Sent() {
    std::lock_guard<std::mutex> hold(mutex_);
    return sent_;
  }

  TempDir dir_;
  std::unique_ptr<DataFolders> folders_;
  EngineStatus status_;
  ManualClock clock_{1000000, 1000000};
  StatusDisplay display_{clock_};
  std::mutex mutex_;
  std::vector<LMessage> sent_;
  std::vector<std::string> levelled_;  // the files queued for levelling
  std::set<std::string> titles_;       // the progress titles shown
  std::atomic<int> moves_{0};          // the console's moves asked for
  // The engine's OGM files, when a test serves the OGM list.
  ConsoleOgms* ogms_ = nullptr;
  std::unique_ptr<ConsoleServer> opened_;  // by OpenConsole
  std::unique_ptr<httplib::Client> client_;
  Session session_;
  httplib::Headers headers_;
};

// The console opened before each test.
class OpenedConsoleTest : public ConsoleServerTest {
 protected:
  void SetUp() override {
    ConsoleServerTest::SetUp();
    OpenConsole();
  }
};

}  // namespace console_test
