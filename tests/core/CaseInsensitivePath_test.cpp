#include "core/CaseInsensitivePath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

namespace {

TEST(CaseInsensitivePath, FindsStoredSpellingAtEveryLevel) {
  TempDir tmp;
  std::filesystem::create_directories(tmp / "System Prompts");
  std::ofstream(tmp / "System Prompts/Goodbye.wav") << "x";

  EXPECT_EQ(ResolveCaseInsensitive(tmp / "System Prompts/Goodbye.wav"),
            tmp / "System Prompts/Goodbye.wav");
  EXPECT_EQ(ResolveCaseInsensitive(tmp / "System Prompts/GoodBye.wav"),
            tmp / "System Prompts/Goodbye.wav");
  EXPECT_EQ(ResolveCaseInsensitive(tmp / "system prompts/GOODBYE.WAV"),
            tmp / "System Prompts/Goodbye.wav");
}

TEST(CaseInsensitivePath, MissingNamesStayAsWrittenForCreation) {
  TempDir tmp;
  std::filesystem::create_directories(tmp / "OGMs");
  EXPECT_EQ(ResolveCaseInsensitive(tmp / "ogms/New Menu.ini"), tmp / "OGMs/New Menu.ini");
  EXPECT_EQ(ResolveCaseInsensitive(tmp / "nothing/here"), tmp / "nothing/here");
  EXPECT_EQ(ResolveCaseInsensitive(""), "");
}

TEST(CaseInsensitivePath, ExactSpellingWinsWhenTwoNamesDifferOnlyInCase) {
  TempDir tmp;
  std::ofstream(tmp / "Main.ini") << "a";
  std::ofstream(tmp / "MAIN.ini") << "b";
  EXPECT_EQ(ResolveCaseInsensitive(tmp / "MAIN.ini"), tmp / "MAIN.ini");
  EXPECT_EQ(ResolveCaseInsensitive(tmp / "Main.ini"), tmp / "Main.ini");
}

}  // namespace
