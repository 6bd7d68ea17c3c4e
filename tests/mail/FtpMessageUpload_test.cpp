#include <ctime>

#include "core/ManualClock.h"
#include "log/LogFile.h"
#include "mail/MailTestFiles.h"
#include "mail/transfer/FtpMessageUpload.h"
#include "mail/transfer/LFileTransferProtocol.h"
#include "mail/transfer/MailBoxIndexPage.h"

namespace {

class FtpMessageUpload : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root_ / "voice");
    std::filesystem::create_directories(boxes_ / "Logs");
    ASSERT_TRUE(server_.Running());
    WriteTextFile(boxes_ / "Sales Team ICM000001.ini", "[message]\ncid=555\ncallername=A & B\n");
    WriteTextFile(boxes_ / "Sales Team ICM000001.wav", "message audio");
  }
  std::string MailBox(const std::string& keys) {
    WriteTextFile(boxes_ / "Sales Team.mbx", "[mbx]\nsendftp=true\nftpserver=" + server_.Address() + "\n" + keys);
    return boxes_ / "Sales Team.mbx";
  }
  Names ServerFiles(const std::string& folder) {
    Names names;
    for (const auto& entry : std::filesystem::directory_iterator(root_ / folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir root_;
  TempDir boxes_;
  TestServer server_{"ftp_server.py", root_.Path() + " --events " + (boxes_ / "events") + " --user alice --password secret"};
  TestProgress progress_;
  LFileTransferProtocol ftp_{progress_};
  ManualClock clock_{std::time(nullptr)};
  StatusDisplay display_{clock_};
  LogFile log_{boxes_ / "Logs", clock_, display_};
};

// Server audio that matches a local ".wav" of any mailbox stays; the rest goes.
TEST_F(FtpMessageUpload, UploadsAudioAndIndexThenPrunes) {
  WriteTextFile(boxes_ / "Support ICM000002.WAV", "");
  WriteTextFile(boxes_ / "Sales Team OGM.wav", "");
  for (const char* name : {"stale.wav", "support_icm000002.WAV", "sales_team_ogm.wav", "Sales_Team_OGM.wav",
                           "notes.txt"}) {
    WriteTextFile(root_ / ("voice/" + std::string(name)), "old");
  }
  const std::string mailBox = MailBox("ftpuser=alice\nftppass=secret\nftpdir=voice\n");
  ASSERT_EQ(UploadMessageByFtp(ftp_, mailBox, boxes_ / "Sales Team ICM000001.ini", log_), "");
  EXPECT_EQ(ServerFiles("voice"), (Names{"notes.txt", "sales_team.html", "sales_team_icm000001.wav",
                                         "sales_team_ogm.wav", "support_icm000002.WAV"}));
  EXPECT_EQ(FileText(root_ / "voice/sales_team_icm000001.wav"), "message audio");
  EXPECT_EQ(FileText(root_ / "voice/sales_team.html"), MailBoxIndexPage(mailBox));
  const StatusDisplay::Snapshot shown = display_.GetSnapshot();
  for (const std::string& line : {"Uploading to server: " + server_.Address(),
                                   "Uploaded sales_team_icm000001.wav to " + server_.Address() + "/voice"}) {
    EXPECT_NE(shown.text.find(line), std::string::npos) << shown.text;
  }
  EXPECT_FALSE(shown.error);
  EXPECT_EQ(FileText(boxes_ / "events"), "connect\nlogin alice\n");
}

// Missing folders are made, one level at a time, whatever their letters.
TEST_F(FtpMessageUpload, MakesTheMissingFolders) {
  const std::string folder = "Nachrichten/Büro Ü";
  ASSERT_EQ(UploadMessageByFtp(ftp_, MailBox("ftpdir=" + folder + "\n"), boxes_ / "Sales Team ICM000001.ini", log_), "");
  EXPECT_EQ(FileText(root_ / (folder + "/sales_team_icm000001.wav")), "message audio");
  const StatusDisplay::Snapshot shown = display_.GetSnapshot();
  for (const std::string& line : {"Made the folder " + folder + " on the server",
                                  "Uploaded sales_team_icm000001.wav to " + server_.Address() + "/" + folder}) {
    EXPECT_NE(shown.text.find(line), std::string::npos) << shown.text;
  }
}

TEST_F(FtpMessageUpload, FailuresAreLoggedAsErrors) {
  struct Row { std::string keys; bool removeAudio; std::string logged; } rows[] = {
      {"ftpuser=alice\nftppass=wrong\n", false,
       "Unable to log onto server: " + server_.Address() +
           " (530 Authentication failed.). Check the server, user name and password in Mailbox Properties."},
      {"ftpdir=blocked/sub\n", false,
       "Unable to change server to directory: blocked/sub (550 Not a directory.); making it failed (550 File "
       "exists.). Check the folder in Mailbox Properties and the FTP user's rights."},
      {"ftpdir=voice\n", true, "Upload failed: sales_team_icm000001.wav"},
  };
  WriteTextFile(root_ / "blocked", "a file, not a folder");
  for (const Row& row : rows) {
    if (row.removeAudio) std::filesystem::remove(boxes_ / "Sales Team ICM000001.wav");
    StatusDisplay display(clock_);
    LogFile log(boxes_ / "Logs", clock_, display);
    EXPECT_EQ(UploadMessageByFtp(ftp_, MailBox(row.keys), boxes_ / "Sales Team ICM000001.ini", log), row.logged);
    const StatusDisplay::Snapshot shown = display.GetSnapshot();
    EXPECT_TRUE(shown.error && shown.text.find(row.logged) != std::string::npos) << shown.text;
  }
  EXPECT_EQ(ServerFiles("voice"), Names{});
}

}  // namespace
