#include "mail/MailTestFiles.h"
#include "mail/smtp/SmtpReplyReader.h"

namespace {

const std::string kLong(300, 'x');

// Each reply is fed whole and byte by byte: both must agree with the row.
TEST(SmtpReplyReader, ReadsToTheLastLineOfAReply) {
  // lines, used, firstLine: lines kept, bytes taken, the first line's length
  const struct { std::string received; bool done; int code; size_t lines, used, firstLine; } rows[] = {
      {"250 OK\r\n", true, 250, 1, 8, 6},
      {"220 mail ready\n", true, 220, 1, 15, 14},
      {"250-mail.test\r\n250-SIZE 1000\r\n250 HELP\r\n", true, 250, 3, 40, 13},
      {"250-first\r\n250 last\r\n221 extra\r\n", true, 250, 2, 21, 9},  // the rest is left
      {"250-only continuation\r\n", false, 0, 1, 23, 21},
      {"250 no line end", false, 0, 0, 15, 0},
      {"22\r\n", true, 22, 1, 4, 2},  // shorter than four: complete
      {"abc ok\r\n", true, 0, 1, 8, 6},
      {"99999999999999 x\r\n", true, 999999999, 1, 18, 16},  // no overflow
      {"250-" + kLong + "\r\n251 " + kLong + "\r\n", true, 251, 2, 612, 254},  // lines cut
      {"250" + kLong + "-\r\n", true, 250, 1, 306, 254},  // the cut keeps the fourth character
  };
  for (const auto& row : rows) {
    SmtpReplyReader whole, bytes;
    size_t used = 0;
    for (char c : row.received) used += bytes.Feed(std::string_view(&c, 1));
    EXPECT_EQ(whole.Feed(row.received), row.used) << row.received;
    EXPECT_EQ(used, row.used) << row.received;
    for (const SmtpReplyReader* reader : {&whole, &bytes}) {
      EXPECT_EQ(reader->Done(), row.done) << row.received;
      EXPECT_EQ(reader->Code(), row.code) << row.received;
      ASSERT_EQ(reader->Lines().size(), row.lines) << row.received;
      EXPECT_EQ(row.lines > 0 ? reader->Lines()[0].size() : 0u, row.firstLine) << row.received;
    }
  }
}

// A reply that never ends keeps memory bounded and is given up at the limit.
TEST(SmtpReplyReader, EndlessRepliesStayBounded) {
  for (const std::string& endless : {std::string(512, 'y'), "250-" + std::string(60, 'z') + "\r\n"}) {
    SmtpReplyReader reader;
    size_t fed = 0;
    while (!reader.TooLong() && fed < 2 * SmtpReplyReader::kMaxReplyBytes) fed += reader.Feed(endless);
    EXPECT_FALSE(reader.Done());
    EXPECT_LE(fed, SmtpReplyReader::kMaxReplyBytes + 1);
    EXPECT_LE(reader.Lines().size(), SmtpReplyReader::kMaxKeptLines);
    EXPECT_EQ(reader.Feed(endless), 0u);
  }
}

}  // namespace
