// The OGM list over HTTP: refused names change nothing, and a rename onto
// an existing OGM keeps both.
#include <filesystem>
#include <fstream>

#include "callengine/EngineOgms.h"
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

}  // namespace
