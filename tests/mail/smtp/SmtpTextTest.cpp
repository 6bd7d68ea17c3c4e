// The pure text layers of sending: boundary choice, declared text,
// addresses and recipients. Base64 lines, dot-stuffing and the Date header
// are checked where a server decodes them (SmtpSenderTest, SystemMailerTest).

#include "mail/MailTestFiles.h"
#include "mail/smtp/Base64Lines.h"
#include "mail/smtp/MailAddress.h"
#include "mail/smtp/MimeWriter.h"
#include "mail/smtp/QuotedPrintable.h"
#include "mail/smtp/SmtpSender.h"

namespace {

TEST(MimeWriter, ChoosesTheFirstBoundaryNotInTheBody) {
  const std::string base = "gc0p4Jq0M2Yt08jU534c";
  std::string all;
  for (int n = 0; n < 100; ++n) all += base + std::to_string(n) + "\r\n";
  const struct { std::string body, boundary; } rows[] = {
      {"hello", base + "0"},
      {"x " + base + "0 y", base + "1"},
      {base + "0 " + base + "10", base + "2"},  // "…c1" is inside "…c10"
      {all, base + "99"},                       // the search ends at 99
  };
  for (const auto& row : rows) EXPECT_EQ(MimeWriter::ChooseBoundary(row.body), row.boundary);
}

// The text sent is UTF-8 (the writer reads other bytes as the Windows code
// page); mail carries it declared, and headers as encoded words.
TEST(MimeWriter, DeclaresTextThatIsNotAscii) {
  const std::string declared =
      "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
  const std::string longLine(999, 'a');
  const struct { std::string body, header, text; } parts[] = {
      {"plain\r\n" + std::string(998, 'a'), "Content-Type: text/plain\r\n\r\n", "plain\r\n" + std::string(998, 'a')},
      {"Jos\xC3\xA9", declared, "Jos=C3=A9"},
      {longLine, declared, QuotedPrintable::Encode(longLine)},  // a server may cut it
  };
  for (const auto& part : parts) {
    const MimeWriter::TextPart got = MimeWriter::TextPartOf(part.body);
    EXPECT_EQ(std::tuple(got.header, got.text), std::tuple(part.header, part.text));
  }

  const std::string word = "\xC3\xA9";  // 2 bytes: a 45-byte piece would split one
  std::string subject;
  for (int i = 0; i < 40; ++i) subject += word;
  std::string first, second;
  for (int i = 0; i < 22; ++i) first += word;
  for (int i = 0; i < 18; ++i) second += word;
  const struct { std::string subject, header; } rows[] = {
      {"CID: 1234\nAnna", "Subject: CID: 1234 Anna\r\n"},
      {"Jos\xE9", "Subject: =?utf-8?B?Sm9zw6k=?=\r\n"},
      {subject, "Subject: =?utf-8?B?" + Base64Lines::Encode(first) + "?=\r\n =?utf-8?B?" +
                    Base64Lines::Encode(second) + "?=\r\n"},
  };
  for (const auto& row : rows) {
    const std::string head = MimeWriter::HeaderBlock({"to@x", "from@x", row.subject, "", {}}, "D");
    EXPECT_NE(head.find(row.header), std::string::npos) << head;
  }
}

TEST(QuotedPrintable, EscapesWhatMailMayAlterAndKeepsLinesShort) {
  const std::string x75(75, 'x');
  const struct { std::string text, encoded; } rows[] = {
      {"a = b\tc", "a =3D b\tc"},
      {"end \r\nnext\t\nlast ", "end=20\r\nnext=09\r\nlast=20"},  // "\n" alone is a break too
      {"bare\rcr \x01", "bare=0Dcr =01"},
      {x75 + "y", x75 + "=\r\ny"},
      {x75 + "\r\n", x75 + "\r\n"},
      {std::string(74, 'x') + "\xC3\xA9", std::string(74, 'x') + "=\r\n=C3=A9"},  // never "=C" "3"
      {".\r\n.", ".\r\n."},  // the data phase doubles dots
  };
  for (const auto& row : rows) EXPECT_EQ(QuotedPrintable::Encode(row.text), row.encoded) << row.text;
}

TEST(SmtpSender, CutsTheRecipientListAtCommas) {
  const std::string longName(300, 'a');
  const struct { std::string to; std::vector<std::string> pieces; } rows[] = {
      {"a@x, b@y", {"a@x", " b@y"}},  // spaces are kept
      {",a@x,,b@y,", {"a@x", "b@y"}},
      {"", {}},
      {longName, {longName.substr(0, SmtpSender::kMaxRecipient)}},
      {"\"Smith, Anna\" <a@x>,b@y", {"\"Smith, Anna\" <a@x>", "b@y"}},  // a quoted name holds its comma
  };
  for (const auto& row : rows) EXPECT_EQ(SmtpSender::Recipients(row.to), row.pieces) << row.to;
}

// Envelope and header forms; domains in ASCII (the RFC 3492 sample among them).
TEST(MailAddress, TakesAnAddressWithOrWithoutAName) {
  const std::string joerg = "J\xC3\xB6rg M\xC3\xBCller";
  const struct { std::string text, envelope, header; bool utf8; } rows[] = {
      {"buero@mueller.de", "buero@mueller.de", "buero@mueller.de", false},
      {" " + joerg + " <buero@mueller.de> ", "buero@mueller.de",
       "=?utf-8?B?" + Base64Lines::Encode(joerg) + "?= <buero@mueller.de>", false},
      {"Anna Smith <a@X.test>", "a@X.test", "Anna Smith <a@X.test>", false},
      {"\"Smith, \\\"Ann\\\"\" <a@x.test>", "a@x.test", "\"Smith, \\\"Ann\\\"\" <a@x.test>", false},
      {"buero@m\xC3\xBCller-s\xC3\xB6hne.de", "buero@xn--mller-shne-kcb9d.de", "buero@xn--mller-shne-kcb9d.de", false},
      {"j\xC3\xB6rg@M\xC3\x9CLLER.de", "j\xC3\xB6rg@xn--mller-kva.de", "j\xC3\xB6rg@xn--mller-kva.de", true},
      {"x@\xE4\xBB\x96\xE4\xBB\xAC\xE4\xB8\xBA\xE4\xBB\x80\xE4\xB9\x88\xE4\xB8\x8D\xE8\xAF\xB4"
       "\xE4\xB8\xAD\xE6\x96\x87.cn",
       "x@xn--ihqwcrb4cv8a8dqg056pqjye.cn", "x@xn--ihqwcrb4cv8a8dqg056pqjye.cn", false},
      {"x@\xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84", "x@xn--e1afmkfd.xn--p1ai",
       "x@xn--e1afmkfd.xn--p1ai", false},
  };
  for (const auto& row : rows) {
    const std::optional<MailAddress> address = MailAddress::Parse(row.text);
    ASSERT_TRUE(address) << row.text;
    EXPECT_EQ(std::tuple(address->Envelope(), address->Header(), address->NeedsUtf8()),
              std::tuple(row.envelope, row.header, row.utf8));
  }
  const std::string refused[] = {"", "bob at example.com", "J\xC3\xB6rg <buero@mueller.de", "a@b@c.de",
                                 "M\xC3\xBCller, J\xC3\xB6rg <a@b.de>", "a@b..de", "a@-b.de", ".a@b.de",
                                 "a@b.de\r\nBcc: x@y.de", "a@b_c.de", "a@" + std::string(64, 'x') + ".de",
                                 "a@b\xC3.de", "\"open <a@b.de>", "<a@b.de"};
  for (const std::string& text : refused) EXPECT_FALSE(MailAddress::Parse(text)) << text;
}

}  // namespace
