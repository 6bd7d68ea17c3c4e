#include "core/Profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <sstream>

#include "core/Path.h"
#include "support/TempDir.h"

namespace {

class ProfileFile : public ::testing::Test {
 protected:
  // Replaces the whole file (as an editor would) and returns its path.
  const std::string& Stored(const std::string& text) {
    std::ofstream(file_ + ".new", std::ios::binary) << text;
    std::rename((file_ + ".new").c_str(), file_.c_str());
    return file_;
  }
  std::string Text() const {
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TempDir dir_;
  std::string file_ = dir_ / "settings.ini";
};

TEST_F(ProfileFile, BooleansAreTrueOnlyForALowerCaseT) {
  Stored("[s]\ncap=True\nt=t\none=1\nempty=\n");
  EXPECT_FALSE(ProfileReadBool(file_, "s", "cap", true));
  EXPECT_TRUE(ProfileReadBool(file_, "s", "t", false));
  EXPECT_FALSE(ProfileReadBool(file_, "s", "one", true));
  EXPECT_FALSE(ProfileReadBool(file_, "s", "empty", true));
  EXPECT_TRUE(ProfileReadBool(file_, "s", "missing", true));
  EXPECT_FALSE(ProfileReadBool(file_, "missing", "t", false));
  ASSERT_TRUE(ProfileWriteBool(file_, "s", "cap", true));
  ASSERT_TRUE(ProfileWriteBool(file_, "s", "t", false));
  EXPECT_EQ(Text(), "[s]\ncap=true\nt=false\none=1\nempty=\n");
}

TEST_F(ProfileFile, NumbersReadTheDefaultWhenMissingOrEmpty) {
  Stored("[s]\nint=12abc\nword=abc\nempty=\ndur=1:30\nneg=-5\ntod=25:00:00\ndb=--dB\n");
  EXPECT_EQ(ProfileReadInt(file_, "s", "int", 7), 12);
  EXPECT_EQ(ProfileReadInt(file_, "s", "word", 7), 0);
  EXPECT_EQ(ProfileReadInt(file_, "s", "empty", 7), 7);
  EXPECT_EQ(ProfileReadInt(file_, "s", "missing", 7), 7);
  EXPECT_EQ(ProfileReadDuration(file_, "s", "dur", 1), 90000);
  EXPECT_EQ(ProfileReadDuration(file_, "s", "neg", 1), -5000);
  EXPECT_EQ(ProfileReadDuration(file_, "s", "empty", 30000), 30000);
  EXPECT_EQ(ProfileReadTimeOfDay(file_, "s", "tod", 1), 3600);
  EXPECT_EQ(ProfileReadTimeOfDay(file_, "s", "empty", 9 * 3600), 9 * 3600);
  EXPECT_EQ(ProfileReadDb(file_, "s", "db", 0), -127);
  EXPECT_EQ(ProfileReadDb(file_, "s", "empty", -22), -22);
  EXPECT_EQ(ProfileReadDate(file_, "s", "empty", 5), 5);
  EXPECT_EQ(ProfileReadDate(file_, "s", "int", 5), 5);
}

TEST_F(ProfileFile, WritesUseTheStoredFormatsAndReadBack) {
  constexpr std::time_t kInstant = 1796475600;
  ASSERT_TRUE(ProfileWriteInt(file_, "s", "int", -42));
  ASSERT_TRUE(ProfileWriteDuration(file_, "s", "dur", 2250));
  ASSERT_TRUE(ProfileWriteTimeOfDay(file_, "s", "tod", 17 * 3600));
  ASSERT_TRUE(ProfileWriteDb(file_, "s", "db", -127));
  ASSERT_TRUE(ProfileWriteDate(file_, "s", "unset", 0));
  ASSERT_TRUE(ProfileWriteDate(file_, "s", "date", kInstant));
  EXPECT_EQ(ProfileReadInt(file_, "s", "int", 0), -42);
  EXPECT_EQ(ProfileReadDuration(file_, "s", "dur", 0), 2250);
  EXPECT_EQ(ProfileReadTimeOfDay(file_, "s", "tod", 0), 17 * 3600);
  EXPECT_EQ(ProfileReadDb(file_, "s", "db", 0), -127);
  EXPECT_EQ(ProfileReadDate(file_, "s", "unset", 9), 9);
  EXPECT_EQ(ProfileReadDate(file_, "s", "date", 0), kInstant);
  EXPECT_EQ(Text().substr(0, 56), "[s]\nint=-42\ndur=0:00:02.250\ntod=17:00:00\ndb=--dB\nunset=\n");
}

TEST_F(ProfileFile, StringsAreCutTo259Bytes) {
  std::string longText(300, 'x');
  ASSERT_TRUE(ProfileWriteString(file_, "s", "long", longText));
  EXPECT_EQ(ProfileReadString(file_, "s", "long", ""), std::string(kMaxText, 'x'));
  EXPECT_EQ(ProfileReadString(file_, "s", "missing", longText), std::string(kMaxText, 'x'));
  ASSERT_TRUE(ProfileWriteString(file_, "s", "digits", std::string(300, '9')));
  EXPECT_EQ(ProfileReadInt(file_, "s", "digits", 1), INT_MAX);
  Stored("[s]\nempty=\n");
  EXPECT_EQ(ProfileReadString(file_, "s", "empty", "default"), "");
  EXPECT_EQ(ProfileReadString(file_, "s", "missing", "default"), "default");
}

TEST_F(ProfileFile, ListsMoveEntriesInOneWrite) {
  Stored("[ogms]\nogm0=Main\nogm2file=Night\nogm5file=stale\n");
  ASSERT_TRUE(ProfileWriteListCount(file_, "ogms", "ogm", 2));
  ASSERT_TRUE(ProfileMoveListEntry(file_, "ogms", "ogm", 2, 1, "file"));
  EXPECT_EQ(Text(), "[ogms]\nogm0=Main\nogm5file=stale\nogmcount=2\nogm1file=Night\n");
  // Moving an entry that is not there leaves the target missing too.
  ASSERT_TRUE(ProfileMoveListEntry(file_, "ogms", "ogm", 7, 5, "file"));
  EXPECT_EQ(ProfileReadString(file_, "ogms", "ogm5file", "none"), "none");
}

TEST_F(ProfileFile, DeletesAndFlushes) {
  Stored("[a]\nk=1\nj=2\n[b]\nk=3\n");
  ASSERT_TRUE(ProfileDeleteKey(file_, "a", "k"));
  ASSERT_TRUE(ProfileDeleteSection(file_, "b"));
  EXPECT_EQ(Text(), "[a]\nj=2\n");
  ProfileFlush(file_);
  EXPECT_EQ(ProfileReadInt(file_, "a", "j", 0), 2);
  EXPECT_FALSE(ProfileWriteString(dir_ / "settings.ini/x", "a", "k", "v"));
}

}  // namespace
