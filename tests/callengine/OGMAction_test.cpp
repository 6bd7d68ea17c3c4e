#include "callengine/OGMAction.h"

#include <gtest/gtest.h>

namespace {

TEST(OGMAction, WordsParseWithoutRegardToCase) {
  EXPECT_EQ(ParseOGMAction("go"), OGMAction::kGo);
  EXPECT_EQ(ParseOGMAction("MailboxAccess"), OGMAction::kMailboxAccess);
  EXPECT_EQ(ParseOGMAction("HANGUP"), OGMAction::kHangup);
  // Every row parses back to itself, so the table and the enum agree.
  for (const OGMActionWord& row : OGMActionWords()) {
    EXPECT_EQ(ParseOGMAction(row.word), row.action) << row.word;
    EXPECT_EQ(OGMActionInfo(row.action).word, row.word);
  }
}

TEST(OGMAction, UnknownOrPartialWordsAreNoAction) {
  EXPECT_EQ(ParseOGMAction(""), OGMAction::kNoResponse);
  EXPECT_EQ(ParseOGMAction("jump"), OGMAction::kNoResponse);
  EXPECT_EQ(ParseOGMAction("mail"), OGMAction::kNoResponse);
  EXPECT_EQ(ParseOGMAction("go "), OGMAction::kNoResponse);
  EXPECT_EQ(ParseOGMAction("mailboxaccessx"), OGMAction::kNoResponse);
}

TEST(OGMAction, EditorTableOrderAndOffers) {
  const auto& words = OGMActionWords();
  EXPECT_EQ(words.front().word, "noresponse");
  EXPECT_EQ(words.back().word, "hangup");
  EXPECT_EQ(OGMActionInfo(OGMAction::kPlay).label, "Play Wav/MP3 File...");
  EXPECT_TRUE(OGMActionInfo(OGMAction::kTransfer).settings);
  EXPECT_TRUE(OGMActionInfo(OGMAction::kRecord).chained);
  EXPECT_FALSE(OGMActionInfo(OGMAction::kSeek).chained);
  EXPECT_FALSE(OGMActionInfo(OGMAction::kRepeat).chained);
  EXPECT_FALSE(OGMActionInfo(OGMAction::kMailboxAccess).settings);
}

}  // namespace
