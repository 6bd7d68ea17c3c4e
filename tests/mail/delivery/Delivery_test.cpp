#include <sys/stat.h>
#include <utime.h>

#include <future>
#include <thread>

#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "core/DataFolders.h"
#include "core/FileIo.h"
#include "core/LProcessListThread.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/SystemClock.h"
#include "log/LogFile.h"
#include "mail/MailTestFiles.h"
#include "mail/LMailBoxMessage.h"
#include "mail/delivery/AutoLoadCheck.h"
#include "mail/delivery/ClockStepGuard.h"
#include "mail/delivery/DeleteFilesCheck.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/delivery/DeliveryState.h"
#include "mail/delivery/EmailDelivery.h"
#include "mail/delivery/MessageCompression.h"
#include "mail/delivery/MessageTemplate.h"
#include "mail/delivery/RetryBackoff.h"
#include "mail/delivery/SendCheck.h"
#include "mail/smtp/EmailSettings.h"
#include "mail/transfer/LFileTransferProtocol.h"

namespace {

class Delivery : public ::testing::Test {
 protected:
  Delivery() { folders_.CreateMissing(); }

  std::string Box(const std::string& name, const std::string& keys) {
    const std::string path = folders_.MailBoxes() + "/" + name + ".mbx";
    WriteTextFile(path, "[mbx]\nunsentmessages=true\n" + keys);
    return path;
  }
  std::string Message(const std::string& box, const std::string& id) {
    const std::string stem = folders_.MailBoxes() + "/" + box + " ICM" + id;
    WriteTextFile(stem + ".ini", "[message]\ncid=555\ncallername=Ann\n");
    LWaveFile::OpenSinkPCM(stem + ".wav", 8000, 0, 16, 1)->Write(std::vector<int32_t>(800, 4096).data(), 800);
    return stem + ".ini";
  }
  int SystemLogCount(const std::string& text) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folders_.Logs()))
      for (std::size_t at = 0; (at = FileText(entry.path()).find(text, at)) != std::string::npos; ++at) ++count;
    return count;
  }
  // What the engine was told, one "id text" line a notice.
  std::string Told() {
    std::string lines;
    for (const LMessage& m : told_) lines += std::to_string(m.id) + " " + m.text + "\n";
    return lines;
  }
  // Whether a delivery failed.
  bool SendRound() {
    LFileTransferProtocol ftp(progress_);
    return SendCheck(context_, ftp, now_, kRetrySeconds).Run();
  }
  // A levelling worker that holds `audio` until released and then writes the
  // "levelled" audio into it: deliveries must send that, never what came in.
  void HoldLevelling(const std::string& audio) {
    levelling_ = std::make_unique<LProcessListThread>([held = held_.get_future().share()](const std::string& path) {
      held.wait();
      WriteTextFile(path, "levelled");
      return 0;
    });
    levelling_->SetListFilePath(dir_ / "agc.dat");
    ASSERT_TRUE(levelling_->Add(audio));
    context_.levelling = levelling_.get();
  }
  void ReleaseLevelling() { held_.set_value(); }

  TempDir dir_;
  DataFolders folders_ = DataFolders::Resolve(dir_.Path());
  SystemClock clock_;
  StatusDisplay display_{clock_};
  LogFile log_{folders_.Logs(), clock_, display_};
  TestProgress progress_;
  std::vector<LMessage> told_;
  std::optional<int64_t> answer_ = 0;  // what the engine answers
  DeliveryContext context_{folders_, log_, progress_, nullptr, [this](LMessage m) {
                             told_.push_back(m);
                             return answer_;
                           }};
  std::promise<void> held_;
  std::unique_ptr<LProcessListThread> levelling_;
  std::time_t now_ = std::time(nullptr);
  static constexpr std::time_t kRetrySeconds = 120;
};

TEST(MessageTemplateText, PlaceholdersFooterAndLineEnds) {
  TempDir dir;
  const std::string record = dir / "r.ini";
  WriteTextFile(record, "[message]\ncid=5551234\ncallername=Ann Lee\nlong=" + std::string(100, 'x') + "\n");
  struct Row { std::string text, expected; } rows[] = {
      {"From %callername% (%cid%)", "From Ann Lee (5551234)"},
      {"x%absent%y", "xy"},
      {"tail %cid", "tail 5551234"},  // an unterminated name runs to the end
      {"%long%%long%", std::string(12 + 64, 'x')},  // cut at the template's length + 64
  };
  for (const Row& row : rows) EXPECT_EQ(FillMessageTemplate(row.text, record), row.expected) << row.text;
  EXPECT_EQ(EmailFooter(std::string(127, 'a')), "\r\n>> Sent by ZAV");
  EXPECT_EQ(EmailFooter(std::string(128, 'a')), "\r\n>> Sent by the Zavotel");
  EXPECT_EQ(MailLineEnds("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
}

TEST_F(Delivery, AFolderFailureIsLoggedOnceARoundAndRetriedUntilDelivered) {
  const std::string target = dir_ / "share";
  const std::string box = Box("Sales", "sendtofolder=true\nsendfolder=" + target + "\n");
  const std::string first = Message("Sales", "000001"), second = Message("Sales", "000002");
  const std::string idle = Box("Quiet", ""), untouched = Message("Quiet", "000001"), before = FileText(untouched);

  EXPECT_TRUE(SendRound());
  EXPECT_EQ(SystemLogCount("Unable to copy message to folder"), 1);
  for (const std::string& record : {first, second}) {
    const DeliveryState state = DeliveryState::Read(record);
    EXPECT_TRUE(state.lastError.starts_with("Unable to copy message to folder " + target) &&
                state.nextRetry == now_ + kRetrySeconds && Stored(record, "message", "senttofolder") == "<missing>")
        << record << ": " << state.lastError;
  }
  // A mailbox that delivers nothing is marked done without its messages being touched.
  EXPECT_EQ(Stored(box, "mbx", "unsentmessages") + Stored(idle, "mbx", "unsentmessages"), "truefalse");
  EXPECT_EQ(FileText(untouched), before);

  ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
  EXPECT_FALSE(SendRound());
  for (const std::string& record : {first, second}) {
    EXPECT_EQ(Stored(record, "message", "senttofolder") + "|" + Stored(record, "delivery", "lasterror"), "true|<missing>");
    EXPECT_EQ(FileText(target + "/" + PathTitle(record) + ".wav"), FileText(PathReplaceExtension(record, ".wav")));
  }
  EXPECT_EQ(Stored(box, "mbx", {"unsentmessages"}), "false");
}

// A backlog goes out oldest first, also where the numbers wrapped.
TEST_F(Delivery, ABacklogIsDeliveredOldestFirst) {
  const std::string target = dir_ / "share";
  ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
  Box("Sales", "sendtofolder=true\nsendfolder=" + target + "\n");
  struct Backlog { int lastNumber; std::vector<std::string> ids, delivered; } backlogs[] = {
      {23, {"000012", "000019", "000023", "000009", "000021"}, {"000009", "000012", "000019", "000021", "000023"}},
      {2, {"000001", "999999", "000002", "999998"}, {"999998", "999999", "000001", "000002"}},
  };
  for (const Backlog& backlog : backlogs) {
    ProfileWriteInt(folders_.SettingsFile(), "settings", "msgno", backlog.lastNumber);
    std::string expected;
    for (const std::string& id : backlog.ids) Message("Sales", id);
    for (const std::string& id : backlog.delivered)
      expected += std::to_string(WM_UPDATEREADMARK) + " " + folders_.MailBoxes() + "/Sales ICM" + id + ".ini\n";
    told_.clear();
    SendRound();
    EXPECT_EQ(Told(), expected);
    for (const std::string& id : backlog.ids) LMailBoxMessage::Delete(folders_.MailBoxes() + "/Sales ICM" + id + ".ini");
    ProfileWriteBool(folders_.MailBoxes() + "/Sales.mbx", "mbx", "unsentmessages", true);
  }
}

// The e-mail is dated when the call came in, read in the owner's date order and local time.
TEST_F(Delivery, AMessagesEmailIsDatedWhenTheCallCameIn) {
  setenv("TZ", "Europe/Berlin", 1), tzset();
  const std::string record = Message("Sales", "000001");
  struct Row { const char* order; const char* date; const char* time; std::time_t expected; } rows[] = {
      {"", "03/05/24", "15:03:09", 1709647389},   // month/day/year; UTC+1 in March
      {"1", "05/03/24", "15:03:09", 1709647389},  // day/month/year
      {"2", "24/03/05", "15:03:09", 1709647389},  // year/month/day
      {"1", "01/07/24", "12:00:00", 1719828000},  // summer time: UTC+2
      {"1", "31/02/24", "12:00:00", 0},           // no such day: the sending time
      {"1", "", "12:00:00", 0},
  };
  for (const Row& row : rows) {
    WriteTextFile(folders_.SettingsFile(), std::string("[settings]\ndateorder=") + row.order + "\n");
    ProfileWriteString(record, "message", "date", row.date);
    ProfileWriteString(record, "message", "time", row.time);
    EXPECT_EQ(MessageEmail(folders_, EmailSettings::Read(folders_.SettingsFile()), record, "a@x.test", "").date,
              row.expected) << row.order << " " << row.date;
  }
  unsetenv("TZ"), tzset();
}

// After failed rounds the task tries again after 1, 2, 5 and 10 minutes, then
// hourly; a round without failure goes back to the hourly round.
TEST(RetryBackoff, FailedRoundsAreRetriedSoonThenHourly) {
  RetryBackoff backoff;
  std::vector<int64_t> delays;
  for (bool failed : {true, true, true, true, true, true, false, true}) {
    const int64_t promised = backoff.DelayIfFailed();
    backoff.RoundEnded(failed);
    EXPECT_EQ(failed ? promised : RetryBackoff::kIdleSeconds, backoff.Delay());  // what the records were told
    delays.push_back(backoff.Delay());
  }
  EXPECT_EQ(delays, (std::vector<int64_t>{60, 120, 300, 600, 3600, 3600, 3600, 60}));
}

// An e-mail that cannot go is logged as the owner reads it: the address, the
// SMTP dialogue starting (the system mailer has none), the error; the
// message stays unsent with the error noted.
TEST_F(Delivery, AnEmailThatCannotGoIsLoggedAndLeftUnsent) {
  const struct { const char* email; int sendingLines; const char* error; } rows[] = {
      {"usemapi=false\nmailhost=127.0.0.1:1\n", 2, "Unable to connect to the mail server 127.0.0.1 port 1"},
      {"usemapi=true\nsendmail=/nonexistent/sendmail\n", 1, "The system mailer is not installed"},
  };
  Box("Sales", "sendemail=true\nemailaddress=ann@example.com\nsendemailaudio=false\n");
  const std::string record = Message("Sales", "000001");
  for (const auto& row : rows) {
    WriteTextFile(folders_.SettingsFile(), std::string("[email]\n") + row.email);
    for (const auto& entry : std::filesystem::directory_iterator(folders_.Logs())) std::filesystem::remove(entry);
    EXPECT_TRUE(SendRound()) << row.email;
    EXPECT_EQ(SystemLogCount("Sending Email to: ann@example.com"), 1) << row.email;
    EXPECT_EQ(SystemLogCount("Sending Email"), row.sendingLines) << row.email;
    EXPECT_EQ(SystemLogCount(row.error), 1) << row.email;
    EXPECT_TRUE(Stored(record, "message", "sentemail") == "<missing>" &&
                DeliveryState::Read(record).lastError.starts_with(row.error)) << row.email;
  }
}

TEST_F(Delivery, AFolderCopyWaitsForTheLevellingAndAStopMeanwhileLeavesTheMessageUnsent) {
  const std::string target = dir_ / "share";
  ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
  Box("Sales", "sendtofolder=true\nsendfolder=" + target + "\n");
  const std::string record = Message("Sales", "000001"), copy = target + "/Sales ICM000001.wav";
  HoldLevelling(PathReplaceExtension(record, ".wav"));

  progress_.StopIn(600);
  SendRound();
  EXPECT_EQ(Stored(record, "message", "senttofolder") + Stored(record, "delivery", "lasterror"), "<missing><missing>");
  EXPECT_FALSE(FileExists(copy));

  progress_.stopAt = TestProgress::Clock::time_point::max();
  std::thread releaser([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ReleaseLevelling();
  });
  SendRound();
  releaser.join();
  EXPECT_EQ(FileText(copy).substr(0, 12), "levelled");
  EXPECT_EQ(Stored(record, "message", "senttofolder"), "true");
  EXPECT_EQ(SystemLogCount("Sending message to folder"), 1);
}

TEST_F(Delivery, SpeechToTextWaitsForTheLevellingToo) {
  Box("Notes", "sendemail=true\nemailaddress=ann@example.com\nspeechtotext=true\n");
  const std::string record = Message("Notes", "000001");
  HoldLevelling(PathReplaceExtension(record, ".wav"));
  progress_.StopIn(600);
  SendRound();
  EXPECT_EQ(SystemLogCount("Run speech-to-text"), 0);
  EXPECT_EQ(Stored(record, "message", "sentemail"), "<missing>");
  ReleaseLevelling();
}

TEST_F(Delivery, OldMessagesAreDeletedAfterTheirDaysLoggedAndTheWindowIsToldButUndeliveredOnesStay) {
  const std::string record = Message("Sales", "000001");
  Box("Support", "sendtofolder=true\nsendfolder=" + (dir_ / "absent") + "\n");
  const std::string undelivered = Message("Support", "000002");
  const std::time_t day = 86400;
  WriteTextFile(folders_.SettingsFile(), "[settings]\ndeletefiledays=0\n");
  DeleteFilesCheck(context_, now_ + 400 * day);
  EXPECT_TRUE(FileExists(record));
  WriteTextFile(folders_.SettingsFile(), "[settings]\ndeletefiledays=30\n");
  DeleteFilesCheck(context_, now_ + 30 * day);  // a day is 24 h 6 min: not yet
  EXPECT_TRUE(FileExists(record));
  DeleteFilesCheck(context_, now_ + 31 * day);
  EXPECT_FALSE(FileExists(record) || FileExists(PathReplaceExtension(record, ".wav")));
  EXPECT_EQ(Told(), std::to_string(WM_DELMESSAGE) + " " + record + "\n");
  EXPECT_EQ(SystemLogCount("Deleted Sales ICM000001.ini: older than 30 days"), 1);
  EXPECT_TRUE(FileExists(undelivered));
  EXPECT_EQ(SystemLogCount("1 message(s) older than 30 days kept: not delivered yet"), 1);
  LMailBoxMessage::SetFlag(undelivered, "senttofolder", true);
  DeleteFilesCheck(context_, now_ + 31 * day);
  EXPECT_FALSE(FileExists(undelivered));
}

// Deletion by age waits an hour after start and after every step of the
// wall clock against the monotonic one of more than an hour, either way.
TEST_F(Delivery, AgeDeletionWaitsForTheClockToKeepSteadyForAnHour) {
  const std::time_t wall = 1'800'000'000;
  ClockStepGuard guard(wall, 100);
  struct Round { int64_t wallSeconds, monotonicSeconds; bool trusted; } rounds[] = {
      {5, 5, false},                    // just started
      {3600, 3600, true},               // an hour steady
      {40 * 86400, 3700, false},        // stepped 40 days forward
      {40 * 86400 + 3000, 6700, false}, // steady again, but not for an hour yet
      {40 * 86400 + 3700, 7400, true},
      {40 * 86400 + 3700 - 7200 + 60, 7460, false},  // stepped two hours back
      {40 * 86400 + 3700 - 7200 + 3700, 11100, true},
      {40 * 86400 + 3700 - 7200 + 3700 + 3599, 11100, true},  // just under the limit is no step
  };
  for (const Round& round : rounds)
    EXPECT_EQ(guard.Trusted(wall + round.wallSeconds, 100 + round.monotonicSeconds, log_), round.trusted)
        << round.wallSeconds << " " << round.monotonicSeconds;
  EXPECT_EQ(SystemLogCount("The clock jumped by 57538 minutes"), 1);
  EXPECT_EQ(SystemLogCount("The clock jumped by -120 minutes"), 1);
}

// An update the engine did not take (busy, or no answer in time) is handed
// over again at the next check.
TEST_F(Delivery, AnUpdateInTheFolderIsHandedOverOncePerChange) {
  const std::string update = dir_ / "zav7.ivr";
  WriteTextFile(update, "program");
  auto schedule = [&](bool repeat) {
    ProfileWriteDate(folders_.SettingsFile(), "remote", "nextcheck", now_ - 60);
    ProfileWriteBool(folders_.SettingsFile(), "remote", "autocheck", repeat);
  };
  WriteTextFile(folders_.SettingsFile(), "[remote]\nmode=1\nfolder=" + dir_.Path() + "\ninstallid=7\n");
  LFileTransferProtocol ftp(progress_);
  const std::string once = std::to_string(WM_LOADIVRFILEQUIET) + " " + update + "\n";
  const struct { std::optional<int64_t> answer; int handedOver; } rounds[] = {
      {std::nullopt, 1}, {1, 2}, {0, 3}, {0, 3}};  // the same file again: nothing to load
  for (const auto& round : rounds) {
    answer_ = round.answer;
    schedule(false);
    AutoLoadCheck(context_, ftp, now_);
    EXPECT_EQ(told_.size(), static_cast<std::size_t>(round.handedOver));
  }
  EXPECT_EQ(Told(), once + once + once);
  EXPECT_EQ(SystemLogCount("IVR program update not handed over to load, tried again at the next check: zav7.ivr"), 2);
  EXPECT_EQ(Stored(folders_.SettingsFile(), "remote", "nextcheck"), "");
  schedule(true);  // the next check is scheduled
  AutoLoadCheck(context_, ftp, now_);
  EXPECT_EQ(told_.size(), 3u);
  EXPECT_EQ(ProfileReadDate(folders_.SettingsFile(), "remote", "nextcheck", 0), now_ + 3600);
}

// Without its time a server file cannot be told from the one loaded last:
// it is neither loaded nor remembered.
TEST_F(Delivery, AnUpdateOnTheServerIsLoadedOnlyWhenItsTimeIsKnown) {
  TempDir served;
  const TestServer server("ftp_server.py", served.Path() + " --events " + (dir_ / "events"));
  ASSERT_TRUE(server.Running());
  const std::string& settings = folders_.SettingsFile();
  WriteTextFile(settings, "[remote]\nserver=" + server.Address() + "\ninstallid=7\nfiledate=1700000000\n");
  const std::string update = served / "zav7.ivr";
  LFileTransferProtocol ftp(progress_);
  const struct { std::optional<std::time_t> time; std::size_t handedOver; std::time_t stored; } rounds[] = {
      {std::nullopt, 0, 1700000000}, {0, 0, 1700000000}, {1800000000, 1, 1800000000}};
  for (const auto& round : rounds) {
    if (round.time) {
      WriteTextFile(update, "program");
      const utimbuf times{*round.time, *round.time};
      ASSERT_EQ(::utime(update.c_str(), &times), 0);
    }
    ProfileWriteDate(settings, "remote", "nextcheck", now_ - 60);
    AutoLoadCheck(context_, ftp, now_);
    EXPECT_EQ(told_.size(), round.handedOver);
    EXPECT_EQ(ProfileReadSeconds(settings, "remote", "filedate"), round.stored);
  }
  EXPECT_EQ(SystemLogCount("No IVR program update on the server, or its time cannot be read: zav7.ivr"), 2);
}

TEST_F(Delivery, MessagesAreConvertedOnceToTheDeliveryFormat) {
  const std::string record = Message("Sales", "000001");
  const std::string audio = PathReplaceExtension(record, ".wav");
  ASSERT_TRUE(CompressMessage(context_, record));
  EXPECT_EQ(LWaveFile::OpenSource(audio)->GetEndSample(), 800);
  EXPECT_EQ(std::filesystem::file_size(audio), 46u + 800u);  // 8-bit PCM without a format file
  EXPECT_EQ(Stored(record, "message", "compressed"), "true");
  LWaveFile::OpenSinkPCM(audio, 8000, 0, 16, 1)->Write(std::vector<int32_t>(80, 0).data(), 80);
  ASSERT_TRUE(CompressMessage(context_, record));  // already done: left alone
  EXPECT_EQ(std::filesystem::file_size(audio), 46u + 160u);
  // The delivery format the user chose is the one written.
  const std::string chosen = Message("Sales", "000002");
  ASSERT_TRUE(LWaveFileFormat::Pcm(8000, 1, 16).WriteWff(PathReplaceExtension(folders_.SettingsFile(), ".wff")));
  ASSERT_TRUE(CompressMessage(context_, chosen));
  EXPECT_EQ(std::filesystem::file_size(PathReplaceExtension(chosen, ".wav")), 46u + 1600u);
}

}  // namespace
