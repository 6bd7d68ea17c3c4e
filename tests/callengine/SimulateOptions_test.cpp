#include "callengine/SimulateOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(SimulateOptions, ScriptOptionsAreReadAndKeysSortedByTime) {
  std::string error;
  const auto options = SimulateOptions::Parse({"--keys", "#@4,1@0.25,*@4", "--caller-audio",
                                               "in.wav", "--hear", "out.wav", "--hangup-after",
                                               "30.5"},
                                              error);
  ASSERT_TRUE(options) << error;
  std::string keys;
  for (const auto &key : options->keys) keys += key.key + std::to_string(key.ms) + " ";
  EXPECT_EQ(keys, "1250 #4000 *4000 ");  // equal times keep their order
  EXPECT_EQ(options->callerAudio + options->hear, "in.wavout.wav");
  EXPECT_EQ(options->hangUpAfterMs, 30500);
  EXPECT_TRUE(options->Scripted());
  EXPECT_FALSE(SimulateOptions::Parse({}, error)->Scripted());
  for (const std::vector<std::string> &bad :
       std::vector<std::vector<std::string>>{
           {"--keys", "1"}, {"--keys", "x@1"}, {"--keys", "1@-2"}, {"--keys", "1@2,"},
           {"--keys", "12@1"}, {"--hangup-after", "soon"}, {"--hangup-after", "nan"}, {"--hear"},
           {"--loud", "yes"}, {"extra"}, {"--keys", "1@1e9"}}) {
    error.clear();
    EXPECT_FALSE(SimulateOptions::Parse(bad, error)) << bad[0] << " " << bad.back();
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
