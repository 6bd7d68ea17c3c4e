#include "mail/smtp/SmtpReplyReader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ReplyRow {
  std::string received;
  bool done;
  int code;
  size_t lines;
  size_t used;  // bytes taken
};

std::ostream& operator<<(std::ostream& out, const ReplyRow& row) {
  return out << '"' << row.received.substr(0, 60) << "\" (" << row.received.size() << " bytes)";
}

const std::string kLong(300, 'x');

const ReplyRow kReplies[] = {
    {"250 OK\r\n", true, 250, 1, 8},
    {"220 mail ready\n", true, 220, 1, 15},
    {"250-mail.test\r\n250-SIZE 1000\r\n250 HELP\r\n", true, 250, 3, 40},
    {"250-first\r\n250 last\r\n221 extra\r\n", true, 250, 2, 21},  // the rest is not taken
    {"250-only continuation\r\n", false, 0, 1, 23},
    {"250 no line end", false, 0, 0, 15},
    {"22\r\n", true, 22, 1, 4},        // shorter than four: complete
    {"\r\n", true, 0, 1, 2},
    {"abc ok\r\n", true, 0, 1, 8},     // no number
    {"354-\r\n354 go\r\n", true, 354, 2, 14},
    {"99999999999999 x\r\n", true, 999999999, 1, 18},  // no overflow
    {"250-" + kLong + "\r\n251 " + kLong + "\r\n", true, 251, 2, 612},
    {"250" + kLong + "-\r\n", true, 250, 1, 306},  // fourth character decides
};

class SmtpReplyReaderRows : public testing::TestWithParam<ReplyRow> {};

TEST_P(SmtpReplyReaderRows, WholeAndByteByByteAgree) {
  const ReplyRow& row = GetParam();
  SmtpReplyReader whole;
  EXPECT_EQ(whole.Feed(row.received), row.used);
  SmtpReplyReader bytes;
  size_t used = 0;
  for (char c : row.received) used += bytes.Feed(std::string_view(&c, 1));
  for (const SmtpReplyReader* reader : {&whole, &bytes}) {
    EXPECT_EQ(reader->Done(), row.done);
    EXPECT_EQ(reader->Code(), row.code);
    EXPECT_EQ(reader->Lines().size(), row.lines);
    for (const std::string& line : reader->Lines()) EXPECT_LE(line.size(), SmtpReplyReader::kMaxLine);
  }
  EXPECT_EQ(used, row.used);
}

INSTANTIATE_TEST_SUITE_P(Replies, SmtpReplyReaderRows, testing::ValuesIn(kReplies));

TEST(SmtpReplyReader, LongLinesAreCutAndLineEndsDropped) {
  SmtpReplyReader reader;
  reader.Feed("250-" + kLong + "\r\n250 end\r\n");
  ASSERT_EQ(reader.Lines().size(), 2u);
  EXPECT_EQ(reader.Lines()[0], "250-" + kLong.substr(0, SmtpReplyReader::kMaxLine - 4));
  EXPECT_EQ(reader.Lines()[1], "250 end");
}

// A server that never ends its reply cannot make the reader hold more than
// a line and the first lines, and the reply is given up at the byte limit.
TEST(SmtpReplyReader, EndlessRepliesStayBounded) {
  const std::string chunk(512, 'y');
  const std::string continuation = "250-" + std::string(60, 'z') + "\r\n";
  for (const std::string& endless : {chunk, continuation}) {
    SmtpReplyReader reader;
    size_t fed = 0;
    while (!reader.TooLong() && fed < 2 * SmtpReplyReader::kMaxReplyBytes) fed += reader.Feed(endless);
    EXPECT_TRUE(reader.TooLong());
    EXPECT_FALSE(reader.Done());
    EXPECT_LE(fed, SmtpReplyReader::kMaxReplyBytes + 1);
    EXPECT_LE(reader.Lines().size(), SmtpReplyReader::kMaxKeptLines);
    EXPECT_EQ(reader.Feed(endless), 0u);
  }
}

}  // namespace
