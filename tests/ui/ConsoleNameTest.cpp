#include <gtest/gtest.h>

#include "ui/ConsoleName.h"
#include "ui/ConsolePassword.h"
#include "ui/NameComposition.h"
#include "ui/ConsoleRequest.h"

namespace {

TEST(ConsoleName, RefusesWhatCouldLeaveItsFolder) {
  // A lone "%" is part of a name; escapes are decoded (as often as a page
  // could have encoded them) before the name is judged.
  for (const char* name : {"Default", "Mailbox 2", "50% off", "a.b"})
    EXPECT_EQ(RequestNameProblem(name), "") << name;
  for (const char* name : {"", "..", ".", "a/b", "a\\b", "x..y", "tab\there", "del\x7f", "%2e%2e",
                           "%2E%2E%2Fsettings.ini", "%252e%252e", "a%2fb", "a%5cb", "a%00b", "nl%0a",
                           "%25252525252e"})
    EXPECT_NE(RequestNameProblem(name), "") << name;
  EXPECT_FALSE(RequestNameProblem(std::string(201, 'a')).empty());
  EXPECT_FALSE(RequestNameProblem(std::string("a\0b", 3)).empty());
  EXPECT_EQ(PercentDecode("a%20b%2F"), "a b/");
  EXPECT_EQ(PercentDecode("a+b"), "a+b");
  for (const char* half : {"%", "%2", "%zz"}) EXPECT_FALSE(PercentDecode(half)) << half;
}

// A typed mailbox name is kept as typed but for the spaces at its ends and
// the form of its accents, or refused with the reason.
TEST(ConsoleName, ATypedMailBoxNameIsKeptOrRefusedWithItsReason) {
  const std::string cannot = ": a mailbox name cannot hold / \\ : * ? \" < > | or control characters";
  const struct { const char* typed; const char* kept; std::string problem; } rows[] = {
      {" lead space", "lead space", ""},
      {"trail. ", "trail.", ""},
      {"50% off", "50% off", ""},
      {"Cafe\u0301", "Caf\u00e9", ""},
      {"Der \"Chef\"", "Der \"Chef\"", "the mailbox name holds \"\"\"" + cannot},
      {"a/b", "a/b", "the mailbox name holds \"/\"" + cannot},
      {"Who?", "Who?", "the mailbox name holds \"?\"" + cannot},
      {"tab\there", "tab\there", "the mailbox name holds a control character" + cannot},
      {"a%2fb", "a%2fb", "the mailbox name holds a path separator"},
      {"..", "..", "the mailbox name is only dots"},
      {" . ", ".", "the mailbox name is only dots"},
      {"x..y", "x..y", "the mailbox name holds \"..\""},
      {"   ", "", "the mailbox name is empty"},
  };
  for (const auto& row : rows) {
    const std::string kept = TypedName(row.typed);
    EXPECT_EQ(kept, row.kept) << row.typed;
    EXPECT_EQ(MailBoxNameProblem(kept), row.problem) << row.typed;
  }
}

// Accents typed after their letter become the one letter that looks the
// same; what has no such letter, or is not UTF-8, stays as it is.
TEST(ConsoleName, AccentsAreComposedWithTheirLetters) {
  const std::pair<std::string, std::string> rows[] = {
      {"Zoe\u0308 A\u030A \u00e9", "Zo\u00eb \u00c5 \u00e9"},
      {"e\u0323\u0302", "\u1ec7"},  // two accents, one letter
      {"u\u031b\u0300", "\u1eeb"},
      {"q\u0301", "q\u0301"},
      {"\u0301a", "\u0301a"},
      {"\xff" "e\u0301", "\xff" "e\u0301"},
      {"e\xcc", "e\xcc"},
      {"", ""},
  };
  for (const auto& [text, composed] : rows) EXPECT_EQ(ComposeLatinAccents(text), composed) << text;
}

// Only the right password matches a well-formed stored text, and a fresh
// salt each time means the same password never stores the same text.
TEST(ConsolePassword, VerifiesOnlyTheRightPasswordAgainstAWellFormedHash) {
  const std::string good = console_password::Hash("x", console_password::kMinIterations);
  ASSERT_EQ(good.rfind("pbkdf2-sha256$1000$", 0), 0u) << good;
  EXPECT_TRUE(console_password::Verify("x", good));
  EXPECT_NE(good, console_password::Hash("x", console_password::kMinIterations));
  EXPECT_EQ(console_password::Hash("x", 10), "");
  const std::string salt = good.substr(19, 32);
  const std::string hash = good.substr(52);
  const std::pair<std::string, std::string> refused[] = {
      {"X", good}, {"", good}, {"x", ""}, {"x", "x"}, {"x", "plain-password"},
      {"x", "md5$1000$" + salt + "$" + hash},
      {"x", "pbkdf2-sha256$999$" + salt + "$" + hash},       // too few rounds
      {"x", "pbkdf2-sha256$99999999$" + salt + "$" + hash},  // too many
      {"x", "pbkdf2-sha256$1000x$" + salt + "$" + hash},
      {"x", "pbkdf2-sha256$1000$" + salt + "$" + hash.substr(2)},  // short hash
      {"x", "pbkdf2-sha256$1000$zz" + salt + "$" + hash},
      {"x", "pbkdf2-sha256$1000$" + salt + "$" + hash + "$"},
  };
  EXPECT_TRUE(console_password::IsStored(good));
  for (const auto& [password, stored] : refused) {
    EXPECT_FALSE(console_password::Verify(password, stored)) << password << " " << stored;
    // What the engine warns about at start: a text no login can match.
    if (stored != good) {
      EXPECT_FALSE(console_password::IsStored(stored)) << stored;
    }
  }
}

// Characters, not bytes: seven accented letters are still too short.
TEST(ConsolePassword, ANewPasswordNeedsEightCharacters) {
  const std::pair<const char*, bool> rows[] = {
      {"", false}, {"1234567", false}, {"12345678", true}, {"\u00e4\u00f6\u00fc\u00e4\u00f6\u00fc\u00e4", false},
      {"\u00e4\u00f6\u00fc\u00e4\u00f6\u00fc\u00e4\u00f6", true},
  };
  for (const auto& [password, enough] : rows) EXPECT_EQ(console_password::LongEnough(password), enough) << password;
}

TEST(ConsoleRequest, CookiesHostsAndOrigins) {
  using namespace console_request;
  EXPECT_EQ(CookieValue("a=1; zavotel_session=abc ; b=2", "zavotel_session"), "abc");
  EXPECT_EQ(CookieValue("xzavotel_session=abc", "zavotel_session"), "");
  EXPECT_EQ(CookieValue("", "zavotel_session"), "");

  // The loopback hosts and origins the console itself meets are its server test's rows.
  EXPECT_FALSE(HostAllowed("localhost:8081", 8080, true));
  EXPECT_TRUE(HostAllowed("office-pc:8080", 8080, false));
  EXPECT_FALSE(OriginAllowed("http://", "", false));

  EXPECT_EQ(LoginPassword(R"({"password":"pw"})"), "pw");
  EXPECT_FALSE(LoginPassword(R"({"password":1})"));
  EXPECT_FALSE(LoginPassword("[\"pw\"]"));
  EXPECT_EQ(AnsweringOn(R"({"on":false})"), false);
  EXPECT_FALSE(AnsweringOn(R"({"on":"yes"})"));
  EXPECT_FALSE(AnsweringOn("{"));
}

}  // namespace
