// The audio widget's routes for OGM audio, mailbox greetings and system
// prompts: refused requests leave every file as it was; imports land in
// the line format on the stored name and are queued for levelling; a
// greeting falls back to the LeaveMessage prompt; restores delete the
// greeting or copy the prompt's factory file; the owner's sounds are listed
// for the OGM editor.
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "ConsoleServerFixture.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "audio/TtsVoices.h"
#include "audio/WaveFileIo.h"
#include "audio/WaveTestFiles.h"
#include "core/FileIo.h"

namespace {

using console_test::OpenedConsoleTest;
namespace fs = std::filesystem;

// A WAVE file of 16-bit PCM with a ramp in it.
std::string Wave(uint32_t rate, int channels, int frames) {
  const std::vector<uint8_t> head = WaveHeader(LWaveFileFormat::Pcm(rate, channels, 16), frames * channels * 2);
  std::vector<int16_t> ramp;
  for (int i = 0; i < frames * channels; ++i) ramp.push_back(static_cast<int16_t>((i % 200) * 100 - 10000));
  return std::string(head.begin(), head.end()) + wave_test::Samples16(ramp);
}

std::string Read(const std::string& path) { return ReadFileText(path, 1 << 22).value_or("(missing)"); }

class AudioTargetTest : public OpenedConsoleTest {
 protected:
  void SetUp() override {
    OpenedConsoleTest::SetUp();
    ProfileWriteString(folders_->MailBoxes() + "/Sales.mbx", "mbx", "name", "Sales");
    ProfileWriteString(folders_->Ogms() + "/Main.ini", "ivr", "wait", "5");
    wave_test::WriteBytes(Prompt("Goodbye"), Wave(8000, 1, 400));
    wave_test::WriteBytes(Prompt("LeaveMessage"), Wave(8000, 1, 300));
    wave_test::WriteBytes(folders_->DefaultSystemPrompts() + "/GOODBYE.wav", Wave(8000, 1, 900));
  }

  std::string Prompt(const std::string& name) const { return folders_->SystemPrompts() + "/" + name + ".wav"; }
  std::string Greeting() const { return folders_->MailBoxes() + "/Sales OGM.wav"; }

  httplib::Result Upload(const std::string& path, const std::string& body) {
    return Post(path, body, "application/octet-stream");
  }

  // Every file of the data folder (but the settings, which the console
  // touches on its own) and its bytes.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folders_->Root()))
      if (entry.is_regular_file() && entry.path() != folders_->SettingsFile())
        files[entry.path().string()] = Read(entry.path().string());
    return files;
  }
};

TEST_F(AudioTargetTest, ARefusedRequestChangesNothing) {
  const struct { const char* path; std::string body; int status; } rows[] = {
      {"/api/prompt/audio?name=..%2fsettings", Wave(8000, 1, 100), 400},
      {"/api/prompt/audio?name=", Wave(8000, 1, 100), 400},
      {"/api/prompt/audio?name=Hello", Wave(8000, 1, 100), 404},
      {"/api/prompt/audio?name=Goodbye", "RIFF but no audio at all", 422},
      {"/api/prompt/audio?name=Goodbye.wav", Wave(8000, 1, 100), 404},
      {"/api/mailbox/greeting?name=Nobody", Wave(8000, 1, 100), 404},
      {"/api/mailbox/greeting?name=a%2fb", Wave(8000, 1, 100), 400},
      {"/api/mailbox/greeting?name=Sales", "ID3 not really an MP3", 422},
      {"/api/ogm/audio?name=Unsaved", Wave(8000, 1, 100), 409},
      {"/api/prompt/restore?name=LeaveMessage", "{}", 404},
      {"/api/mailbox/greeting/restore?name=Nobody", "{}", 404},
      {"/api/prompt/audio/synthesize?name=Goodbye", R"({"text":"Hello."})", 400},
      {"/api/prompt/audio/synthesize?name=Goodbye", R"({"text":"Hello.","voice":-1})", 400},
      {"/api/mailbox/greeting/synthesize?name=Nobody", R"({"text":"Hello.","voice":0})", 404},
      {"/api/sound/audio?name=..%2fsettings", Wave(8000, 1, 100), 400},
      {"/api/sound/audio?name=Price", "RIFF but no audio at all", 422},
      {"/api/sound/delete?name=Price", "{}", 404},
  };
  const auto before = Files();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    auto reply = Post(row.path, row.body, "application/octet-stream");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, row.status) << reply->body;
    EXPECT_NE(reply->body.find("\"error\""), std::string::npos) << reply->body;
  }
  EXPECT_EQ(Files(), before);
  EXPECT_TRUE(Levelled().empty());
}

TEST_F(AudioTargetTest, AnImportReplacesTheStoredFileInTheLineFormatAndQueuesItForLevelling) {
  const struct { const char* path; std::string stored; } rows[] = {
      {"/api/prompt/audio?name=goodBYE", Prompt("Goodbye")},
      {"/api/mailbox/greeting?name=sales", Greeting()},
      {"/api/ogm/audio?name=main", folders_->Ogms() + "/Main.wav"},
      {"/api/sound/audio?name=Price%20list", folders_->Sounds() + "/Price list.wav"},  // a new sound
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    const size_t files = Files().size();
    auto reply = Upload(row.path, Wave(16000, 2, 3200));
    ASSERT_EQ(reply->status, 200) << reply->body;
    LWaveFileFormat format;
    ASSERT_TRUE(LWaveFile::ReadFormat(row.stored, format));
    EXPECT_EQ(format.SamplesPerSec(), 8000u);
    EXPECT_EQ(format.Channels(), 1);
    EXPECT_NEAR(LWaveFile::OpenSource(row.stored)->GetEndSample(), 1600, 2) << "0.2 s";
    ASSERT_FALSE(Levelled().empty());
    EXPECT_EQ(Levelled().back(), row.stored);
    EXPECT_LE(Files().size(), files + 1) << "no second spelling of the file";
  }
  EXPECT_EQ(Levelled().size(), 4u);
  EXPECT_EQ(ProgressTitles(), std::set<std::string>{"Process Audio File"});
}

TEST_F(AudioTargetTest, AGreetingPlaysTheLeaveMessagePromptUntilItHasOneAndRestoreDeletesIt) {
  const auto greeting = [&] { return client_->Get("/api/mailbox/greeting/state?name=Sales")->body; };
  const auto played = [&] { return client_->Get("/api/mailbox/greeting?name=Sales")->body; };
  EXPECT_EQ(greeting(), R"({"greeting":false})");
  EXPECT_EQ(played(), Read(Prompt("LeaveMessage")));

  ASSERT_EQ(Upload("/api/mailbox/greeting?name=Sales", Wave(8000, 1, 500))->status, 200);
  EXPECT_EQ(greeting(), R"({"greeting":true})");
  EXPECT_EQ(played(), Read(Greeting()));

  auto restored = Post("/api/mailbox/greeting/restore?name=Sales", "{}");
  ASSERT_EQ(restored->status, 200) << restored->body;
  EXPECT_FALSE(fs::exists(Greeting()));
  EXPECT_EQ(played(), Read(Prompt("LeaveMessage")));

  fs::remove(Prompt("LeaveMessage"));
  EXPECT_EQ(client_->Get("/api/mailbox/greeting?name=Sales")->status, 404);
}

TEST_F(AudioTargetTest, RestoringAPromptCopiesItsFactoryFileFoundInAnyCase) {
  // An import still waiting for levelling must not level the factory audio.
  ASSERT_EQ(Upload("/api/prompt/audio?name=Goodbye", Wave(8000, 1, 800))->status, 200);
  ASSERT_EQ(Levelled(), std::vector<std::string>{Prompt("Goodbye")});
  auto reply = Post("/api/prompt/restore?name=GoodBye", "{}");
  ASSERT_EQ(reply->status, 200) << reply->body;
  EXPECT_EQ(Read(Prompt("Goodbye")), Read(folders_->DefaultSystemPrompts() + "/GOODBYE.wav"));
  EXPECT_FALSE(fs::exists(Prompt("GoodBye")));
  EXPECT_TRUE(Levelled().empty()) << "a factory recording is levelled already";
}

TEST_F(AudioTargetTest, ThePromptListHoldsTheWaveFilesByTitleWithTheirFactoryCopies) {
  wave_test::WriteBytes(Prompt("apple").substr(0, Prompt("apple").size() - 4) + ".WAV", Wave(8000, 1, 10));
  wave_test::WriteBytes(folders_->SystemPrompts() + "/notes.txt", "not a prompt");
  fs::create_directory(folders_->SystemPrompts() + "/folder.wav");
  EXPECT_EQ(client_->Get("/api/prompts")->body,
            R"({"prompts":[{"factory":false,"name":"apple"},{"factory":true,"name":"Goodbye"},)"
            R"({"factory":false,"name":"LeaveMessage"}]})");
}

TEST_F(AudioTargetTest, ASoundIsListedWithItsPathTheOgmEditorOffersAndCanBeDeleted) {
  ASSERT_EQ(Upload("/api/sound/audio?name=Price%20list", Wave(8000, 1, 800))->status, 200);
  const std::string path = folders_->Sounds() + "/Price list.wav";
  EXPECT_EQ(nlohmann::json::parse(client_->Get("/api/sounds")->body),
            nlohmann::json::parse(R"({"sounds":[{"name":"Price list","path":")" + path + R"("}]})"));
  const auto offered = nlohmann::json::parse(client_->Get("/api/ogm/edit?name=Main")->body)["choices"]["sounds"];
  EXPECT_EQ(offered, nlohmann::json::array({path}));
  ASSERT_EQ(Post("/api/sound/delete?name=price%20LIST", "{}")->status, 200);
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(AudioTargetTest, SpokenTextBecomesThePromptAndItsVoiceIsPreferredFromThenOn) {
  if (TTSGetNumSpeakers() == 0) GTEST_SKIP() << "no voice installed";
  const int voice = TTSGetNumSpeakers() - 1;
  const std::string body = nlohmann::json{{"text", "Goodbye."}, {"voice", voice}}.dump();
  EXPECT_EQ(Post("/api/prompt/audio/synthesize?name=Goodbye", R"({"text":" \n","voice":0})")->status, 400);
  auto reply = Post("/api/prompt/audio/synthesize?name=Goodbye", body);
  ASSERT_EQ(reply->status, 200) << reply->body;
  LWaveFileFormat format;
  ASSERT_TRUE(LWaveFile::ReadFormat(Prompt("Goodbye"), format));
  EXPECT_EQ(format.SamplesPerSec(), 8000u);
  EXPECT_GT(Read(Prompt("Goodbye")).size(), 44u + 1600) << "at least a tenth of a second spoken";
  EXPECT_EQ(Levelled(), std::vector<std::string>{Prompt("Goodbye")});
  EXPECT_EQ(nlohmann::json::parse(client_->Get("/api/voices")->body)["preferred"], voice);
}

}  // namespace
