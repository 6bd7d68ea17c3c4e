// The OGM list over HTTP: refused names change nothing, a rename onto an
// existing OGM keeps both, and a rename tells what still names the old name.
#include <filesystem>
#include <fstream>

#include "callengine/EngineOgms.h"
#include "core/Profile.h"
#include "log/LogFile.h"
#include "ConsoleServerFixture.h"

namespace {

using console_test::ConsoleServerTest;

class ConsoleOgmListTest : public ConsoleServerTest {
 protected:
  void SetUp() override {
    ConsoleServerTest::SetUp();
    log_ = std::make_unique<LogFile>(folders_->Logs(), clock_, display_);
    engineOgms_ = std::make_unique<EngineOgms>(*folders_, *log_);
    ogms_ = engineOgms_.get();
    OpenConsole();
    for (const char* name : {"Main", "Sales"}) {
      std::ofstream(Ogm(name, ".ini")) << "[ivr]\npress1=go\npress1go=Sales\n";
      std::ofstream(Ogm(name, ".txt")) << name << " text";
    }
  }

  std::string Ogm(const std::string& name, const char* ext) const { return folders_->Ogms() + "/" + name + ext; }

  std::unique_ptr<LogFile> log_;
  std::unique_ptr<EngineOgms> engineOgms_;
};

TEST_F(ConsoleOgmListTest, RefusedNamesAndTakenNamesChangeNothing) {
  const struct { const char* path; const char* body; int status; } refused[] = {
      {"/api/ogmlist/new", R"({"name": "../Main"})", 400},
      {"/api/ogmlist/new", R"({"name": "a/b"})", 400},
      {"/api/ogmlist/new", R"({"name": ""})", 400},
      {"/api/ogmlist/new", R"({"name": "main"})", 409},
      {"/api/ogmlist/new", R"({"name": " main "})", 409},
      {"/api/ogmlist/rename", R"({"from": "Main", "to": "%2e%2e"})", 400},
      {"/api/ogmlist/rename", R"({"from": "Main", "to": "SALES"})", 409},
      {"/api/ogmlist/rename", R"({"from": "Nobody", "to": "Other"})", 404},
      {"/api/ogmlist/delete", R"({"names": ["Main", "x\\..\\y"]})", 400},
      {"/api/ogmlist/order", R"({"order": 2})", 400},
  };
  for (const auto& row : refused) EXPECT_EQ(Post(row.path, row.body)->status, row.status) << row.path << " " << row.body;
  EXPECT_EQ(FileText(Ogm("Main", ".txt")) + "," + FileText(Ogm("Sales", ".txt")), "Main text,Sales text");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folders_->Ogms()), {}), 4);
  EXPECT_FALSE(ProfileReadBool(folders_->SettingsFile(), "settings", "ivrmodified", false));
  auto audio = client_->Get("/api/ogm/audio?name=..%252fMain", {{"Cookie", session_.cookie}});
  EXPECT_EQ(audio ? audio->status : 0, 400);
}

// Only actions and settings in use count; the answering OGM's unset key
// means the default OGM.
TEST_F(ConsoleOgmListTest, ARenameListsWhatStillNamesTheOldNameAndMovesItOnRequest) {
  std::ofstream(Ogm("Main", ".ini"), std::ios::app)
      << "press2=hangup\npress2go=Sales\npress3=transfer\npress3transferfail=go\npress3transferfailgo=SALES\n"
         "[datetime]\nenabled=true\nfailogm=Sales\n[cid]\nogm=Sales\n";
  const std::string settings = folders_->SettingsFile();
  std::ofstream(settings) << "[autohours]\nenabled=true\nduringmode=1\nduringogm=Sales\naftermode=0\nafterogm=Sales\n"
                             "[line2]\nogmoverride=true\nogm=sales\n[line3]\nogm=Sales\n";
  const auto renamed = nlohmann::json::parse(Post("/api/ogmlist/rename", R"({"from": "Sales", "to": "Team"})")->body);
  EXPECT_EQ(renamed["references"], nlohmann::json({"Office hours, during them", "Line 3", "Main: key 1",
                                                   "Main: key 3 when the transfer fails",
                                                   "Main: date and time check", "Team: key 1"}));
  EXPECT_EQ(nlohmann::json::parse(Post("/api/ogmlist/retarget", R"({"from": "Sales", "to": "Team"})")->body)["moved"], 6);
  EXPECT_EQ(std::tuple(ProfileReadString(Ogm("Main", ".ini"), "ivr", "press1go", ""),
                       ProfileReadString(Ogm("Main", ".ini"), "ivr", "press2go", ""),
                       ProfileReadString(settings, "line2", "ogm", ""), ProfileReadString(settings, "line3", "ogm", "")),
            std::tuple("Team", "Sales", "Team", "Sales"));
  const auto asked = client_->Get("/api/ogmlist/references?name=team", {{"Cookie", session_.cookie}});
  EXPECT_EQ(nlohmann::json::parse(asked->body)["references"].size(), 6u);  // asked before a delete
  EXPECT_EQ(client_->Get("/api/ogmlist/references?name=..%2fx", {{"Cookie", session_.cookie}})->status, 400);
  for (const char* body : {R"({"from": "Main", "to": "Start"})", R"({"from": "Team", "to": "TEAM"})"})
    EXPECT_EQ(nlohmann::json::parse(Post("/api/ogmlist/rename", body)->body)["references"], nlohmann::json::array());
  std::ofstream(Ogm("Default Answering Message", ".ini")) << "[ivr]\n";
  const auto welcome = Post("/api/ogmlist/rename", R"({"from": "Default Answering Message", "to": "Welcome"})");
  EXPECT_EQ(nlohmann::json::parse(welcome->body)["references"],
            nlohmann::json({"The answering OGM", "Outbound calls a person answers", "Outbound calls a machine answers"}));
}

}  // namespace
