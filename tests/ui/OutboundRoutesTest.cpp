// The outbound number list over HTTP: an edit touches its own entry only,
// also when the scheduler took the head or appended a retry meanwhile, and
// every refusal names its field.
#include <filesystem>
#include <nlohmann/json.hpp>

#include "ConsoleServerFixture.h"
#include "core/MainMessages.h"
#include "telephony/OutboundList.h"

namespace {

using console_test::OpenedConsoleTest;
using nlohmann::json;

class OutboundRoutesTest : public OpenedConsoleTest {
 protected:
  void SetUp() override {
    OpenedConsoleTest::SetUp();
    ProfileWriteString(folders_->Ogms() + "/Sales Menu.ini", "ivr", "wait", "5");
    WriteList("555 0101&name=Ann;\r\n555 0102;\r\n555 0103");
  }
  std::string ListPath() const { return folders_->Root() + "/outboundlist.txt"; }
  void WriteList(const std::string& text) const { ASSERT_TRUE(ReplaceFileText(ListPath(), text)); }
  OutboundList List() const { return OutboundList(folders_->Root(), folders_->SettingsFile()); }

};

TEST_F(OutboundRoutesTest, EditsTouchTheirOwnEntryAndWakeTheScheduler) {
  auto edited = PostJson("/api/outbound/edit", {{"was", "5550102"}, {"number", "555 0109"},
                                            {"params", {{"attempts", "3"}, {"ogm", "Sales Menu"}, {"interval", ""}}}});
  ASSERT_EQ(edited->status, 200) << edited->body;
  EXPECT_EQ(FileText(ListPath()), "555 0101&name=Ann;\r\n5550109&attempts=3&ogm=Sales%20Menu;\r\n555 0103");
  ASSERT_EQ(PostJson("/api/outbound/remove", {{"was", "5550103"}})->status, 200);
  ASSERT_EQ(PostJson("/api/outbound/add", {{"number", "100"}})->status, 200);
  EXPECT_EQ(FileText(ListPath()), "555 0101&name=Ann;\r\n5550109&attempts=3&ogm=Sales%20Menu;100");
  EXPECT_EQ(Sent().size(), 3u);
  EXPECT_EQ(Sent().back().id, WM_RUNSCHEDULER);

  const json listed = json::parse(client_->Get("/api/outbound")->body);
  EXPECT_EQ(listed["entries"][1]["params"]["ogm"], "Sales Menu");
  EXPECT_EQ(listed["entries"][0]["number"], "5550101");
}

// A plain number has somewhere to go only through a line that places calls
// on a device with a registrar or a domain.
TEST_F(OutboundRoutesTest, TellsWhetherAPlainNumberCanGoAnywhere) {
  const std::string settings = folders_->SettingsFile();
  const auto bare = [this] { return json::parse(client_->Get("/api/outbound")->body)["bareNumbers"]; };
  ProfileWriteString(settings, "sipdevice0", "name", "Local");
  ProfileWriteString(settings, "sipdevice1", "registrar", "sip.example.com");
  ProfileWriteBool(settings, "line0", "use", true);
  EXPECT_EQ(bare(), false);
  for (const auto& [key, value] : {std::pair{"device", "1"}, std::pair{"outbound", "false"}}) {
    ProfileWriteString(settings, "line0", key, value);
    EXPECT_EQ(bare(), std::string(key) == "device") << key;
  }
}

TEST_F(OutboundRoutesTest, AnEditAfterTheSchedulerMovedOnLosesNothing) {
  // The page listed the three entries; then the scheduler took the head
  // and the call controller appended a retry of it.
  ASSERT_EQ(List().TakeHead(0).entry, "5550101&name=Ann");
  ASSERT_TRUE(List().Add("5550101&name=Ann&attempts=1&intervalnext=99"));
  ASSERT_EQ(PostJson("/api/outbound/edit", {{"was", "5550103"}, {"number", "5550104"}})->status, 200);
  auto stale = PostJson("/api/outbound/remove", {{"was", "5550101&name=Ann"}});
  EXPECT_EQ(stale->status, 409);
  EXPECT_EQ(List().Entries(), (std::vector<std::string>{"5550102", "5550104", "5550101&name=Ann&attempts=1&intervalnext=99"}));
}

// A change rewrites the whole list, so one that cannot be read whole (over
// 16 MB, or not a file) is refused rather than cut short.
TEST_F(OutboundRoutesTest, AListThatCannotBeReadWholeIsLeftAsItIs) {
  const std::string big = std::string(16 << 20, ' ') + ";5550101;5550102";
  WriteList(big);
  EXPECT_EQ(PostJson("/api/outbound/add", {{"number", "100"}})->status, 500);
  EXPECT_EQ(PostJson("/api/outbound/remove", {{"was", "5550102"}})->status, 500);
  EXPECT_EQ(PostJson("/api/outbound/save", {{"file", "calls.txt"}})->status, 500);  // not a cut copy
  EXPECT_EQ(List().TakeHead(0).kind, OutboundList::Head::Kind::kWaiting);
  EXPECT_TRUE(FileText(ListPath()) == big);
  std::filesystem::remove(ListPath());
  std::filesystem::create_directory(ListPath());
  EXPECT_FALSE(List().Append("100"));
  std::filesystem::remove(ListPath());
  EXPECT_TRUE(List().Append("100"));  // a missing list is an empty one
}

TEST_F(OutboundRoutesTest, LoadSaveAndClearTheWholeList) {
  const auto saved = [this] { return ProfileReadString(folders_->SettingsFile(), "outbound", "savedfile", "-"); };
  auto loaded = PostJson("/api/outbound/load", {{"file", "Evening.txt"}, {"text", "100;\n200&attempts=2"}});
  ASSERT_EQ(loaded->status, 200) << loaded->body;
  EXPECT_EQ(json::parse(loaded->body)["entries"].size(), 2u);
  EXPECT_EQ(json::parse(loaded->body)["savedfile"], "Evening.txt");
  EXPECT_EQ(Sent().back().id, WM_RUNSCHEDULER);

  auto download = PostJson("/api/outbound/save", {{"file", "Copy.txt"}});
  ASSERT_EQ(download->status, 200);
  EXPECT_EQ(json::parse(download->body)["text"], "100;\n200&attempts=2");
  EXPECT_EQ(saved(), "Copy.txt");

  ASSERT_EQ(PostJson("/api/outbound/load", {{"text", " \r\n"}})->status, 200);
  EXPECT_FALSE(std::filesystem::exists(ListPath()));
  EXPECT_EQ(saved(), "Copy.txt");
  EXPECT_EQ(PostJson("/api/outbound/load", {{"file", "x.txt"}})->status, 400);
}

TEST_F(OutboundRoutesTest, RefusalsNameTheirField) {
  const json good = {{"active", true}, {"ogmanswer", "Sales Menu"}, {"ogmmachine", "Sales Menu"}, {"nattempts", 2},
                     {"interval", 30}, {"timestart", "22:00"}, {"timeend", "06:00:00"},
                     {"silencetime", 2}, {"timeout", 25}};
  const auto with = [&good](const json& patch) {
    json settings = good;
    settings.merge_patch(patch);
    return settings;
  };
  struct Row { const char* path; json body; const char* field; };
  const Row rows[] = {
      {"/api/outbound/add", {{"number", "555;0101"}}, "number"},
      {"/api/outbound/add", {{"number", " "}}, "number"},
      {"/api/outbound/add", {{"number", "1"}, {"params", {{"attempts", "x"}}}}, "attempts"},
      {"/api/outbound/add", {{"number", "1"}, {"params", {{"attempts", "0"}}}}, "attempts"},
      {"/api/outbound/add", {{"number", "1"}, {"params", {{"ogm", "Missing"}}}}, "ogm"},
      {"/api/outbound/add", {{"number", "1"}, {"params", {{"ogmanswer", "../Sales Menu"}}}}, "ogmanswer"},
      {"/api/outbound/add", {{"number", "1"}, {"params", {{"bad key", "1"}}}}, "params"},
      {"/api/outbound/add", {{"number", "1"}, {"params", {{"note", std::string(300, 'n')}}}}, "params"},
      {"/api/outbound/settings", with({{"timestart", "25:00"}}), "timestart"},
      {"/api/outbound/settings", with({{"nattempts", 0}}), "nattempts"},
      {"/api/outbound/settings", with({{"timeout", -1}}), "timeout"},
      {"/api/outbound/settings", with({{"ogmmachine", "Missing"}}), "ogmmachine"},
      {"/api/outbound/load", {{"file", "../lists/a.txt"}, {"text", "1"}}, "file"},
      {"/api/outbound/load", {{"file", ""}, {"text", "1"}}, "file"},
      {"/api/outbound/save", {{"file", std::string(260, 'n')}}, "file"},
  };
  const std::string before = FileText(ListPath());
  for (const Row& row : rows) ExpectRefused(row.path, row.body.dump(), row.field);
  EXPECT_EQ(FileText(ListPath()), before);
  ASSERT_EQ(PostJson("/api/outbound/settings", good)->status, 200);
  EXPECT_EQ(ProfileReadString(folders_->SettingsFile(), "outbound", "timestart", "") + "|" +
                ProfileReadString(folders_->SettingsFile(), "outbound", "active", "") + "|" +
                ProfileReadString(folders_->SettingsFile(), "outbound", "silencetime", ""),
            "22:00:00|true|0:00:02.250");
}

}  // namespace
