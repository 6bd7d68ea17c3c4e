#include "callengine/SimulateOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(SimulateOptions, ScriptOptionsAreReadAndKeysSortedByTime) {
  std::string error;
  const auto options = SimulateOptions::Parse(
      {"--keys", "#@4,1@0.25,*@4", "--caller-audio", "in.wav", "--hear", "out.wav",
       "--hangup-after", "30.5"},
      error);
  ASSERT_TRUE(options) << error;
  ASSERT_EQ(options->keys.size(), 3u);
  EXPECT_EQ(options->keys[0].key, '1');
  EXPECT_EQ(options->keys[0].ms, 250);
  EXPECT_EQ(options->keys[1].key, '#');  // equal times keep their order
  EXPECT_EQ(options->keys[2].key, '*');
  EXPECT_EQ(options->callerAudio, "in.wav");
  EXPECT_EQ(options->hear, "out.wav");
  EXPECT_EQ(options->hangUpAfterMs, 30500);
  EXPECT_TRUE(options->Scripted());
  EXPECT_FALSE(SimulateOptions::Parse({}, error)->Scripted());
}

TEST(SimulateOptions, BadOptionsSayWhatIsWrong) {
  const std::vector<std::vector<std::string>> bad = {
      {"--keys", "1"},        {"--keys", "x@1"},        {"--keys", "1@-2"},
      {"--keys", "1@2,"},     {"--keys", "12@1"},       {"--hangup-after", "soon"},
      {"--hangup-after", "nan"}, {"--hear"},            {"--loud", "yes"},
      {"extra"},              {"--keys", "1@1e9"},
  };
  for (const auto &arguments : bad) {
    std::string error;
    EXPECT_FALSE(SimulateOptions::Parse(arguments, error)) << arguments[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
