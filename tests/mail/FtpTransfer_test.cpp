#include <utime.h>

#include "mail/MailTestFiles.h"
#include "mail/transfer/FtpCancelWatch.h"
#include "mail/transfer/LFileTransferProtocol.h"

namespace {

using Clock = TestProgress::Clock;

class FtpTransfer : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(root_ / "voice/sub"); }
  std::string Local(const std::string& name, const std::string& text) {
    WriteTextFile(local_ / name, text);
    return local_ / name;
  }
  // The server over root_, noting "connect" and "login <user>" lines in events_.
  TestServer Serve(const std::string& options = "") {
    return TestServer("ftp_server.py", root_.Path() + " --events " + events_ + " " + options);
  }

  TempDir root_;
  TempDir local_;
  std::string events_ = local_ / "events";
  TestProgress progress_;
  LFileTransferProtocol ftp_{progress_};
};

TEST_F(FtpTransfer, LogOnChecksTheServerTextAndTheAccount) {
  const TestServer server = Serve("--user alice --password secret");
  ASSERT_TRUE(server.Running());
  const std::string at = server.Address();
  struct Row { std::string server, user, password; bool loggedOn; } rows[] = {
      {at, "", "", true},
      {"ftp://" + at + "/", "alice", "secret", true},
      {at, "alice", "wrong", false},
      {at, "bob", "secret", false},
      {"ftps://" + at, "", "", false},  // this server has no TLS: never plain text instead
      {"127.0.0.1:1", "", "", false},  // nobody listens there
      {"ftp://" + at + "/pub", "", "", false},
  };
  for (const Row& row : rows) {
    const auto start = Clock::now();
    EXPECT_EQ(ftp_.LogOnServer(row.server, row.user, row.password), row.loggedOn) << row.server << " " << row.user;
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5)) << row.server;  // half the connect time-out
    // A failed log-on leaves no connection behind, not even an earlier one.
    EXPECT_EQ(ftp_.SetCurrentDirectory("voice"), row.loggedOn) << row.server << " " << row.user;
  }
  EXPECT_EQ(FileText(events_), "connect\nlogin anonymous\nconnect\nlogin alice\nconnect\nconnect\nconnect\n");
  // Nothing works without a log-on: after the failed one, and after a disconnect.
  WriteTextFile(root_ / "there.wav", "x");
  for (bool loggedOnBefore : {false, true}) {
    if (loggedOnBefore) {
      ASSERT_TRUE(ftp_.LogOnServer(at));
      ftp_.Disconnect();
    }
    EXPECT_TRUE(ftp_.SetCurrentDirectory("")) << loggedOnBefore;
    EXPECT_FALSE(ftp_.SetCurrentDirectory("voice") || ftp_.PutFile(Local("up.wav", "x"), "up.wav") ||
                 ftp_.GetFile("there.wav", local_ / "down.wav") || ftp_.DeleteFile("there.wav") ||
                 ftp_.GetFileTime("there.wav") != 0 || !ftp_.ListFiles("*").empty())
        << loggedOnBefore;
  }
  EXPECT_TRUE(FileExists(root_ / "there.wav") && !FileExists(root_ / "up.wav") && !FileExists(local_ / "down.wav"));
}

TEST_F(FtpTransfer, FileOperationsShareOneConnection) {
  const TestServer server = Serve();
  ASSERT_TRUE(server.Running() && ftp_.Connect() && ftp_.LogOnServer(server.Address()));
  ASSERT_TRUE(ftp_.SetCurrentDirectory("voice"));
  const std::string binary("RIFF\r\n\0\xff\n\r", 10);
  ASSERT_TRUE(ftp_.PutFile(Local("first.wav", "replaced"), "Msg One.wav"));
  ASSERT_TRUE(ftp_.PutFile(Local("a b.wav", binary), "Msg One.wav"));
  EXPECT_EQ(FileText(root_ / "voice/Msg One.wav"), binary);
  EXPECT_FALSE(ftp_.PutFile(local_ / "missing.wav", "x.wav"));

  WriteTextFile(root_ / "voice/notes.txt", "");
  EXPECT_EQ(ftp_.ListFiles("*.wav"), Names{"Msg One.wav"});
  EXPECT_TRUE(ftp_.ListFiles("*.mp3").empty());

  ASSERT_TRUE(ftp_.GetFile("Msg One.wav", local_ / "copy.wav"));
  EXPECT_EQ(FileText(local_ / "copy.wav"), binary);
  EXPECT_FALSE(ftp_.GetFile("missing.wav", local_ / "copy.wav"));
  EXPECT_FALSE(FileExists(local_ / "copy.wav"));

  const utimbuf stamp{1700000000, 1700000000};
  ASSERT_EQ(::utime((root_ / "voice/Msg One.wav").c_str(), &stamp), 0);
  EXPECT_EQ(ftp_.GetFileTime("Msg One.wav"), 1700000000);
  EXPECT_EQ(ftp_.GetFileTime("missing.wav"), 0);

  EXPECT_TRUE(ftp_.DeleteFile("Msg One.wav"));
  EXPECT_FALSE(FileExists(root_ / "voice/Msg One.wav"));
  EXPECT_FALSE(ftp_.DeleteFile("Msg One.wav"));
  EXPECT_FALSE(ftp_.DeleteFile("notes.txt\r\nDELE x"));
  EXPECT_EQ(FileText(events_), "connect\nlogin anonymous\n");
}

// Each row changes directory from where the previous one left, then stores a
// file there: a refused change leaves the directory as it was.
TEST_F(FtpTransfer, DirectoriesAreCheckedOnTheServer) {
  std::filesystem::create_directories(root_ / "voice/My Dir #1/100%");
  const TestServer server = Serve();
  ASSERT_TRUE(server.Running() && ftp_.LogOnServer(server.Address()));
  struct Row { const char* directory; bool changed; const char* landsIn; } rows[] = {
      {"missing", false, ""},
      {"voice", true, "voice/"},
      {"missing", false, "voice/"},
      {"sub", true, "voice/sub/"},
      {"/voice", true, "voice/"},
      {"My Dir #1/100%", true, "voice/My Dir #1/100%/"},
      {"..", true, "voice/My Dir #1/"},
      {"/", true, ""},
      {"voice//sub/", true, "voice/sub/"},
      {"bad\nname", false, "voice/sub/"},
  };
  int count = 0;
  for (const Row& row : rows) {
    const std::string name = "file" + std::to_string(++count) + ".txt";
    EXPECT_EQ(ftp_.SetCurrentDirectory(row.directory), row.changed) << row.directory;
    EXPECT_TRUE(ftp_.PutFile(Local(name, "x"), name) && FileExists(root_ / (row.landsIn + name))) << row.directory;
  }
}

TEST_F(FtpTransfer, CancelEndsASlowTransferQuickly) {
  const TestServer server = Serve("--rate 16384");
  ASSERT_TRUE(server.Running());
  const std::string big(1 << 20, 'a');
  WriteTextFile(root_ / "big.wav", big);
  const std::string local = Local("big.wav", big);
  for (bool upload : {true, false}) {
    LFileTransferProtocol ftp(progress_);
    progress_.stopAt = Clock::time_point::max();
    ASSERT_TRUE(ftp.LogOnServer(server.Address()));
    progress_.StopIn(400);
    const bool done = upload ? ftp.PutFile(local, "up.wav") : ftp.GetFile("big.wav", local_ / "down.wav");
    const long long late = progress_.MsSinceStop();
    EXPECT_FALSE(done) << upload;
    EXPECT_TRUE(late >= 0 && late < FtpCancelWatch::kSliceMs + kStopMarginMs) << upload << " " << late;  // it did run until cancelled
    EXPECT_TRUE(ftp.ListFiles("*").empty()) << upload;     // later operations fail at once
  }
  EXPECT_FALSE(FileExists(local_ / "down.wav"));
}

}  // namespace
