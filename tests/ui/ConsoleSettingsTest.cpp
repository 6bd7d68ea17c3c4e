// The settings pages through HTTP: lines take the first free section, only
// line changes ask for a rebuild, a saved update source is looked at once,
// every refused value names its field, passwords never come back, and the
// delivery format file is written whole.
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "ConsoleServerFixture.h"
#include "audio/LWaveFileFormat.h"
#include "core/MainMessages.h"

namespace {

using console_test::ConsoleServerTest;
using nlohmann::json;

class ConsoleSettingsTest : public ConsoleServerTest {
 protected:
  void SetUp() override {
    ConsoleServerTest::SetUp();
    ProfileWriteString(File(), "sipdevice0", "name", "Desk");
    ProfileWriteString(File(), "sipdevice0", "localaddress", "127.0.0.1:5070");
    OpenConsole();
  }

  const std::string& File() const { return folders_->SettingsFile(); }
  bool Restart() { return ProfileReadBool(File(), "state", "restart", false); }
  // The section the line named `name` went to.
  int AddLine(const std::string& name) {
    auto reply = PostJson("/api/settings/lines/save", {{"name", name}, {"device", 0}});
    EXPECT_EQ(reply->status, 200) << reply->body;
    for (int n = 0; n < 64; ++n)
      if (ProfileReadString(File(), "line" + std::to_string(n), "name", "") == name) return n;
    return -1;
  }

};

TEST_F(ConsoleSettingsTest, AddingTakesTheFirstFreeSectionAndAsksForARebuild) {
  for (int n = 0; n < 4; ++n) ProfileWriteBool(File(), "line" + std::to_string(n), "use", true);
  EXPECT_EQ(AddLine("Fifth"), 4);
  EXPECT_TRUE(Restart());
  ProfileWriteBool(File(), "state", "restart", false);
  ASSERT_EQ(PostJson("/api/settings/lines/remove", {{"section", 2}})->status, 200);
  EXPECT_FALSE(ProfileReadBool(File(), "line2", "use", true));
  EXPECT_TRUE(Restart());
  EXPECT_EQ(AddLine("Again"), 2);
  const json lines = json::parse(client_->Get("/api/settings/lines")->body);
  EXPECT_EQ(lines["lines"][2]["text"], "Again [Desk]");
  EXPECT_EQ(lines["free"], 5);
}

TEST_F(ConsoleSettingsTest, OnlyLineChangesAskForARebuildWhichClosingRequests) {
  const struct {
    json body;
    bool restart;
  } rows[] = {
      {{{"page", "transfer"}, {"values", {{"blindprefix", "!,9"}, {"maxrectime", 60}}}}, false},
      {{{"page", "hours"}, {"values", {{"enabled", true}, {"satopen", "08:30"}}}}, false},
      {{{"page", "general"}, {"values", {{"nrings", 4}, {"dateorder", 1}}}}, false},
      {{{"page", "remote"}, {"values", {{"mode", 1}, {"folder", "/srv/updates"}, {"installid", 12}}}}, false},
      {{{"page", "email"}, {"values", {{"usemapi", false}, {"mailhost", "mail.test:2525"}, {"fromemail", "Jörg Müller <buero@müller.de>"}}}},
       false},
      {{{"page", "linesettings"}, {"values", {{"delaydtmf", 400}}}}, true},
  };
  for (const auto& row : rows) {
    ProfileWriteBool(File(), "state", "restart", false);
    auto reply = PostJson("/api/settings/page", row.body);
    EXPECT_EQ(reply->status, 200) << row.body << reply->body;
    EXPECT_EQ(Restart(), row.restart) << row.body;
  }
  EXPECT_EQ(ProfileReadTimeOfDay(File(), "autohours", "satopen", 0), 8 * 3600 + 30 * 60);
  EXPECT_EQ(ProfileReadDuration(File(), "settings", "maxrectime", 0), 60000);
  // The line reads its delays as durations: 400 ms, not 400 s.
  EXPECT_EQ(ProfileReadDuration(File(), "linesettings", "delaydtmf", 0), 400);
  EXPECT_EQ(ProfileReadString(File(), "email", "mailhost", ""), "mail.test:2525");
  EXPECT_EQ(ProfileReadString(File(), "email", "fromemail", ""), "Jörg Müller <buero@müller.de>");
  EXPECT_EQ(ProfileReadInt(File(), "settings", "dateorder", 0), 1);
  // The update source is looked at once it is saved, not an hour later.
  EXPECT_NEAR(ProfileReadDate(File(), "remote", "nextcheck", 0), std::time(nullptr), 5);
  // Program updates and e-mail wake delivery: a check or a failed mail goes at once.
  ASSERT_EQ(Sent().size(), 2u);
  EXPECT_EQ(Sent().back().id, WM_WAKEBGTASK);
  ASSERT_EQ(PostJson("/api/settings/close", json::object())->status, 200);
  ASSERT_FALSE(Sent().empty());
  EXPECT_EQ(Sent().back().id, WM_SETTINGSCLOSED);
}

TEST_F(ConsoleSettingsTest, RefusedValuesNameTheirFieldAndChangeNothing) {
  const struct {
    const char* path;
    json body;
    const char* field;
  } rows[] = {
      {"/api/settings/page", {{"page", "general"}, {"values", {{"nrings", 0}}}}, "nrings"},
      {"/api/settings/page", {{"page", "general"}, {"values", {{"nrings", "3"}}}}, "nrings"},
      {"/api/settings/page", {{"page", "general"}, {"values", {{"cidflash", 1}}}}, "cidflash"},
      {"/api/settings/page", {{"page", "hours"}, {"values", {{"weekdayopen", "25:00"}}}}, "weekdayopen"},
      {"/api/settings/page", {{"page", "hours"}, {"values", {{"sunclose", "9"}}}}, "sunclose"},
      {"/api/settings/page", {{"page", "hours"}, {"values", {{"duringogm", "../x"}}}}, "duringogm"},
      {"/api/settings/page", {{"page", "hours"}, {"values", {{"aftermode", 4}}}}, "aftermode"},
      {"/api/settings/page", {{"page", "transfer"}, {"values", {{"blindprefix", "9\n[x]"}}}}, "blindprefix"},
      {"/api/settings/page", {{"page", "transfer"}, {"values", {{"maxrectime", 0}}}}, "maxrectime"},
      {"/api/settings/page", {{"page", "general"}, {"values", {{"dateorder", 3}}}}, "dateorder"},
      {"/api/settings/page", {{"page", "remote"}, {"values", {{"server", "ftp.test/../x"}}}}, "server"},
      {"/api/settings/page", {{"page", "remote"}, {"values", {{"folder", "updates"}}}}, "folder"},
      {"/api/settings/page", {{"page", "email"}, {"values", {{"subject", "Hi\r\nBcc: x@y"}}}}, "subject"},
      {"/api/settings/page", {{"page", "email"}, {"values", {{"usemapi", false}, {"mailhost", ""}, {"fromemail", "a@b"}}}}, "mailhost"},
      {"/api/settings/page", {{"page", "email"}, {"values", {{"usemapi", false}, {"mailhost", "m"}, {"fromemail", ""}}}}, "fromemail"},
      {"/api/settings/page", {{"page", "email"}, {"values", {{"fromemail", "Jörg Müller <buero@mueller.de"}}}}, "fromemail"},
      {"/api/settings/page", {{"page", "email"}, {"values", {{"mailhost", "mail:0"}}}}, "mailhost"},
      {"/api/settings/page", {{"page", "email"}, {"values", {{"mailhost", "mail:bob:pw"}}}}, "mailhost"},
      {"/api/settings/page", {{"page", "email"}, {"values", {{"smtpuser", ""}, {"smtppassword", "pw"}}}}, "smtpuser"},
      {"/api/settings/page", {{"page", "email"}, {"values", {{"smtppassword", std::string(129, 'p')}}}}, "smtppassword"},
      {"/api/settings/page", {{"page", "email"}, {"values", {{"smtpsecurity", "ssl"}}}}, "smtpsecurity"},
      {"/api/settings/emailtemplate", {{"text", "Hi\x01"}}, "text"},
      {"/api/settings/emailtemplate", {{"text", std::string(65537, 'x')}}, "text"},
      {"/api/settings/lines/save", {{"name", ""}, {"device", 0}}, "name"},
      {"/api/settings/lines/save", {{"name", "A"}, {"device", 1}}, "device"},
      {"/api/settings/lines/save", {{"name", "A"}, {"device", 0}, {"ogm", "a/b"}}, "ogm"},
      {"/api/settings/sip/save", {{"name", "X"}, {"mode", "register"}, {"registrar", "pbx"}, {"localaddress", "0.0.0.0:5080"}}, "user"},
      {"/api/settings/sip/save", {{"name", "X"}, {"mode", "direct"}, {"localaddress", "1.2.3:80"}}, "localaddress"},
      {"/api/settings/sip/save", {{"name", "X"}, {"mode", "direct"}, {"localaddress", "1.2.3.4:70000"}}, "localaddress"},
      {"/api/settings/sip/save", {{"name", "X"}, {"mode", "sideways"}, {"localaddress", "1.2.3.4:5080"}}, "mode"},
      {"/api/settings/sip/save", {{"name", "X"}, {"mode", "register"}, {"user", "a b"}, {"registrar", "pbx"}, {"localaddress", "1.2.3.4:5080"}}, "user"},
      {"/api/settings/sip/save", {{"name", "X"}, {"localaddress", "1.2.3.4:5080"}, {"mode", "direct"}, {"expiry", 10}}, "expiry"},
      {"/api/settings/sip/save", {{"name", "X"}, {"localaddress", "1.2.3.4:5080"}, {"mode", "direct"}, {"anyhost", "yes"}}, "anyhost"},
      {"/api/settings/format", {{"format", 100000}}, "format"},
  };
  const std::string before = FileText(File());
  for (const auto& row : rows) ExpectRefused(row.path, row.body.dump(), row.field);
  EXPECT_EQ(FileText(File()), before);
}

// The account's ticks round-trip as ticks ("anyhost").
TEST_F(ConsoleSettingsTest, PasswordsAreNeverSentBackAndAnEmptyOneKeepsTheOld) {
  const json account = {{"name", "Office"}, {"mode", "register"}, {"user", "200"}, {"registrar", "pbx.example:5060"},
                        {"localaddress", "0.0.0.0:5080"}, {"password", "sesame-secret"}, {"anyhost", true}};
  ASSERT_EQ(PostJson("/api/settings/sip/save", account)->status, 200);
  json edited = account;
  edited["password"] = "";
  edited["section"] = 1;
  auto reply = PostJson("/api/settings/sip/save", edited);
  ASSERT_EQ(reply->status, 200) << reply->body;
  for (const std::string& body : {reply->body, client_->Get("/api/settings/sip")->body}) {
    EXPECT_EQ(body.find("sesame"), std::string::npos) << body;
    EXPECT_TRUE(json::parse(body)["devices"][1]["passwordSet"]) << body;
    EXPECT_EQ(json::parse(body)["devices"][1]["anyhost"], true) << body;
  }
  EXPECT_EQ(ProfileReadString(File(), "sipdevice1", "password", ""), "sesame-secret");
  EXPECT_EQ(ProfileReadString(File(), "sipdevice1", "anyhost", ""), "true");
}

// A login written into the mail host shows in the login fields, and saving
// the page moves it there; without a user there is no password.
TEST_F(ConsoleSettingsTest, TheMailLoginIsNeverSentBackAndMovesOutOfTheMailHost) {
  ProfileWriteString(File(), "email", "mailhost", "mail.test:587:bob:pa:ss");
  ProfileWriteString(File(), "email", "smtpsecurity", "TLS");
  ProfileWriteString(File(), "email", "smtpverify", "no");
  const auto shown = client_->Get("/api/settings/page?name=email");
  EXPECT_EQ(shown->body.find("pa:ss"), std::string::npos) << shown->body;
  const json values = json::parse(shown->body)["values"];
  EXPECT_EQ(values["mailhost"], "mail.test:587");
  EXPECT_EQ(values["smtpuser"], "bob");
  EXPECT_EQ(values["smtppassword"], "");
  EXPECT_TRUE(values["smtppasswordSet"]);
  EXPECT_EQ(values["smtpsecurity"], "tls");
  EXPECT_FALSE(values["smtpverify"]);

  ASSERT_EQ(PostJson("/api/settings/page", {{"page", "email"}, {"values", values}})->status, 200);
  EXPECT_EQ(ProfileReadString(File(), "email", "mailhost", ""), "mail.test:587");
  EXPECT_EQ(ProfileReadString(File(), "email", "smtpuser", ""), "bob");
  EXPECT_EQ(ProfileReadString(File(), "email", "smtppassword", ""), "pa:ss");
  EXPECT_EQ(ProfileReadString(File(), "email", "smtpsecurity", ""), "tls");

  json noUser = values;
  noUser["smtpuser"] = "";
  ASSERT_EQ(PostJson("/api/settings/page", {{"page", "email"}, {"values", noUser}})->status, 200);
  EXPECT_EQ(ProfileReadString(File(), "email", "smtppassword", "unset"), "");
}

// The e-mail text is rewritten only when it changed.
TEST_F(ConsoleSettingsTest, TheEmailTextIsKeptUntilItChanges) {
  EXPECT_EQ(json::parse(client_->Get("/api/settings/emailtemplate")->body)["text"], "");
  const std::string text = "From %callername%\r\n\tat %cid%\n";
  ASSERT_EQ(PostJson("/api/settings/emailtemplate", {{"text", text}})->status, 200);
  const std::string path = folders_->Root() + "/Email Template.txt";
  EXPECT_EQ(FileText(path), text);
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  ASSERT_EQ(PostJson("/api/settings/emailtemplate", {{"text", text}})->status, 200);
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  // A text written elsewhere in the Windows code page shows its letters.
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "Caf\xE9 \x80 \xC3\xA9";
  EXPECT_EQ(json::parse(client_->Get("/api/settings/emailtemplate")->body)["text"], "Café € é");
}

TEST_F(ConsoleSettingsTest, RemovingADeviceKeepsEachLineOnItsOwnDevice) {
  ProfileWriteString(File(), "sipdevice2", "name", "Back");
  ProfileWriteBool(File(), "line0", "use", true);
  ProfileWriteInt(File(), "line0", "device", 1);  // "Back", second in the list
  EXPECT_EQ(PostJson("/api/settings/sip/remove", {{"section", 2}})->status, 409);
  ASSERT_EQ(PostJson("/api/settings/sip/remove", {{"section", 0}})->status, 200);
  EXPECT_EQ(ProfileReadInt(File(), "line0", "device", -1), 0);
  EXPECT_EQ(json::parse(client_->Get("/api/settings/lines")->body)["lines"][0]["text"], "line0 [Back]");
}

// "Desk" names only its address: the dialog shows the defaults a save writes.
TEST_F(ConsoleSettingsTest, ADeviceListsTheDefaultsOfTheKeysItLeavesOut) {
  const json desk = json::parse(client_->Get("/api/settings/sip")->body)["devices"][0];
  for (const auto& [key, shown] : {std::pair{"transport", "udp"}, {"expiry", "3600"}, {"dtmfmode", "rfc4733"}, {"rtplatch", "signalling"}})
    EXPECT_EQ(desk[key], shown) << key;
  EXPECT_EQ(desk["anyhost"], false);
}

// The delivery format beside the settings, the program files' own in the data folder.
TEST_F(ConsoleSettingsTest, TheChosenFormatIsWrittenInItsFullLayout) {
  const struct {
    const char* of;
    std::string wff;
  } rows[] = {
      {"delivery", std::filesystem::path(File()).replace_extension(".wff")},
      {"program", folders_->Root() + "/savecodec.wff"},
  };
  for (const auto& row : rows) {
    const json offer = json::parse(client_->Get(std::string("/api/settings/format?of=") + row.of)->body);
    ASSERT_GT(offer["formats"].size(), 2u);
    auto reply = PostJson("/api/settings/format", {{"format", 2}, {"of", row.of}});
    ASSERT_EQ(reply->status, 200) << reply->body;
    EXPECT_EQ(json::parse(reply->body)["selected"], 2);
    EXPECT_EQ(std::filesystem::file_size(row.wff), LWaveFileFormat::kBufferSize) << row.of;
    LWaveFileFormat stored;
    stored.ReadWff(row.wff);
    EXPECT_EQ(stored.Tag(), offer["formats"][2]["tag"].get<int>());
  }
}

}  // namespace
