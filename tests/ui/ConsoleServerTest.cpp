#include <arpa/inet.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ConsoleServerFixture.h"
#include "core/MainMessages.h"
#include "log/LogFolder.h"
#include "ui/ConsoleCertificate.h"
#include "ui/ConsoleEventFeed.h"
#include "ui/ConsolePassword.h"
#include "ui/ConsoleSessions.h"

namespace {

using console_test::ConsoleServerTest;
using console_test::kSecret;
using console_test::OpenedConsoleTest;
using nlohmann::json;

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// Sends `request` as it is and reads the answer's status line
// ("HTTP/1.1 200") into `status`; how much of it came. System calls only.
size_t Exchange(const sockaddr_in& address, const std::string& request, char (&status)[12]) {
  size_t got = 0;
  const int client = ::socket(AF_INET, SOCK_STREAM, 0);
  if (::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      ::write(client, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
    for (ssize_t n = 1; got < sizeof status && n > 0; got += n > 0 ? n : 0)
      n = ::read(client, status + got, sizeof status - got);
  }
  ::close(client);
  return got;
}

int StatusCode(const char (&status)[12], size_t got) {
  return got == 12 ? std::atoi(std::string(status + 9, 3).c_str()) : 0;
}

int RawStatus(int port, const std::string& request) {
  char status[12];
  const size_t got = Exchange(Loopback(port), request, status);
  return StatusCode(status, got);
}

// RawStatus from a child process running as `nobody`.
int StatusAsNobody(int port, const std::string& request) {
  const passwd* nobody = ::getpwnam("nobody");
  if (!nobody) return 0;
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  const sockaddr_in address = Loopback(port);
  int answer[2];
  if (::pipe(answer) != 0) return 0;
  const pid_t child = ::fork();
  if (child == 0) {
    // System calls only: the parent's other threads may hold any lock.
    char status[12];
    const size_t got = ::setgid(gid) == 0 && ::setuid(uid) == 0 ? Exchange(address, request, status) : 0;
    _exit(::write(answer[1], status, got) < 0 ? 1 : 0);
  }
  ::close(answer[1]);
  char status[12];
  size_t got = 0;
  for (ssize_t n = 1; got < sizeof status && n > 0; got += n > 0 ? n : 0)
    n = ::read(answer[0], status + got, sizeof status - got);
  ::close(answer[0]);
  ::waitpid(child, nullptr, 0);
  return StatusCode(status, got);
}

TEST_F(ConsoleServerTest, StateChangesNeedTheirSessionsToken) {
  OpenConsole();
  const Session& session = session_;
  const Session other = OpenSession(*client_);
  struct Row { const char* what; std::string cookie, token; int status; };
  const Row rows[] = {
      {"no session, no token", "", "", 403},
      {"session, no token", session.cookie, "", 403},
      {"session, wrong token", session.cookie, std::string(64, 'a'), 403},
      {"session, another session's token", session.cookie, other.token, 403},
      {"token without its session", "", session.token, 403},
      {"unknown session", "zavotel_session=00", session.token, 403},
      {"session and its token", session.cookie, session.token, 200},
  };
  for (const Row& row : rows) {
    httplib::Headers headers;
    if (!row.cookie.empty()) headers.emplace("Cookie", row.cookie);
    if (!row.token.empty()) headers.emplace("X-Console-Token", row.token);
    auto reply = client_->Post("/api/answering", headers, R"({"on":false})", "application/json");
    ASSERT_TRUE(reply) << row.what;
    EXPECT_EQ(reply->status, row.status) << row.what << ": " << reply->body;
  }
  // Only the last row reached the engine, as "answering off".
  const std::vector<LMessage> sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].id, static_cast<uint32_t>(WM_CONTROLCOMMAND));
  EXPECT_EQ(sent[0].wParam, 2);
}

TEST_F(ConsoleServerTest, ForeignOriginsAndHostsAreRefused) {
  OpenConsole();
  const std::string port = std::to_string(opened_->Port()), own = "127.0.0.1:" + port;
  struct Row { const char* header; std::string value; int status; };
  const Row rows[] = {
      {"Origin", "http://" + own, 200},
      {"Origin", "http://evil.example", 403},
      {"Origin", "null", 403},
      {"Origin", "https://" + own, 403},
      {"Host", "evil.example:" + port, 403},
      {"Host", "localhost:" + port, 200},
  };
  for (const Row& row : rows) {
    for (bool post : {false, true}) {
      httplib::Headers headers = headers_;
      headers.emplace(row.header, row.value);
      auto reply = post ? client_->Post("/api/answering", headers, R"({"on":true})", "application/json")
                        : client_->Get("/api/status", headers);
      ASSERT_TRUE(reply);
      EXPECT_EQ(reply->status, row.status) << row.header << ": " << row.value << (post ? " POST" : " GET");
    }
  }
}

TEST_F(ConsoleServerTest, NamesCannotReachOutsideTheirFolders) {
  TempDir pages;
  OpenConsoleWithAPage(pages);
  const char* paths[] = {
      "/api/messages?mailbox=..%2Fsettings",
      "/api/messages?mailbox=%2e%2e",
      "/api/messages?mailbox=%252e%252e%252fsettings",
      "/api/messages?mailbox=a%00b",
      "/api/messages?mailbox=",
      "/..%2fsettings.ini",
      "/%2e%2e/settings.ini",
      "/%252e%252e%252fsettings.ini",
      "/..%5csettings.ini",
      "/api/logs/text?name=..%2Fsettings.ini",
      "/api/logs/download?name=..%2Fsettings.ini",
      "/api/logs/download?name=..%2F2026-12-10%20Call%20Log.txt",
      "/" ,  // index.html itself is fine, but never a listing of the folder
  };
  for (const char* path : paths) {
    auto reply = client_->Get(path);
    ASSERT_TRUE(reply) << path;
    EXPECT_EQ(reply->body.find(kSecret), std::string::npos) << path;
    if (std::string(path) == "/") continue;
    EXPECT_TRUE(reply->status == 400 || reply->status == 404) << path << " " << reply->status;
  }
  // A folder inside the static folder is not listed.
  std::filesystem::create_directory(pages / "sub");
  auto listing = client_->Get("/sub");
  ASSERT_TRUE(listing);
  EXPECT_EQ(listing->status, 404);
}

TEST_F(ConsoleServerTest, OversizedBodiesAreRefused) {
  OpenConsole();
  auto reply = Post("/api/answering", "{\"on\":true,\"pad\":\"" + std::string(70 * 1024, 'x') + "\"}");
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 413);
  // A body of unknown length (chunked) is refused before it is read.
  auto chunked = client_->Post(
      "/api/ivr/load?name=Big.ivr", headers_,
      [](size_t, httplib::DataSink& sink) { return sink.done(), true; },
      "application/octet-stream");
  ASSERT_TRUE(chunked);
  EXPECT_EQ(chunked->status, 411);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ConsoleServerTest, TwoContentLengthsAreRefused) {
  OpenConsole();
  const std::string head = "POST /api/answering HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(opened_->Port()) +
                           "\r\nCookie: " + session_.cookie + "\r\nX-Console-Token: " + session_.token +
                           "\r\nContent-Type: application/json\r\nConnection: close\r\n";
  const std::string body = R"({"on":false})";
  const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
  EXPECT_EQ(RawStatus(opened_->Port(), head + length + "Content-Length: 4\r\n\r\n" + body), 400);
  EXPECT_EQ(RawStatus(opened_->Port(), head + "Content-Length: 4\r\n" + length + "\r\n" + body), 400);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(RawStatus(opened_->Port(), head + length + "\r\n" + body), 200);
}

// No other site may frame the console or have an answer taken for another
// type; API answers (callers' numbers, the session's token) are not cached.
TEST_F(ConsoleServerTest, AnswersCarryTheirSafetyHeaders) {
  TempDir pages;
  OpenConsoleWithAPage(pages);
  struct Row { const char* path; bool api; };
  for (const Row& row : {Row{"/", false}, Row{"/api/status", true}, Row{"/api/nothing", true},
                         Row{"/missing.js", false}}) {
    auto reply = client_->Get(row.path, headers_);
    ASSERT_TRUE(reply) << row.path;
    EXPECT_EQ(reply->get_header_value("X-Frame-Options"), "DENY") << row.path;
    EXPECT_EQ(reply->get_header_value("Content-Security-Policy"), "frame-ancestors 'none'") << row.path;
    EXPECT_EQ(reply->get_header_value("X-Content-Type-Options"), "nosniff") << row.path;
    EXPECT_EQ(reply->get_header_value("Cache-Control"), row.api ? "no-store" : "") << row.path;
    EXPECT_EQ(reply->get_header_value_count("Cache-Control"), row.api ? 1u : 0u) << row.path;
    EXPECT_FALSE(reply->has_header("Strict-Transport-Security")) << row.path;  // plain HTTP
  }
}

// Connections a stranger opens and leaves idle, or sends half a request on,
// do not hold back the owner's requests.
TEST_F(ConsoleServerTest, IdleConnectionsDoNotQueueTheOwner) {
  OpenConsole();
  const sockaddr_in address = Loopback(opened_->Port());
  const std::string half = "GET /api/status HTTP/1.1\r\n";
  std::vector<int> strangers;
  for (int i = 0; i < 48; ++i) {
    strangers.push_back(::socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_EQ(::connect(strangers.back(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    if (i % 4 == 0) {
      ASSERT_EQ(::write(strangers.back(), half.data(), half.size()), static_cast<ssize_t>(half.size()));
    }
  }
  const auto start = std::chrono::steady_clock::now();
  auto reply = client_->Get("/api/status", headers_);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 200);
  EXPECT_LT(took, std::chrono::seconds(2));
  for (int stranger : strangers) ::close(stranger);
}

// A second engine's console does not share a port another one listens on.
TEST_F(ConsoleServerTest, ATakenPortIsPassedOver) {
  OpenConsole();
  ConsoleConfig config;
  config.firstPort = opened_->Port();
  ConsoleServer second(Host(), config);
  std::string error;
  ASSERT_TRUE(second.Start(error)) << error;
  EXPECT_NE(second.Port(), opened_->Port());
}

TEST_F(ConsoleServerTest, OffLoopbackNeedsAPasswordToStart) {
  ConsoleConfig config;
  config.address = "0.0.0.0";
  config.loginRequired = true;
  ConsoleServer server(Host(), config);
  std::string error;
  EXPECT_FALSE(server.Start(error));
  EXPECT_NE(error.find("password"), std::string::npos) << error;
  EXPECT_EQ(server.Address(), "");
}

TEST_F(ConsoleServerTest, WrongPasswordBurstsSlowTheLoginDown) {
  ConsoleConfig config;
  config.loginRequired = true;
  config.passwordHash = console_password::Hash("right", console_password::kMinIterations);
  auto server = Start(config);
  httplib::Client client = ClientOf(*server);
  auto login = [&client](const std::string& password) {
    return client.Post("/api/login", "{\"password\":\"" + password + "\"}", "application/json");
  };
  EXPECT_EQ(client.Get("/api/status")->status, 401);
  EXPECT_EQ(client.Get("/api/session")->status, 401);
  for (int i = 0; i < ConsoleSessions::kFreeFailures; ++i) EXPECT_EQ(login("wrong")->status, 401) << i;
  // Now even the right password waits.
  auto refused = login("right");
  EXPECT_EQ(refused->status, 429);
  EXPECT_EQ(refused->get_header_value("Retry-After"), "1");
  clock_.Advance(ConsoleSessions::kFirstWaitMs);
  EXPECT_EQ(login("wrong")->status, 401);
  EXPECT_EQ(login("right")->get_header_value("Retry-After"), "2");  // the wait doubled
  clock_.Advance(2 * ConsoleSessions::kFirstWaitMs);

  auto accepted = login("right");
  ASSERT_EQ(accepted->status, 200) << accepted->body;
  const std::string cookie = accepted->get_header_value("Set-Cookie");
  EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
  EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos);
  EXPECT_EQ(cookie.find("Secure"), std::string::npos);  // plain HTTP
  auto status = client.Get("/api/status", {{"Cookie", cookie.substr(0, cookie.find(';'))}});
  EXPECT_EQ(status->status, 200);
  // A success forgives the earlier failures.
  EXPECT_EQ(login("wrong")->status, 401);
  EXPECT_EQ(login("right")->status, 200);
}

// On loopback only the engine's own user (and root) opens the console
// without a password: another user of the machine logs in when one is set
// and is turned away when none is.
TEST_F(ConsoleServerTest, OtherLocalUsersNeedThePassword) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a client as another user";
  for (const bool withPassword : {false, true}) {
    ConsoleConfig config;
    if (withPassword) config.passwordHash = console_password::Hash("right-password", console_password::kMinIterations);
    auto server = Start(config);
    const std::string host = "Host: 127.0.0.1:" + std::to_string(server->Port()) + "\r\n";
    auto get = [&host](const std::string& path) {
      return "GET " + path + " HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n";
    };
    const std::string login = R"({"password":"right-password"})";
    const struct {
      std::string request;
      int status;
    } rows[] = {
        {get("/api/session"), withPassword ? 401 : 403},
        {get("/api/status"), withPassword ? 401 : 403},
        {get("/api/logs"), withPassword ? 401 : 403},
        {"POST /api/login HTTP/1.1\r\n" + host + "Content-Type: application/json\r\nContent-Length: " +
             std::to_string(login.size()) + "\r\nConnection: close\r\n\r\n" + login,
         withPassword ? 200 : 400},
    };
    for (const auto& row : rows)
      EXPECT_EQ(StatusAsNobody(server->Port(), row.request), row.status) << withPassword << " " << row.request;
    // The engine's own user still needs none.
    httplib::Client own = ClientOf(*server);
    EXPECT_EQ(own.Get("/api/session")->status, 200) << withPassword;
    EXPECT_EQ(own.Get("/api/status")->status, 200) << withPassword;
  }
}

// The stream opens with the state now and follows its changes (what each
// event holds is the feed's test below).
TEST_F(ConsoleServerTest, EventsFollowTheStatus) {
  OpenConsole();
  std::string received;
  std::thread change([&] { std::this_thread::sleep_for(std::chrono::milliseconds(300)), status_.SetOn(true); });
  client_->Get("/api/events", [&](const char* data, size_t length) {
    received.append(data, length);
    return received.find("\"on\":true") == std::string::npos;
  });
  change.join();
  const size_t off = received.find("\"on\":false"), on = received.find("\"on\":true");
  EXPECT_TRUE(received.starts_with("event: status\ndata: {") && off < on && on != std::string::npos) << received;
  opened_->Stop();
}

TEST_F(ConsoleServerTest, EventFeedSendsRowsProgressLogLinesAndResyncs) {
  const std::string record = folders_->MailBoxes() + "/Default ICM000001.ini";
  ProfileWriteString(record, "message", "cid", "5551234");
  ProfileWriteString(record, "message", "callername", "Ann");
  ProfileWriteBool(record, "message", "read", true);
  ProfileWriteString(record, "delivery", "lasterror", "mail server refused");
  status_.MessageChanged(record);
  display_.Append("started\n");
  const ConsoleHost host = Host();
  ConsoleEventFeed feed(host);

  const std::string first = feed.Poll();
  EXPECT_NE(first.find("event: status\n"), std::string::npos) << first;
  EXPECT_NE(first.find("event: hours\ndata: null\n"), std::string::npos) << first;
  EXPECT_NE(first.find("\"error\":false,\"text\":\"started\\n\",\"whole\":true"), std::string::npos) << first;
  EXPECT_EQ(first.find("event: message"), std::string::npos) << "changes before the stream opened";
  EXPECT_EQ(feed.Poll(), "");

  status_.MessageChanged(record);
  status_.MessageChanged(folders_->MailBoxes() + "/Default ICM000002.ini");
  display_.Append("failed\n");
  display_.SetError();
  const std::string next = feed.Poll();
  EXPECT_NE(next.find("\"id\":\"000001\",\"mailbox\":\"Default\",\"row\":{"), std::string::npos) << next;
  for (const char* part : {"\"file\":\"Default ICM000001\"", "\"cid\":\"5551234\"", "\"name\":\"Ann\"", "\"read\":true",
                           "\"lastError\":\"mail server refused\""})
    EXPECT_NE(next.find(part), std::string::npos) << part << " in " << next;
  EXPECT_NE(next.find("\"id\":\"000002\",\"mailbox\":\"Default\",\"row\":null"), std::string::npos) << next;
  EXPECT_NE(next.find("\"error\":true,\"text\":\"failed\\n\",\"whole\":false"), std::string::npos) << next;

  // The progress alone sends no status again.
  status_.SetProgress("Email", "Quit", 0.95);
  EXPECT_EQ(feed.Poll(), "event: progress\ndata: {\"fraction\":0.95,\"step\":\"Quit\",\"title\":\"Email\"}\n\n");

  // Office hours changed in the file are seen once the clock moves on.
  const std::string settings = folders_->SettingsFile();
  ProfileWriteString(settings, "autohours", "enabled", "true");
  for (const char* when : {"during", "after"}) {
    ProfileWriteInt(settings, "autohours", std::string(when) + "mode", 3);
    ProfileWriteInt(settings, "autohours", std::string(when) + "rings", 2);
  }
  EXPECT_EQ(feed.Poll(), "");
  clock_.Advance(1000);
  const std::string hours = feed.Poll();
  EXPECT_TRUE(hours.starts_with("event: hours\ndata: {\"mode\":3,\"ogm\":\"Default Answering Message\",\"open\":"))
      << hours;
  EXPECT_NE(hours.find("\"rings\":2}"), std::string::npos) << hours;

  for (size_t i = 0; i <= EngineStatus::kKeptMessageChanges; ++i) status_.MessageChanged(record);
  const std::string flood = feed.Poll();
  EXPECT_NE(flood.find("event: resync"), std::string::npos) << flood;
  EXPECT_EQ(flood.find("event: message"), std::string::npos);
}


// The console's own certificate is made once; the console then speaks only
// TLS and its session cookie is marked Secure.
TEST_F(ConsoleServerTest, OwnCertificateServesTlsOnly) {
  ConsoleConfig config;
  config.loginRequired = true;
  config.passwordHash = console_password::Hash("right", console_password::kMinIterations);
  config.certificateFile = dir_.Path() + "/" + ConsoleConfig::kOwnCertificate;
  config.keyFile = dir_.Path() + "/" + ConsoleConfig::kOwnKey;
  std::string error;
  ASSERT_TRUE(console_certificate::EnsureSelfSigned(config.certificateFile, config.keyFile, error)) << error;
  const auto made = std::filesystem::last_write_time(config.certificateFile);
  ASSERT_TRUE(console_certificate::EnsureSelfSigned(config.certificateFile, config.keyFile, error));
  EXPECT_EQ(std::filesystem::last_write_time(config.certificateFile), made) << "made again";
  EXPECT_EQ(std::filesystem::status(config.keyFile).permissions() & std::filesystem::perms::others_read,
            std::filesystem::perms::none);

  auto server = Start(config);
  EXPECT_EQ(server->Address().rfind("https://", 0), 0u) << server->Address();
  httplib::SSLClient tls("127.0.0.1", server->Port());
  tls.enable_server_certificate_verification(false);
  auto login = tls.Post("/api/login", "{\"password\":\"right\"}", "application/json");
  ASSERT_TRUE(login) << httplib::to_string(login.error());
  EXPECT_EQ(login->status, 200);
  EXPECT_NE(login->get_header_value("Set-Cookie").find("; Secure"), std::string::npos);
  EXPECT_NE(login->get_header_value("Strict-Transport-Security").find("max-age="), std::string::npos);
  EXPECT_FALSE(ClientOf(*server).Get("/api/session")) << "plain HTTP answered";
}

// The logs are listed newest first, and a long one is shown from its end,
// starting at a whole line; other files in the folder are never served.
TEST_F(OpenedConsoleTest, LogsAreListedNewestFirstAndShownFromTheirEnd) {
  const std::filesystem::path logs = folders_->Logs();
  for (const char* name : {"2026-12-09 Call Log.txt", "2026-12-10 System Log.txt", "Most Recent Call Line 10.txt",
                           "Most Recent Call Line 2.txt", "notes.txt", "2026-12-10 Call Log.txt.bak",
                           "Most Recent Call Line 02.txt", "2026-1-10 Call Log.txt", "Most Recent Call Line 101.txt",
                           "Most Recent Call Line 257.txt"})
    std::ofstream(logs / name) << "10:00:00 Caf\xE9\r\n";
  std::filesystem::create_directory(logs / "2026-12-08 Call Log.txt");
  std::ofstream big(logs / "2026-12-10 Call Log.txt", std::ios::binary);
  for (int i = 0; i < 40000; ++i) big << "10:00:00 Line 1 call " << i << "\r\n";
  big.close();

  std::vector<std::string> names;
  const json list = json::parse(client_->Get("/api/logs")->body);
  for (const auto& file : list["files"]) names.push_back(file["name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"2026-12-10 Call Log.txt", "2026-12-10 System Log.txt",
                                             "2026-12-09 Call Log.txt", "Most Recent Call Line 2.txt",
                                             "Most Recent Call Line 10.txt", "Most Recent Call Line 101.txt"}));
  const json tail = json::parse(client_->Get("/api/logs/text?name=2026-12-10%20Call%20Log.txt")->body);
  const std::string text = tail["text"];
  EXPECT_TRUE(tail["cut"]);
  EXPECT_TRUE(text.starts_with("10:00:00 Line 1 call ") && text.ends_with("call 39999\r\n")) << text.substr(0, 40);
  EXPECT_LE(text.size(), LogFolder::kMaxShown);
  const json small = json::parse(client_->Get("/api/logs/text?name=2026-12-09%20Call%20Log.txt")->body);
  EXPECT_EQ(small["text"], "10:00:00 Café\r\n");
  EXPECT_FALSE(small["cut"]);
  auto whole = client_->Get("/api/logs/download?name=2026-12-10%20Call%20Log.txt");
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->body.size(), std::filesystem::file_size(logs / "2026-12-10 Call Log.txt"));
  for (const char* refused : {"/api/logs/text?name=notes.txt", "/api/logs/text?name=2026-12-08%20Call%20Log.txt",
                              "/api/logs/download?name=Most%20Recent%20Call%20Line%2002.txt"})
    EXPECT_EQ(client_->Get(refused)->status, 404) << refused;
}

}  // namespace
