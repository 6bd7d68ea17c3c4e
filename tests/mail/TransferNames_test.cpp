#include <optional>

#include "mail/MailTestFiles.h"
#include "mail/transfer/FtpNameList.h"
#include "mail/transfer/FtpServerAddress.h"
#include "mail/transfer/MailBoxIndexPage.h"
#include "mail/transfer/WebName.h"

namespace {

TEST(TransferNames, WebNameLowersTheTitleAndKeepsTheExtension) {
  struct Row { const char* path; const char* web; } rows[] = {
      {"/data/MailBoxes/Sales ICM000001.wav", "sales_icm000001.wav"},
      {"Sales Team.html", "sales_team.html"},
      {"C:\\Boxes\\Two  Spaces.WAV", "two__spaces.WAV"},
      {"/dir with space/A.b c.wav", "a.b_c.wav"},
      {"No Extension", "no_extension"},
      {"Ärger Box.wav", "Ärger_box.wav"},
  };
  for (const Row& row : rows) EXPECT_EQ(WebName(row.path), row.web) << row.path;
}

TEST(TransferNames, ServerAddressForms) {
  struct Row { const char* text; std::optional<std::string> url; bool tls; } rows[] = {  // url nullopt: refused
      {"ftp.example.org", "ftp://ftp.example.org:21/", false},
      {"  host:2121 ", "ftp://host:2121/", false},
      {"FTP://host/", "ftp://host:21/", false},
      {"ftps://host:990", "ftp://host:990/", true},
      {"[::1]:2121", "ftp://[::1]:2121/", false},
      {"", std::nullopt, false},
      {"http://host", std::nullopt, false},
      {"host:0", std::nullopt, false},
      {"host:65536", std::nullopt, false},
      {"host:21x", std::nullopt, false},
      {"host/pub", std::nullopt, false},
      {"user@host", std::nullopt, false},
      {"::1", std::nullopt, false},
      {"host\r\nUSER x", std::nullopt, false},
  };
  for (const Row& row : rows) {
    const std::optional<FtpServerAddress> address = FtpServerAddress::Parse(row.text);
    EXPECT_TRUE(address ? row.url == address->Url() && address->tls == row.tls : !row.url) << row.text;
  }
}

TEST(TransferNames, NameListingKeepsMatchingPlainNames) {
  struct Row { const char* listing; const char* pattern; Names names; } rows[] = {
      {"a.wav\r\nb.html\r\nc.wav\r\n", "*.wav", {"a.wav", "c.wav"}},
      {"a.wav\nlast.wav", "*.wav", {"a.wav", "last.wav"}},
      {"voice/a.wav\n/abs/dir/b.wav\n", "*.wav", {"a.wav", "b.wav"}},
      {".\n..\n\n\r\nx.WAV\n", "*", {"x.WAV"}},
      {"bad\tname.wav\nok.wav\n", "*.wav", {"ok.wav"}},
      {"dir/\n", "*", {}},
      {"", "*.wav", {}},
  };
  for (const Row& row : rows) EXPECT_EQ(MatchingNames(row.listing, row.pattern), row.names) << row.listing;
}

// One mailbox with at most one message, so directory order cannot matter;
// the page is its head with the mailbox's name, the message rows and its
// fixed tail. Links are percent-encoded, text HTML-escaped.
TEST(TransferNames, IndexPageRowsAreEscapedRecordValues) {
  const std::string link = "<td><a href=\"b%C3%BCro_%231_%26_co_icm000001.wav\">Click to Play</a></td></tr>";
  struct Row { const char* record; std::string row; } rows[] = {
      {nullptr, ""},
      {"date=01/02/24\ntime=10:11:12\ncid=5551234\ncallername=Bob Smith\n",
       "<tr><td>01/02/24</td><td>10:11:12</td><td>5551234</td><td>Bob Smith</td>" + link},
      {"cid=<b>1</b>\ncallername=Tom & Jerry's \"Inc\"\n",
       "<tr><td></td><td></td><td>&lt;b&gt;1&lt;/b&gt;</td><td>Tom &amp; Jerry&#39;s &quot;Inc&quot;</td>" + link},
      {"callername=Jos\xE9 N\xC3\xBA\xC3\xB1" "ez\n",  // a code page name, a UTF-8 one
       "<tr><td></td><td></td><td></td><td>José Núñez</td>" + link},
  };
  for (const Row& row : rows) {
    TempDir dir;
    WriteTextFile(dir / "Büro #1 & Co.mbx", "[mbx]\n");
    WriteTextFile(dir / "Other.mbx", "[mbx]\n");
    WriteTextFile(dir / "Other ICM000002.ini", "[message]\ncid=999\n");
    if (row.record) WriteTextFile(dir / "Büro #1 & Co ICM000001.ini", std::string("[message]\n") + row.record);
    const std::string page = MailBoxIndexPage(dir / "Büro #1 & Co.mbx");
    const std::size_t rowAt = page.find("PLAY</td></tr>") + 14, tailAt = page.find("</table></tr>");
    EXPECT_EQ(page.substr(rowAt, tailAt - rowAt), row.row) << (row.record ? row.record : "no message");
    const std::string head = "<html><head><meta charset=\"utf-8\"><title>ZAV Voice Mail Box: Büro #1 &amp; Co</title>";
    EXPECT_TRUE(page.starts_with(head) && page.ends_with("</html>")) << page;
  }
}

}  // namespace
