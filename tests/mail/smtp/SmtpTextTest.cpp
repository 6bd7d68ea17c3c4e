// The pure text layers of sending: base64 lines, dot-stuffing, boundary
// choice, recipients and the Date header.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/smtp/Base64Lines.h"
#include "mail/smtp/DotStuffing.h"
#include "mail/smtp/MimeWriter.h"
#include "mail/smtp/SmtpDate.h"
#include "mail/smtp/SmtpSender.h"

namespace {

std::string Bytes(size_t count) {
  std::string bytes;
  for (size_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>(i * 7 + 3));
  return bytes;
}

TEST(Base64Lines, EncodesTheStandardVectors) {
  const struct {
    std::string in, out;
  } rows[] = {{"", ""},          {"f", "Zg=="},         {"fo", "Zm8="},
              {"foo", "Zm9v"},   {"foobar", "Zm9vYmFy"}, {"\xff\xfe", "//4="},
              {"\xfb\xef\xbe", "++++"}, {std::string("\0\0", 2), "AAA="}};
  for (const auto& row : rows) EXPECT_EQ(Base64Lines::Encode(row.in), row.out) << row.in;
}

TEST(Base64Lines, LaysOut76CharacterLines) {
  const struct {
    size_t bytes;
    std::vector<size_t> lines;  // characters per line
  } rows[] = {{0, {0}},       {1, {4}},         {56, {76}},      {57, {76}},
              {58, {76, 4}},  {114, {76, 76}},  {115, {76, 76, 4}}};
  for (const auto& row : rows) {
    const std::string text = Base64Lines::EncodeLines(Bytes(row.bytes));
    std::vector<size_t> lines;
    for (size_t at = 0; at < text.size();) {
      const size_t end = text.find("\r\n", at);
      ASSERT_NE(end, std::string::npos) << row.bytes << " bytes: no line end";
      lines.push_back(end - at);
      at = end + 2;
    }
    EXPECT_EQ(lines, row.lines) << row.bytes << " bytes";
  }
}

std::string Stuffed(std::string_view body) {
  std::string out;
  for (std::string_view piece : DotStuffing::Pieces(body)) out += piece;
  return out;
}

TEST(DotStuffing, DoublesTheDotOfEveryLineThatStartsWithOne) {
  const struct {
    std::string body, sent;
    size_t pieces;
  } rows[] = {
      {"plain text\r\nno dots\r\n", "plain text\r\nno dots\r\n", 1},
      {".first line\r\n", ".first line\r\n", 1},  // the very start is left alone
      {"a\r\n.b\r\n", "a\r\n..b\r\n", 2},
      {"a\r\n.\r\nb", "a\r\n..\r\nb", 2},
      {"\r\n.\r\n.", "\r\n..\r\n..", 3},
      {"end\r\n.", "end\r\n..", 2},
      {"bare\n.lf", "bare\n.lf", 1},
      {"", "", 1},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Stuffed(row.body), row.sent) << row.body;
    EXPECT_EQ(DotStuffing::Pieces(row.body).size(), row.pieces) << row.body;
  }
}

TEST(MimeWriter, ChoosesTheFirstBoundaryNotInTheBody) {
  const std::string base = "gc0p4Jq0M2Yt08jU534c";
  std::string all;
  for (int n = 0; n < 100; ++n) all += base + std::to_string(n) + "\r\n";
  const struct {
    std::string body, boundary;
  } rows[] = {
      {"hello", base + "0"},
      {"x " + base + "0 y", base + "1"},
      {base + "10", base + "0"},             // "…c1" is inside "…c10"
      {base + "0 " + base + "10", base + "2"},
      {all, base + "99"},                    // the search ends at 99
  };
  for (const auto& row : rows) EXPECT_EQ(MimeWriter::ChooseBoundary(row.body), row.boundary) << row.body;
}

TEST(SmtpSender, CutsTheRecipientListAtCommas) {
  const std::string longName(300, 'a');
  const struct {
    std::string to;
    std::vector<std::string> pieces;
  } rows[] = {
      {"a@x", {"a@x"}},
      {"a@x, b@y", {"a@x", " b@y"}},  // spaces are kept
      {",a@x,,b@y,", {"a@x", "b@y"}},
      {"", {}},
      {longName, {longName.substr(0, SmtpSender::kMaxRecipient)}},
  };
  for (const auto& row : rows) EXPECT_EQ(SmtpSender::Recipients(row.to), row.pieces) << row.to;
}

TEST(SmtpDate, WritesTheFieldsInUtc) {
  const struct {
    std::time_t instant;
    std::string text;
  } rows[] = {
      {1709647389, "Tue, 05 Mar 2024 14:03:09 +0000"},
      {951782400, "Tue, 29 Feb 2000 00:00:00 +0000"},
      {4102444799, "Thu, 31 Dec 2099 23:59:59 +0000"},
  };
  for (const auto& row : rows) EXPECT_EQ(SmtpDate::Format(row.instant), row.text) << row.instant;
}

}  // namespace
