#include "mail/LMailBox.h"
#include "mail/LMailBoxNames.h"
#include "mail/MailTestFiles.h"

TEST(MailBoxPaths, DerivedNames) {
  // The owner of a record is everything before the last " ICM"; an id
  // cannot lead out of the folder.
  // (The greeting's path is the next test's; a mailbox's name the message arrival's.)
  for (auto [got, expected] : {std::pair<std::string, std::string>{LMailBox::MessagePath("/m/Sales.mbx", "000042"), "/m/Sales ICM000042.ini"},
                               {LMailBox::AudioPath("/m/Sales ICM000042.ini"), "/m/Sales ICM000042.wav"},
                               {LMailBox::MailBoxNameOfMessage("/m/A ICM ICM000001.ini"), "A ICM"},
                               {LMailBox::MessageId("/m/A ICM ICM000001.ini"), "000001"},
                               {LMailBox::MailBoxNameOfMessage("/m/notes.ini"), ""},
                               {LMailBox::MessagePath("/m/Sales.mbx", "/../../x"), ""},
                               {LMailBox::MessagePath("/m/Sales.mbx", ""), ""}})
    EXPECT_EQ(got, expected);
  // Derived paths are cut at 259 characters.
  const std::string longPath = "/" + std::string(250, 'a') + ".mbx";
  EXPECT_TRUE(LMailBox::MessagePath(longPath, "000001").size() == 259u && LMailBox::GreetingPath(longPath).size() == 259u);
}

TEST(MailBoxPaths, MailBoxPathMatchesWithoutCaseAndRefusesUnsafeAndOverlongNames) {
  TempDir dir;
  EXPECT_EQ(LMailBox::MailBoxPath(dir.Path(), "Sales"), dir / "Sales.mbx");
  for (const char* name : {"", "../x", "a/b", "a\\b", ".."}) EXPECT_EQ(LMailBox::MailBoxPath(dir.Path(), name), "") << name;
  // Its message names must fit in 259 characters too.
  std::size_t room = 259 - dir.Path().size() - 1 - std::string(" ICM000000.ini").size();
  EXPECT_NE(LMailBox::MailBoxPath(dir.Path(), std::string(room, 'n')), "");
  EXPECT_EQ(LMailBox::MailBoxPath(dir.Path(), std::string(room + 1, 'n')), "");
  // Names match without case.
  WriteTextFile(dir / "Sales.mbx", "[mbx]\n");
  WriteTextFile(dir / "sales ogm.WAV", "greeting");
  EXPECT_EQ(LMailBox::MailBoxPath(dir.Path(), "SALES"), dir / "Sales.mbx");
  EXPECT_EQ(LMailBox::GreetingPath(dir / "Sales.mbx"), dir / "sales ogm.WAV");
}

TEST(MailBoxNames, ProposalsSkipTakenNamesInAnyCase) {
  TempDir dir;
  EXPECT_EQ(LMailBoxNames::Propose(dir.Path()), "Mailbox 1");
  WriteTextFile(dir / "Mailbox 1.mbx", "");
  WriteTextFile(dir / "MAILBOX 2.MBX", "");
  EXPECT_EQ(LMailBoxNames::Propose(dir.Path()), "Mailbox 3");
  for (int n = 3; n <= 299; ++n) WriteTextFile(dir / ("Mailbox " + std::to_string(n) + ".mbx"), "");
  EXPECT_EQ(LMailBoxNames::Propose(dir.Path()), "");
}
