// The Console access page: what it refuses, a new password ending every
// other session at once, and the console moving to a new port (or staying
// where it was when that port is taken).
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "ConsoleServerFixture.h"
#include "ui/ConsolePassword.h"
#include "ui/ConsoleSessions.h"
#include "ui/ConsoleStart.h"

namespace {

using console_test::ConsoleServerTest;
using nlohmann::json;

constexpr const char* kPath = "/api/settings/console";

class ConsoleAccessTest : public ConsoleServerTest {
 protected:
  const std::string& File() const { return folders_->SettingsFile(); }
  std::string StoredHash() const { return ProfileReadString(File(), "console", "password", ""); }

  json Save(json body) {
    body.emplace("address", "127.0.0.1");
    body.emplace("port", opened_->Port());
    auto reply = PostJson(kPath, body);
    EXPECT_EQ(reply->status, 200) << body << ": " << reply->body;
    return json::parse(reply->body)["values"];
  }
};

TEST_F(ConsoleAccessTest, RefusalsNameTheirFieldAndASetPasswordNeedsTheCurrentOne) {
  OpenConsole();
  const int port = opened_->Port();
  const struct {
    json body;
    const char* field;
  } without[] = {
      {{{"address", "0.0.0.0"}, {"port", port}}, "password"},
      {{{"address", "10.1.2.3"}, {"port", port}}, "address"},
      {{{"address", "127.0.0.1"}, {"port", 0}}, "port"},
      {{{"address", "127.0.0.1"}, {"port", 65536}}, "port"},
      {{{"address", "127.0.0.1"}, {"port", "8080"}}, "port"},
      {{{"address", "0.0.0.0"}, {"port", port}, {"password", "password a"}, {"again", "password b"}}, "again"},
      {{{"address", "0.0.0.0"}, {"port", port}, {"password", "short"}, {"again", "short"}}, "password"},
  };
  for (const auto& row : without) ExpectRefused(kPath, row.body.dump(), row.field);
  EXPECT_TRUE(StoredHash().empty());

  // Set here, the password counts from now on.
  EXPECT_TRUE(Save({{"password", "first password"}, {"again", "first password"}})["passwordSet"]);
  EXPECT_TRUE(console_password::Verify("first password", StoredHash()));
  const struct {
    json body;
    const char* field;
  } with[] = {
      {{{"address", "127.0.0.1"}, {"port", port}, {"password", "new password"}, {"again", "new password"}},
       "current"},
      {{{"address", "127.0.0.1"}, {"port", port}, {"password", "new password"}, {"again", "new password"},
        {"current", "guess"}},
       "current"},
      {{{"address", "0.0.0.0"}, {"port", port}, {"remove", true}, {"current", "first password"}}, "remove"},
  };
  for (const auto& row : with) ExpectRefused(kPath, row.body.dump(), row.field);
  EXPECT_TRUE(console_password::Verify("first password", StoredHash()));
  EXPECT_EQ(moves_, 0);

  // Wrong guesses wait like logins, even before the right one.
  for (int i = 1; i < ConsoleSessions::kFreeFailures; ++i)
    ExpectRefused(kPath, with[1].body.dump(), "current");
  json right = with[1].body;
  right["current"] = "first password";
  EXPECT_EQ(PostJson(kPath, right)->status, 429);
  clock_.Advance(ConsoleSessions::kFirstWaitMs);
  EXPECT_FALSE(Save({{"remove", true}, {"current", "first password"}})["passwordSet"]);
  EXPECT_TRUE(StoredHash().empty());
}

TEST_F(ConsoleAccessTest, ANewPasswordCountsAtOnceAndEndsEveryOtherSession) {
  ConsoleConfig config;
  config.loginRequired = true;
  config.passwordHash = console_password::Hash("old", console_password::kMinIterations);
  opened_ = Start(config);
  client_ = std::make_unique<httplib::Client>(ClientOf(*opened_));
  auto login = [this](const std::string& password) {
    auto reply = client_->Post("/api/login", json{{"password", password}}.dump(), "application/json");
    const std::string cookie = reply->get_header_value("Set-Cookie");
    return std::make_pair(reply->status, cookie.substr(0, cookie.find(';')));
  };
  const std::string other = login("old").second;
  const std::string mine = login("old").second;
  session_ = {mine, json::parse(client_->Get("/api/session", {{"Cookie", mine}})->body)["token"].get<std::string>()};
  headers_ = {{"Cookie", session_.cookie}, {"X-Console-Token", session_.token}};

  Save({{"current", "old"}, {"password", "new password"}, {"again", "new password"}});
  EXPECT_EQ(client_->Get("/api/status", {{"Cookie", other}})->status, 401) << "the other session lives on";
  EXPECT_EQ(client_->Get("/api/status", {{"Cookie", mine}})->status, 200);
  EXPECT_EQ(login("old").first, 401);
  EXPECT_EQ(login("new password").first, 200);
  EXPECT_TRUE(console_password::Verify("new password", StoredHash()));
}

// No login matches a password typed into the file by hand: a new one
// replaces it without it.
TEST_F(ConsoleAccessTest, APasswordTypedIntoTheFileIsReplacedWithoutIt) {
  ConsoleConfig config;
  config.passwordHash = "secret1";
  OpenConsole(config);
  const json values = json::parse(client_->Get(kPath, headers_)->body)["values"];
  EXPECT_FALSE(values["passwordSet"]);
  EXPECT_TRUE(values["passwordUnusable"]);
  EXPECT_TRUE(Save({{"password", "new password"}, {"again", "new password"}})["passwordSet"]);
  EXPECT_TRUE(console_password::Verify("new password", StoredHash()));
}

TEST_F(ConsoleAccessTest, ANewAddressOrPortMovesTheConsoleOnceAnswered) {
  OpenConsole();
  const int port = opened_->Port() == 65535 ? 65534 : opened_->Port() + 1;
  const json moved = Save({{"port", port}});
  EXPECT_EQ(moved["movedTo"], "http://127.0.0.1:" + std::to_string(port) + "/");
  EXPECT_EQ(moves_, 1);
  EXPECT_EQ(ProfileReadInt(File(), "console", "port", 0), port);
  const std::string network =
      Save({{"address", "0.0.0.0"}, {"password", "password"}, {"again", "password"}})["movedTo"];
  EXPECT_TRUE(network.starts_with("https://") && network.ends_with(":" + std::to_string(opened_->Port()) + "/"))
      << network;
  EXPECT_EQ(moves_, 2);
  EXPECT_EQ(ProfileReadString(File(), "console", "address", ""), "0.0.0.0");
}

// Started from the settings file as the engine starts it.
class ConsoleMoveTest : public ConsoleServerTest {
 protected:
  // A free loopback port, held by a socket of the test's own until it goes.
  struct HeldPort {
    HeldPort() {
      sockaddr_in address{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
      socklen_t size = sizeof address;
      ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
      ::listen(fd, 1);
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
      port = ntohs(address.sin_port);
    }
    ~HeldPort() { ::close(fd); }
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
  };
  std::unique_ptr<ConsoleServer> Move(int port, std::string& error) {
    ProfileWriteInt(folders_->SettingsFile(), "console", "port", port);
    ConsoleStart start = MoveConsole(Host(), std::move(opened_));
    error = start.error;
    return std::move(start.server);
  }
  static bool Answers(int port) {
    httplib::Client client("127.0.0.1", port);
    auto reply = client.Get("/api/session");
    return reply && reply->status == 200;
  }
};

TEST_F(ConsoleMoveTest, ATakenPortKeepsTheOldConsoleAFreeOneTakesIt) {
  ProfileWriteInt(folders_->SettingsFile(), "console", "port", 0);
  opened_ = StartConsole(Host()).server;
  ASSERT_TRUE(opened_);
  const int first = opened_->Port();

  const HeldPort taken;
  std::string error;
  opened_ = Move(taken.port, error);
  ASSERT_TRUE(opened_);
  EXPECT_NE(error.find("is taken"), std::string::npos) << error;
  EXPECT_EQ(opened_->Port(), first);
  EXPECT_TRUE(Answers(first));
  EXPECT_EQ(ProfileReadInt(folders_->SettingsFile(), "console", "port", -1), 0) << "the old port is not back";

  const int free = HeldPort().port;
  opened_ = Move(free, error);
  ASSERT_TRUE(opened_);
  EXPECT_EQ(error, "");
  EXPECT_EQ(opened_->Port(), free);
  EXPECT_TRUE(Answers(free));
  EXPECT_FALSE(Answers(first)) << "the old console still answers";
}

}  // namespace
