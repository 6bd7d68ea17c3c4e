// The OGM editor's save through HTTP: every refused value names its field
// and leaves the files as they were; an accepted one replaces the keys sent,
// keeps the rest and marks the program modified.
#include <nlohmann/json.hpp>

#include "ConsoleServerFixture.h"
#include "core/FileIo.h"

namespace {

using console_test::OpenedConsoleTest;
using nlohmann::json;

class OgmEditTest : public OpenedConsoleTest {
 protected:
  void SetUp() override {
    OpenedConsoleTest::SetUp();
    ProfileWriteString(Ini("Sales"), "ivr", "wait", "6");
    ProfileWriteString(folders_->MailBoxes() + "/Default.mbx", "mbx", "name", "Default");
  }

  std::string Ini(const std::string& name) const { return folders_->Ogms() + "/" + name + ".ini"; }
  httplib::Result Save(const std::string& name, const json& values, const json& text = nullptr) {
    json body = {{"name", name}, {"values", values}};
    if (!text.is_null()) body["text"] = text;
    return Post("/api/ogm/edit", body.dump());
  }

};

TEST_F(OgmEditTest, ABadValueIsRefusedNamingItsFieldAndNothingChanges) {
  ProfileWriteString(Ini("Main"), "ivr", "custom", "kept");
  const std::string before = ReadFileText(Ini("Main"), 1 << 16).value_or("");
  const struct { const char* values; const char* field; } rows[] = {  // values: JSON
      {R"({"ivr": {"wait": -1}})", "ivr.wait"},
      {R"({"ivr": {"wait": "6"}})", "ivr.wait"},
      {R"({"ivr": {"answer": "true"}})", "ivr.answer"},
      {R"({"ivr": {"type": "list"}})", "ivr.type"},
      {R"({"ivr": {"maxdigits": 32}})", "ivr.maxdigits"},
      {R"({"ivr": {"press1": "fly"}})", "ivr.press1"},
      {R"({"ivr": {"playcomplete": "play"}})", "ivr.playcomplete"},
      {R"({"ivr": {"press1": "go", "press1go": "Nowhere"}})", "ivr.press1go"},
      {R"({"ivr": {"press1": "go", "press1go": ""}})", "ivr.press1go"},
      {R"({"ivr": {"press2": "mailbox", "press2mbx": "Lost"}})", "ivr.press2mbx"},
      {R"({"ivr": {"press2": "mailbox", "press2mbx": "../Default"}})", "ivr.press2mbx"},
      {R"({"ivr": {"press3": "transfer", "press3transferfail": "go", "press3transferfailgo": "X"}})",
       "ivr.press3transferfailgo"},
      {R"({"ivr": {"press4": "record", "press4maxtime": 0}})", "ivr.press4maxtime"},
      {R"({"ivr": {"logname": "../../etc/passwd"}})", "ivr.logname"},
      {R"({"ivr": {"logline": "two\nlines"}})", "ivr.logline"},
      {R"({"ivr": {"varlimit": true, "varlimitmin": 10, "varlimitmax": 5}})", "ivr.varlimitmax"},
      {R"({"ivr": {"runcount": 65}})", "ivr.runcount"},
      {R"({"ivr": {"run65": "x"}})", "ivr.run65"},
      {R"({"ivr": {"unknown": "x"}})", "ivr.unknown"},
      {R"({"datetime": {"todend": "24:00:01"}})", "datetime.todend"},
      {R"({"datetime": {"commence": "2026-02-30T10:00"}})", "datetime.commence"},
      {R"({"datetime": {"expire": "2099-01-01T00:00"}})", "datetime.expire"},
      {R"({"datetime": {"weekdays": 128}})", "datetime.weekdays"},
      {R"({"datetime": {"enabled": true, "failmode": 1, "failogm": "Gone"}})", "datetime.failogm"},
      {R"({"cid": {"enabled": true, "mode": 1, "ogm": ""}})", "cid.ogm"},
      {R"({"cid": {"cidscanmode": 4}})", "cid.cidscanmode"},
  };
  for (const auto& row : rows)
    ExpectRefused("/api/ogm/edit", json{{"name", "Main"}, {"values", json::parse(row.values)}}.dump(), row.field);
  EXPECT_EQ(ReadFileText(Ini("Main"), 1 << 16).value_or(""), before);
  EXPECT_FALSE(ProfileReadBool(folders_->SettingsFile(), "settings", "ivrmodified", false));
}

TEST_F(OgmEditTest, ASaveWritesTheKeysSentKeepsTheRestAndMarksTheProgramModified) {
  ProfileWriteString(Ini("Main"), "ivr", "custom", "kept");
  ProfileWriteString(Ini("Main"), "ivr", "runcount", "3");
  ProfileWriteString(Ini("Main"), "ivr", "run3", "old program");
  const json values = {
      {"ivr",
       {{"playtts", true}, {"press1", "go"}, {"press1go", "sales"}, {"press2", "mailbox"}, {"press2mbx", "Default"},
        {"press3", "dial"}, {"press3dial", "%number%"}, {"press4", "record"}, {"press4maxtime", 90500},
        {"runcount", 1}, {"run1", "report.sh %cid%"}}},
      {"datetime", {{"todstart", "22:00"}, {"todend", "24:00:00"}, {"commence", "2026-12-24T18:30"}}},
  };
  auto reply = Save("Main", values, "Welcome to the shop.");
  ASSERT_EQ(reply->status, 200) << reply->body;

  const auto read = [&](const char* section, const char* key) { return ProfileReadString(Ini("Main"), section, key, "-"); };
  const std::pair<const char*, const char*> expected[] = {
      {"playtts", "true"},  {"press1go", "sales"}, {"press2mbx", "Default"}, {"press3dial", "%number%"},
      {"press4maxtime", "0:01:30.500"}, {"runcount", "1"}, {"run1", "report.sh %cid%"}, {"run3", "-"},
      {"custom", "kept"},
  };
  for (const auto& [key, value] : expected) EXPECT_EQ(read("ivr", key), value) << key;
  EXPECT_EQ(read("datetime", "todstart"), "22:00:00");
  EXPECT_EQ(read("datetime", "todend"), "24:00:00");
  EXPECT_EQ(read("datetime", "commence"), "24/12/26-18:30:00");
  EXPECT_EQ(ReadFileText(folders_->Ogms() + "/Main.txt", 100).value_or(""), "Welcome to the shop.");
  EXPECT_TRUE(ProfileReadBool(folders_->SettingsFile(), "settings", "ivrmodified", false));
}

TEST_F(OgmEditTest, ANewOgmReadsAsItsDefaultsAndReadsBackWhatWasSaved) {
  auto fresh = client_->Get("/api/ogm/edit?name=Night");
  ASSERT_EQ(fresh->status, 200);
  const json before = json::parse(fresh->body);
  EXPECT_FALSE(before["exists"].get<bool>());
  EXPECT_EQ(before["values"]["ivr"]["wait"], 6);
  EXPECT_EQ(before["values"]["ivr"]["playexfile"], "Night.wav");
  EXPECT_EQ(before["values"]["ivr"]["press1transferfail"], "noresponse");
  EXPECT_EQ(before["values"]["datetime"]["todend"], "24:00:00");

  // What the editor read is what it may send back unchanged.
  ASSERT_EQ(Save("Night", before["values"])->status, 200);
  const json after = json::parse(client_->Get("/api/ogm/edit?name=night")->body);
  EXPECT_TRUE(after["exists"].get<bool>());
  EXPECT_EQ(after["name"], "Night");
  EXPECT_EQ(after["values"], before["values"]);
  auto climbing = client_->Get("/api/ogm/edit?name=..%2Fx");
  ASSERT_TRUE(climbing) << httplib::to_string(climbing.error());
  EXPECT_EQ(climbing->status, 400);
}

}  // namespace
