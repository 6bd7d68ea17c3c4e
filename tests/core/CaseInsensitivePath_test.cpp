#include "core/CaseInsensitivePath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

namespace {

// The stored spelling is found at every level, an exact one wins when two
// names differ only in case, and missing names stay as written.
TEST(CaseInsensitivePath, FindsTheStoredSpellingAndKeepsMissingNames) {
  TempDir tmp;
  std::filesystem::create_directories(tmp / "System Prompts");
  std::ofstream(tmp / "System Prompts/Goodbye.wav") << "x";
  std::ofstream(tmp / "Main.ini") << "a", std::ofstream(tmp / "MAIN.ini") << "b";
  for (auto [asked, found] :
       {std::pair<std::string, std::string>{"system prompts/GOODBYE.WAV", "System Prompts/Goodbye.wav"},
        {"System Prompts/Goodbye.wav", "System Prompts/Goodbye.wav"}, {"MAIN.ini", "MAIN.ini"},
        {"Main.ini", "Main.ini"}, {"system prompts/New Menu.ini", "System Prompts/New Menu.ini"},
        {"nothing/here", "nothing/here"}})
    EXPECT_EQ(ResolveCaseInsensitive(tmp / asked), tmp / found) << asked;
  EXPECT_EQ(ResolveCaseInsensitive(""), "");
  // Any of several names, in a folder asked for in any case.
  EXPECT_TRUE(FolderHoldsIgnoringCase(tmp / "SYSTEM PROMPTS", {"Hello.wav", "goodbye.WAV"}));
  EXPECT_TRUE(FolderHoldsIgnoringCase(tmp.Path(), {"Main.ini"}));
  EXPECT_FALSE(FolderHoldsIgnoringCase(tmp / "System Prompts", {"Hello.wav", "Goodbye.ini"}));
  EXPECT_FALSE(FolderHoldsIgnoringCase(tmp / "nothing", {"Main.ini"}));
}

}  // namespace
