#include "callengine/FactoryDataSet.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "audio/LWaveFile.h"
#include "audio/TtsEspeakEngine.h"
#include "callengine/FactoryDataSetPrompts.h"
#include "callengine/LOGMDefinition.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// Every prompt of the set, checked as the call engine opens it.
void ExpectPromptAudio(const std::string& path) {
  SCOPED_TRACE(path);
  LSoundSourceRef source = LWaveFile::OpenSource(path);
  ASSERT_FALSE(source->IsError());
  EXPECT_EQ(std::tuple(source->SampleRate(), source->Channels(), source->IsStreaming()),
            std::tuple(8000, 1, false));
  EXPECT_GT(source->GetEndSample(), 800) << "at least 0.1 s of audio";
  std::vector<int32_t> samples(static_cast<std::size_t>(source->GetEndSample()));
  source->Read(samples.data(), static_cast<int32_t>(samples.size()));
  int32_t peak = 0;
  for (int32_t s : samples) peak = std::max(peak, std::abs(s));
  EXPECT_GT(peak, kFullScale16 / 20) << "not silence";
}

// eSpeak NG alone: it renders the set many times faster than the Flite
// voice an installation prefers, through the same pipeline. Built once, as
// the library keeps global state.
const TtsVoices& FastVoices() {
  static const TtsVoices* voices = [] {
    std::vector<std::unique_ptr<TtsEngine>> engines;
    engines.push_back(std::make_unique<TtsEspeakEngine>());
    return new TtsVoices(std::move(engines));
  }();
  return *voices;
}

// One installation rendered for the whole suite: rendering is the slow part.
class FactoryDataSetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    installed_ = new TempDir;
    const DataFolders folders = DataFolders::Resolve(installed_->Path());
    ASSERT_TRUE(FactoryDataSet(folders, FastVoices()).CreateMissing());
  }
  static void TearDownTestSuite() { delete std::exchange(installed_, nullptr); }

  // A private copy of the installation for a test that changes it.
  DataFolders CopyOfInstallation() {
    fs::copy(installed_->Path(), copy_.Path(), fs::copy_options::recursive);
    return DataFolders::Resolve(copy_.Path());
  }

  static TempDir* installed_;
  TempDir copy_;
};

TempDir* FactoryDataSetTest::installed_ = nullptr;

TEST_F(FactoryDataSetTest, EveryPromptIsSpokenAudioInBothFoldersAndTheDefaultOgmIsComplete) {
  const DataFolders folders = DataFolders::Resolve(installed_->Path());
  std::istringstream required(
      "ForwardMessage InvalidAccessCode MailBoxMessageMenu NoMoreMessagesMenu MailBoxSetup "
      "EnterAccessCode LeaveMessage TransferQuery InvalidOption InvalidNumber Goodbye 100 1000 "
      "Million Dollars Cents Yesterday Today AM PM MailBoxMenu RecordTone 0 1 2 3 4 5 6 7 8 9 10 "
      "11 12 13 14 15 16 17 18 19 20 30 40 50 60 70 80 90");
  std::size_t count = 0;
  for (std::string name; required >> name; ++count) {
    const std::string factory = PathJoinExt(folders.DefaultSystemPrompts(), name, ".wav");
    ExpectPromptAudio(factory);
    const std::string prompt = PathJoinExt(folders.SystemPrompts(), name, ".wav");
    EXPECT_EQ(FileText(prompt), FileText(factory)) << name;
  }
  EXPECT_EQ(FactoryPrompts().size(), count);
  // No work files are left behind.
  for (const auto& entry : fs::recursive_directory_iterator(installed_->Path()))
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
  // The default answering message is complete.
  const std::string base = PathJoin(folders.Ogms(), "Default Answering Message");
  ExpectPromptAudio(base + ".wav");
  EXPECT_EQ(FileText(base + ".txt"), DefaultAnsweringMessageText());

  // Read as the engine reads it: a one-second wait, then a message without greeting.
  LOGMDefinition ogm(base + ".ini");
  EXPECT_EQ(std::tuple(ogm.IsNumberEntry(), ogm.Value(LOGMDefinition::Number::kWait),
                       ogm.Action("playcomplete"),
                       ogm.IsSet("playcomplete", LOGMDefinition::ActionFlag::kMbxMessage),
                       ogm.Read("playcomplete", LOGMDefinition::ActionText::kMbx, {}, {}),
                       ogm.KeyAction('5'), ogm.AudioFile({}, {}).exists),
            std::tuple(false, 1, OGMAction::kMailbox, false, "Default", OGMAction::kNoResponse,
                       true));
  EXPECT_TRUE(fs::exists(PathJoin(folders.MailBoxes(), "Default.mbx")));
}

TEST_F(FactoryDataSetTest, ExistingFilesAreNeverOverwrittenButMayBeRestored) {
  const DataFolders folders = CopyOfInstallation();
  const std::string goodbye = PathJoin(folders.SystemPrompts(), "Goodbye.wav");
  const std::string renamed = PathJoin(folders.SystemPrompts(), "goodBYE.wav");
  fs::remove(goodbye);
  std::ofstream(renamed) << "my own recording";
  const std::string nine = PathJoin(folders.DefaultSystemPrompts(), "9.wav");
  const std::string greeting = PathJoin(folders.Ogms(), "Default Answering Message.txt");
  for (const auto& file : {nine, greeting}) std::ofstream(file) << "mine";
  fs::remove(PathJoin(folders.SystemPrompts(), "Today.wav"));

  EXPECT_TRUE(FactoryDataSet(folders, FastVoices()).CreateMissing());
  EXPECT_EQ(FileText(renamed), "my own recording");
  EXPECT_FALSE(fs::exists(goodbye)) << "names match without regard to case";
  EXPECT_EQ(FileText(nine) + FileText(greeting), "minemine");
  EXPECT_TRUE(fs::exists(PathJoin(folders.SystemPrompts(), "Today.wav")));

  const FactoryDataSet set(folders, FastVoices());
  ASSERT_TRUE(set.RestoreSystemPrompt("GoodBye"));
  EXPECT_EQ(FileText(renamed), FileText(PathJoin(folders.DefaultSystemPrompts(), "Goodbye.wav")));
  fs::remove(PathJoin(folders.DefaultSystemPrompts(), "RecordTone.wav"));
  fs::remove(PathJoin(folders.SystemPrompts(), "RecordTone.wav"));
  ASSERT_TRUE(set.RestoreSystemPrompt("recordtone")) << "a lost factory file is made again";
  ExpectPromptAudio(PathJoin(folders.SystemPrompts(), "RecordTone.wav"));
  EXPECT_FALSE(set.RestoreSystemPrompt("NoSuchPrompt") || set.RestoreSystemPrompt("../settings"));
}

TEST(FactoryDataSet, WithoutVoicesEverythingButTheSpeechIsMade) {
  TempDir root;
  const TtsVoices none({});
  const DataFolders folders = DataFolders::Resolve(root.Path());
  EXPECT_FALSE(FactoryDataSet(folders, none).CreateMissing());
  EXPECT_TRUE(fs::exists(PathJoin(folders.SystemPrompts(), "RecordTone.wav")));
  EXPECT_FALSE(fs::exists(PathJoin(folders.Ogms(), "Default Answering Message.wav")));
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root.Path())) {
    files += entry.is_regular_file() ? 1 : 0;
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
  }
  EXPECT_EQ(files, 6u);  // settings, tone twice, OGM .ini and .txt, mailbox
}

}  // namespace
