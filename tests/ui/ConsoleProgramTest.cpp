// The OGM choice and the IVR program through HTTP: a program saved, fetched
// and sent back reaches the engine as a file in the data folder; names that
// climb out are refused; notes, their size limit and their showing once
// after a load.
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "ConsoleServerFixture.h"
#include "core/MainMessages.h"

namespace {

using console_test::kSecret;

std::string TextBody(const std::string& text) { return nlohmann::json{{"text", text}}.dump(); }

using ConsoleProgramTest = console_test::OpenedConsoleTest;

TEST_F(ConsoleProgramTest, ASavedProgramDownloadsAndLoadsBackThroughTheEngine) {
  ProfileWriteString(folders_->Ogms() + "/Main.ini", "ivr", "wait", "5");
  // Bigger than an ordinary request may be: the upload has a limit of its own.
  ProfileWriteString(folders_->Ogms() + "/Main.txt", "x", "pad", std::string(100000, 'p'));
  ProfileWriteBool(folders_->SettingsFile(), "settings", "ivrmodified", true);

  auto saved = Post("/api/ivr/save", R"({"name":"Shop Menu.ivr","notes":false})");
  ASSERT_EQ(saved->status, 200) << saved->body;
  EXPECT_EQ(saved->body, R"({"download":"/api/ivr/download?name=Shop%20Menu.ivr"})");
  const std::string stored = folders_->Root() + "/IVR Programs/Shop Menu.ivr";
  EXPECT_EQ(ProfileReadString(folders_->SettingsFile(), "settings", "ivrfile", ""), stored);
  EXPECT_EQ(ProfileReadString(folders_->Root() + "/save.dat", "save", "filename", ""), stored);
  EXPECT_EQ(client_->Get("/api/ivr")->body, R"({"file":"Shop Menu.ivr","modified":false,"notes":false,"showNotes":false})");

  auto file = client_->Get("/api/ivr/download?name=Shop%20Menu.ivr");
  ASSERT_EQ(file->status, 200);
  // (httplib's client decodes the "%20" of the exact name.)
  EXPECT_EQ(file->get_header_value("Content-Disposition").rfind("attachment; filename=\"Shop Menu.ivr\"; ", 0), 0u);
  ASSERT_GT(file->body.size(), 100000u);
  EXPECT_EQ(file->body, FileText(stored));

  // A file that would not load is neither kept nor handed to the engine.
  auto broken = Post("/api/ivr/load?name=Copy.ivr", file->body.substr(0, 1000), "application/octet-stream");
  ASSERT_EQ(broken->status, 400);
  EXPECT_NE(broken->body.find("nothing changed: File checksum error"), std::string::npos) << broken->body;
  EXPECT_TRUE(Sent().empty());
  EXPECT_FALSE(std::filesystem::exists(folders_->Root() + "/IVR Programs/Copy.ivr"));

  auto loading = Post("/api/ivr/load?name=Copy.ivr", file->body, "application/octet-stream");
  ASSERT_EQ(loading->status, 200) << loading->body;
  EXPECT_EQ(loading->body, R"({"loading":true})");
  const std::vector<LMessage> sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].id, static_cast<uint32_t>(WM_CONSOLELOADIVRFILE));
  EXPECT_EQ(sent[0].text, folders_->Root() + "/IVR Programs/Copy.ivr");
  EXPECT_EQ(FileText(sent[0].text), file->body);
  EXPECT_EQ(std::filesystem::status(folders_->Root() + "/IVR Programs").permissions(),
            std::filesystem::perms::owner_all);
}

// The save box opens with everything ticked, as the command line saves,
// and knows which mailboxes the actions in use leave messages in.
TEST_F(ConsoleProgramTest, TheSaveBoxStartsWithEverythingAndTheMailboxesTheOgmsLeadTo) {
  for (const char* mailbox : {"Default", "Sales"})
    ProfileWriteString(folders_->MailBoxes() + "/" + mailbox + ".mbx", "mbx", "autoplay", "false");
  std::ofstream(folders_->Ogms() + "/Main.ini")
      << "[ivr]\npress1=mailbox\npress1mbx=sales\npress2=go\npress2mbx=Default\n"
         "press3=transfer\npress3transferfail=mailbox\npress3transferfailmbx=Default\npress4=mailbox\npress4mbx=Gone\n";
  std::ofstream(folders_->Ogms() + "/Caller.ini") << "[ivr]\nplaycomplete=mailbox\nplaycompletembx=%mailbox%\n";
  const auto options = nlohmann::json::parse(client_->Get("/api/ivr/save-options")->body);
  const nlohmann::json& choices = options["choices"];
  EXPECT_EQ(choices["mailboxes"], nlohmann::json({"Default", "Sales"}));
  EXPECT_EQ(choices["ogms"], nlohmann::json({"Caller", "Main"}));
  EXPECT_TRUE(choices["mailboxGreetings"] && choices["ogmDelete"] && !choices["mailboxDelete"]) << choices;
  EXPECT_EQ(options["leadsTo"], nlohmann::json({{"Main", {"Sales", "Default"}}}));
}

TEST_F(ConsoleProgramTest, NamesThatLeaveTheProgramFolderAreRefused) {
  ProfileWriteString(folders_->Ogms() + "/Main.ini", "ivr", "wait", "5");
  std::filesystem::create_directory(folders_->Root() + "/IVR Programs");
  ProfileWriteString(folders_->Root() + "/secret.ivr", "sip", "password", kSecret);
  const std::string body = "\xDC\xFE\0\0\xFF";
  struct Row { const char* method; std::string path; std::string body; };
  const Row rows[] = {
      {"load", "/api/ivr/load?name=..%2Fsecret.ivr", body},
      {"load", "/api/ivr/load?name=%252e%252e%252fsecret.ivr", body},
      {"load", "/api/ivr/load?name=..", body},
      {"load", "/api/ivr/load?name=settings.ini", body},
      {"load", "/api/ivr/load", body},
      {"get", "/api/ivr/download?name=..%2Fsecret.ivr", ""},
      {"get", "/api/ivr/download?name=%2e%2e%5csecret.ivr", ""},
      {"get", "/api/ivr/download?name=.ivr", ""},
      {"save", "/api/ivr/save", R"({"name":"../out.ivr"})"},
      {"save", "/api/ivr/save", R"({"name":"out.ivr","ogms":["../settings"]})"},
      {"save", "/api/ivr/save", R"({"name":"out.ivr","settings":[{"section":"a]","key":"k","value":"v"}]})"},
  };
  for (const Row& row : rows) {
    auto reply = std::string(row.method) == "get" ? client_->Get(row.path.c_str(), headers_)
                                                  : Post(row.path, row.body, "application/octet-stream");
    ASSERT_TRUE(reply) << row.path;
    EXPECT_EQ(reply->status, 400) << row.path << " " << row.body << ": " << reply->body;
    EXPECT_EQ(reply->body.find(kSecret), std::string::npos) << row.path;
  }
  EXPECT_TRUE(Sent().empty());
  EXPECT_FALSE(std::filesystem::exists(folders_->Root() + "/out.ivr"));
  EXPECT_TRUE(std::filesystem::is_empty(folders_->Root() + "/IVR Programs"));
  EXPECT_EQ(client_->Get("/api/ivr/download?name=none.ivr", headers_)->status, 404);
}

TEST_F(ConsoleProgramTest, NotesAreKeptAndShownOnceAfterALoad) {
  const std::string text = "Call Bob first.\n\"Quoted\", caf\xC3\xA9";
  auto written = Post("/api/ivr/notes", TextBody(text));
  ASSERT_EQ(written->status, 200) << written->body;
  EXPECT_EQ(FileText(folders_->Root() + "/notes.txt"), text);
  EXPECT_EQ(client_->Get("/api/ivr/notes")->body, TextBody(text));
  // The notes' body may be longer than other requests', up to what a program file carries.
  EXPECT_EQ(Post("/api/ogms/select", TextBody(std::string(65535, 'n')))->status, 413);
  EXPECT_EQ(Post("/api/ivr/notes", TextBody(std::string(65535, 'n')))->status, 200);
  EXPECT_EQ(Post("/api/ivr/notes", TextBody(std::string(65536, 'n')))->status, 413);
  EXPECT_EQ(FileText(folders_->Root() + "/notes.txt").size(), 65535u);

  // What the engine leaves when a load asked for its notes.
  ProfileWriteBool(folders_->SettingsFile(), "settings", "notespopup", true);
  EXPECT_NE(client_->Get("/api/ivr")->body.find("\"notes\":true,\"showNotes\":true"), std::string::npos);
  auto shown = Post("/api/ivr/notes-shown", "");
  ASSERT_EQ(shown->status, 200) << shown->body;
  EXPECT_NE(shown->body.find("\"showNotes\":false"), std::string::npos) << shown->body;
}

TEST_F(ConsoleProgramTest, OgmChoiceAndNewProgramGoThroughTheEngine) {
  for (const char* ogm : {"Sales.ini", "Main.ini", "Main.wav"}) ProfileWriteString(folders_->Ogms() + "/" + ogm, "ivr", "wait", "5");
  EXPECT_EQ(client_->Get("/api/ogms")->body, R"({"ogms":["Main","Sales"],"selected":"Default Answering Message"})");
  EXPECT_EQ(Post("/api/ogms/select", R"({"name":"Nowhere"})")->status, 404);
  EXPECT_EQ(Post("/api/ogms/select", R"({"name":"../Main"})")->status, 400);
  auto selected = Post("/api/ogms/select", R"({"name":"main"})");
  EXPECT_EQ(selected->body, R"({"selected":"Main"})");
  EXPECT_EQ(Post("/api/ivr/new", "")->status, 200);
  const std::vector<LMessage> sent = Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_TRUE(sent[0].id == WM_CONTROLCOMMAND && sent[0].wParam == 3 && sent[0].text == "Main");
  EXPECT_EQ(sent[1].id, static_cast<uint32_t>(WM_NEWIVRPROGRAM));
}

}  // namespace
