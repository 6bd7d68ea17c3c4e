// The mailbox and message commands over HTTP: what the browser plays, what
// the files become and what the engine is told.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "audio/LCodecG711.h"
#include "audio/LSupportedFormats.h"
#include "audio/LWaveFileFormat.h"
#include "audio/WaveTestFiles.h"
#include "audio/WaveFileIo.h"
#include "core/MainMessages.h"
#include "support/TestServer.h"
#include "ConsoleServerFixture.h"

namespace {

using console_test::OpenedConsoleTest;
using console_test::kSecret;

std::string Text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

class ConsoleMessagesTest : public OpenedConsoleTest {
 protected:
  void SetUp() override {
    OpenedConsoleTest::SetUp();
    for (const char* box : {"Default", "Sales"}) ProfileWriteString(Box(box), "mbx", "beep", "false");
  }

  std::string Box(const std::string& name) const { return folders_->MailBoxes() + "/" + name + ".mbx"; }
  std::string Record(const std::string& box, const char* id) const {
    return folders_->MailBoxes() + "/" + box + " ICM" + id + ".ini";
  }
  // An unread message with `audio` as its ".wav".
  std::string AddMessage(const std::string& box, const char* id, const std::string& audio) {
    const std::string record = Record(box, id);
    ProfileWriteString(record, "message", "cid", "5551234");
    std::ofstream(std::filesystem::path(record).replace_extension(".wav"), std::ios::binary) << audio;
    return record;
  }

  std::vector<uint32_t> SentIds() {
    std::vector<uint32_t> ids;
    for (const LMessage& m : Sent()) ids.push_back(m.id);
    return ids;
  }

};

TEST_F(ConsoleMessagesTest, AudioPlaysAsPcmWaveAndSeeksByRange) {
  const std::vector<int16_t> ramp = {0, 100, -100, 2000, -2000, 30000, -30000, 7};
  std::string samples;
  for (int i = 0; i < 40; ++i) samples += wave_test::Samples16(ramp);
  const LWaveFileFormat pcm = LWaveFileFormat::Pcm(8000, 1, 16);
  LWaveFileFormat alaw;
  ASSERT_TRUE(LSupportedFormats::Fill({LCodecG711::kTagALaw, 8000, 1, 8, ""}, alaw));
  std::string alawBytes;
  std::vector<int16_t> decoded;
  for (int i = 0; i < 320; ++i) {
    alawBytes += static_cast<char>(LCodecG711::ALawFromLinear(ramp[i % ramp.size()]));
    decoded.push_back(LCodecG711::LinearFromALaw(static_cast<uint8_t>(alawBytes.back())));
  }
  // Our header is the one a conversion writes.
  const std::string stored = Text(WaveHeader(pcm, static_cast<uint32_t>(samples.size()))) + samples;
  const struct { const char* what; std::string file; std::string played; } rows[] = {
      {"16-bit PCM goes as stored", stored, stored},
      {"A-law is decoded", Text(WaveHeader(alaw, 320)) + alawBytes,
       Text(WaveHeader(pcm, 640)) + wave_test::Samples16(decoded)},
      {"PCM still being recorded goes as far as written",
       Text(WaveHeader(pcm, kWaveStreamingSize)) + samples + "\x01", stored},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    AddMessage("Default", "000001", row.file);
    auto whole = client_->Get("/api/messages/audio?mailbox=default&id=000001");
    ASSERT_EQ(whole->status, 200) << whole->body;
    EXPECT_EQ(whole->get_header_value("Content-Type"), "audio/wav");
    EXPECT_EQ(whole->body, row.played);
    auto slice = client_->Get("/api/messages/audio?mailbox=Default&id=000001", {{"Range", "bytes=40-99"}});
    EXPECT_EQ(slice->status, 206);
    EXPECT_EQ(slice->body, row.played.substr(40, 60));
    EXPECT_EQ(slice->get_header_value("Content-Range"), "bytes 40-99/" + std::to_string(row.played.size()));
  }
  // Ranges past the end are cut at it, or refused when nothing of them is there.
  const std::string& played = rows[2].played;
  const size_t tail = played.size() - 10;
  auto cut = client_->Get("/api/messages/audio?mailbox=Default&id=000001",
                          {{"Range", "bytes=" + std::to_string(tail) + "-999999"}});
  EXPECT_EQ(cut->status, 206);
  EXPECT_EQ(cut->body, played.substr(tail));
  auto outside = client_->Get("/api/messages/audio?mailbox=Default&id=000001", {{"Range", "bytes=999999-"}});
  EXPECT_EQ(outside->status, 416);
  EXPECT_EQ(outside->get_header_value("Content-Range"), "bytes */" + std::to_string(played.size()));
  // Save as: the stored file itself, named after the message.
  auto saved = client_->Get("/api/messages/download?mailbox=Default&id=000001");
  ASSERT_EQ(saved->status, 200);
  EXPECT_EQ(saved->body, rows[2].file);
  // (The test's client decodes the escapes of header values: "%20" reads " ".)
  EXPECT_EQ(saved->get_header_value("Content-Disposition"),
            "attachment; filename=\"Default ICM000001.wav\"; filename*=UTF-8''Default ICM000001.wav");
  EXPECT_EQ(client_->Get("/api/messages/audio?mailbox=Default&id=000002")->status, 404);
}

TEST_F(ConsoleMessagesTest, ListReadMarkAndDeleteTellTheEngine) {
  const std::string record = AddMessage("Default", "000001", "RIFF");
  // (What a row holds is the event feed's test.)
  EXPECT_NE(client_->Get("/api/messages?mailbox=default")->body.find(R"("file":"Default ICM000001")"), std::string::npos);
  EXPECT_EQ(client_->Get("/api/messages?mailbox=Nobody")->status, 404);
  for (int time = 0; time < 2; ++time) {
    auto read = Post("/api/messages/read", R"({"mailbox":"Default","id":"000001"})");
    ASSERT_EQ(read->status, 200) << read->body;
  }
  EXPECT_TRUE(ProfileReadBool(record, "message", "read", false));
  // Only the first one changed the mark; both saw the messages.
  EXPECT_EQ(SentIds(), (std::vector<uint32_t>{WM_UPDATEREADMARK, WM_MESSAGESSEEN, WM_MESSAGESSEEN}));
  EXPECT_EQ(Sent()[0].text, record);

  sent_.clear();
  AddMessage("Default", "000002", "RIFF");
  auto deleted = Post("/api/messages/delete", R"({"mailbox":"Default","ids":["000001","000009"]})");
  ASSERT_EQ(deleted->status, 200) << deleted->body;
  EXPECT_EQ(deleted->body, R"({"deleted":1})");
  EXPECT_FALSE(std::filesystem::exists(record));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(record).replace_extension(".wav")));
  EXPECT_TRUE(std::filesystem::exists(Record("Default", "000002")));
  EXPECT_EQ(SentIds(), (std::vector<uint32_t>{WM_DELMESSAGE, WM_MESSAGESSEEN}));
  EXPECT_EQ(Sent()[0].text, record);
}

// A big mailbox streams out in pieces, uncompressed (the compressor was the
// slow part), and every row arrives once.
TEST_F(ConsoleMessagesTest, ABigListStreamsEveryRowUncompressed) {
  std::set<std::string> written;
  for (int n = 1; n <= 300; ++n) {
    char id[7];
    std::snprintf(id, sizeof id, "%06d", n);
    std::ofstream(Record("Default", id)) << "[message]\r\ndate=10/12/26\r\ntime=12:00:00\r\ncid=+15550" << id
                                         << "\r\ncallername=Caller " << id << "\r\n";
    written.insert(id);
  }
  auto reply = client_->Get("/api/messages?mailbox=Default", {{"Accept-Encoding", "gzip, deflate, br"}});
  ASSERT_TRUE(reply);
  ASSERT_EQ(reply->status, 200);
  EXPECT_FALSE(reply->has_header("Content-Encoding"));
  EXPECT_EQ(reply->get_header_value("Transfer-Encoding"), "chunked");
  const nlohmann::json list = nlohmann::json::parse(reply->body);
  EXPECT_EQ(list["mailbox"], "Default");
  std::set<std::string> listed;
  for (const auto& row : list["messages"]) listed.insert(row["id"].get<std::string>());
  EXPECT_EQ(list["messages"].size(), written.size());
  EXPECT_EQ(listed, written);
  EXPECT_EQ(list["messages"][0]["cid"].get<std::string>().rfind("+15550", 0), 0u);
}

TEST_F(ConsoleMessagesTest, MoveToItsOwnMailboxChangesNothing) {
  const std::string record = AddMessage("Default", "000001", "RIFF");
  ProfileWriteBool(record, "message", "read", true);
  auto same = Post("/api/messages/move", R"({"mailbox":"Default","ids":["000001"],"to":"DEFAULT"})");
  EXPECT_EQ(same->status, 409);
  EXPECT_EQ(same->body, R"({"error":"the message is already in that mailbox"})");
  EXPECT_TRUE(ProfileReadBool(record, "message", "read", false));
  EXPECT_TRUE(Sent().empty());

  auto moved = Post("/api/messages/move", R"({"mailbox":"Default","ids":["000001"],"to":"Sales"})");
  ASSERT_EQ(moved->status, 200) << moved->body;
  EXPECT_EQ(moved->body, R"({"moved":1})");
  const std::string now = Record("Sales", "000001");
  EXPECT_FALSE(std::filesystem::exists(record));
  EXPECT_EQ(ProfileReadString(now, "message", "read", "unread"), "unread") << "new to its new mailbox";
  EXPECT_EQ(SentIds(),
            (std::vector<uint32_t>{WM_DELMESSAGE, WM_UPDATEMESSAGE, WM_WAKEBGTASK, WM_RUNSCHEDULER}));
  EXPECT_EQ(Sent()[0].text, record);
  EXPECT_EQ(Sent()[1].text, now);
}

TEST_F(ConsoleMessagesTest, MailboxCommandsKeepToTheMailboxFolder) {
  const std::string settings = folders_->SettingsFile();
  AddMessage("Default", "000001", "RIFF");
  const struct { const char* path; const char* body; int status; } rows[] = {
      {"/api/mailboxes/new", R"({"name":"Caf\u00e9"})", 200},
      {"/api/mailboxes/new", R"({"name":"Cafe\u0301"})", 409},  // looks the same
      {"/api/mailboxes/delete", R"({"name":"Caf\u00e9"})", 200},
      {"/api/mailboxes/new", R"({"name":"Mail/box 1"})", 400},
      {"/api/mailboxes/new", R"({"name":"Der \"Chef\""})", 400},
      {"/api/mailboxes/new", R"({"name":" Mailbox 1 "})", 200},
      {"/api/mailboxes/new", R"({"name":"mailbox 1"})", 409},
      {"/api/mailboxes/new", R"({"name":"%2e%2e%2fsettings"})", 400},
      {"/api/mailboxes/new", R"({"name":"..."})", 400},
      {"/api/mailboxes/select", R"({"name":"../settings"})", 400},
      {"/api/mailboxes/rename", R"({"from":"Sales","to":"%252e%252e%252fOGMs%252fx"})", 400},
      {"/api/mailboxes/rename", R"({"from":"..\\Sales","to":"x"})", 400},
      {"/api/mailboxes/rename", R"({"from":"Sales","to":"Mailbox 1"})", 409},
      {"/api/mailboxes/rename", R"({"from":"Sales","to":"Leads"})", 200},
      {"/api/mailboxes/delete", R"({"name":"../settings"})", 400},
      {"/api/mailboxes/delete", R"({"name":"Nobody"})", 404},
      {"/api/mailboxes/select", R"({"name":"leads"})", 200},
      {"/api/messages/delete", R"({"mailbox":"Default","ids":["../../settings"]})", 400},
      {"/api/messages/move", R"({"mailbox":"Default","ids":["000001"],"to":"../OGMs"})", 400},
      {"/api/mailboxes/delete", R"({"name":"Mailbox 1"})", 200},
      {"/api/mailboxes/delete", R"({"name":"Leads"})", 200},  // the selected one
  };
  for (const auto& row : rows) {
    auto reply = Post(row.path, row.body);
    ASSERT_TRUE(reply) << row.path << " " << row.body;
    EXPECT_EQ(reply->status, row.status) << row.path << " " << row.body << ": " << reply->body;
  }
  for (const char* query :
       {"audio?mailbox=Default&id=..%2f..%2fsettings", "download?mailbox=..%2fx&id=000001",
        "audio?mailbox=Default&id=%252e%252e%252fsettings"})
    EXPECT_EQ(client_->Get(std::string("/api/messages/") + query)->status, 400) << query;

  EXPECT_EQ(ProfileReadString(settings, "sip", "password", ""), kSecret);
  EXPECT_EQ(ProfileReadString(settings, "settings", "mbx", ""), "Default") << "the selection moved on";
  EXPECT_TRUE(std::filesystem::exists(Record("Default", "000001")));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folders_->MailBoxes()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Default ICM000001.ini", "Default ICM000001.wav", "Default.mbx"}));
  EXPECT_NE(client_->Get("/api/mailboxes")->body.find(R"("proposal":"Mailbox 1")"), std::string::npos);
}

TEST_F(ConsoleMessagesTest, EmailArrivesWithTheMessageAttached) {
  TempDir mail;
  TestServer smtp("smtp_server.py", "--mode plain --folder " + mail.Path());
  ASSERT_TRUE(smtp.Running());
  const std::string settings = folders_->SettingsFile();
  ProfileWriteString(settings, "email", "usemapi", "false");
  ProfileWriteString(settings, "email", "mailhost", smtp.Address());
  ProfileWriteString(settings, "email", "smtpsecurity", "none");
  ProfileWriteString(settings, "email", "fromemail", "owner@x.test");
  const std::string record =
      AddMessage("Default", "000001",
                 Text(WaveHeader(LWaveFileFormat::Pcm(8000, 1, 16), 800)) + std::string(800, '\x10'));
  EXPECT_EQ(client_->Get("/api/email")->body, R"({"to":"owner@x.test"})");

  auto refused =
      Post("/api/messages/email",
           "{\"mailbox\":\"Default\",\"ids\":[\"000001\"],\"to\":\"a@x.test\\r\\nBcc: b@x.test\"}");
  EXPECT_EQ(refused->status, 400);
  auto sent = Post("/api/messages/email", R"({"mailbox":"Default","ids":["000001"],"to":"ann@x.test"})");
  ASSERT_EQ(sent->status, 200) << sent->body;
  EXPECT_EQ(sent->body, R"({"sent":1})");
  const std::string captured = FileText(mail / "0.json");
  EXPECT_NE(captured.find(R"("to": ["ann@x.test"])"), std::string::npos) << captured;
  EXPECT_NE(captured.find(R"("filename": "Default ICM000001.wav")"), std::string::npos) << captured;
  // Converted once into the delivery format (8-bit PCM by default), and marked so.
  EXPECT_TRUE(ProfileReadBool(record, "message", "compressed", false));
  const std::string attached = FileText(mail / "0.part1");
  EXPECT_EQ(attached.substr(0, 4), "RIFF");
  EXPECT_EQ(attached[34], 8) << "bits per sample";
  EXPECT_EQ(status_.Get().progressTitle, "");
  EXPECT_EQ(SentIds(), std::vector<uint32_t>{WM_MESSAGESSEEN});
}

TEST_F(ConsoleMessagesTest, ATestMessageThatCannotGoOutSaysWhy) {
  const std::string settings = folders_->SettingsFile();
  ProfileWriteString(settings, "email", "usemapi", "false");
  ProfileWriteString(settings, "email", "mailhost", "127.0.0.1:1");
  EXPECT_EQ(Post("/api/email/test", R"({"to":""})")->status, 400);
  EXPECT_EQ(Post("/api/email/test", R"({"to":"ann@x.test, bob at x.test"})")->status, 400);
  auto failed = Post("/api/email/test", R"({"to":"ann@x.test"})");
  EXPECT_EQ(failed->status, 502);
  EXPECT_NE(failed->body.find("error"), std::string::npos) << failed->body;
}

}  // namespace
