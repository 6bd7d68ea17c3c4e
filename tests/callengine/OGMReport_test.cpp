#include "callengine/OGMReport.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TempDir.h"

namespace {

using Lines = std::vector<std::string>;

struct ReportCase { const char* ini; Lines lines; const char* next; };  // ini: after "[ivr]"

const ReportCase kReportCases[] = {
    {"", {"Wait 6s."}, ""},
    {"wait=0\n", {}, ""},
    {"wait=0\nrepeat=2\n", {"Repeat 2 times."}, ""},
    {"wait=0\npress1=invalid\npress2=noresponse\npress3=go\npress3go=Sales\n", {"+ Press 3: Go to OGM Sales."}, ""},
    {"wait=0\npress#=seek\npress#seektime=0:01:05.250\npress*=MAILBOX\npress*mbx=Default\n",
     {"+ Press #: Rewind or Forward 0:01:05.250.", "+ Press *: Leave Message for Mailbox Default."}, ""},
    {"wait=0\nrun=true\nrunasplugin=true\nruncount=2\nrun1=check %cid%\nrun2=b\nplaycomplete=goodbye\n",
     {"+ Run ZAV Plugin", "  check %cid%", "  b"}, "Say Goodbye then Hangup"},
    {"wait=0\nlog=true\nlogname=calls\nannouncecall=true\nannounceplay=ring.wav\nplaycomplete=transfer\n"
     "playcompletetransfer=201\n[datetime]\nenabled=true\n[cid]\nenabled=true\ncid=555\n",
     {"+ Uses Date-Time Validity Checking.", "+ Uses Number ID Checking (555).",
      "+ Writes a special entry to log (calls).", "+ Plays announcement (ring.wav)."},
     "Transfer call to 201"},
};

TEST(OGMReport, DescribesChecksKeysWaitAndWhatFollows) {
  for (const ReportCase& row : kReportCases) {
    TempDir dir;
    std::ofstream(dir / "Main.ini") << "[ivr]\n" << row.ini;
    const ogm_report::Entry entry = ogm_report::Describe(dir / "Main.ini");
    EXPECT_EQ(entry.lines, row.lines) << row.ini;
    EXPECT_EQ(entry.next, row.next) << row.ini;
  }
}

TEST(OGMReport, CopiedTextIsEscapedInBothDocuments) {
  const ogm_report::Entry entry{"A{1}", "C:\\x <b>\r\nnext}", {"+ Press 1: Dial 5&6."}, "Hangup"};
  EXPECT_EQ(ogm_report::Rtf({entry}),
            "{\\rtf1\\ansi\r\n{\\fonttbl {\\f0\\fswiss Verdana;}\t}\r\n"
            "{\\colortbl; \\red000\\green000\\blue000; \\red128\\green000\\blue032; }\\f0\\fs20\\cf1\r\n"
            "{\\b A\\{1\\}}\\par\\par{\\i C:\\\\x <b>\\par\r\nnext\\}}\\par\\par"
            "+ Press 1: Dial 5&6.\\par-> Hangup\\par\\par\\par"
            "\\par\r\nOGM Report created by:\\par\r\n" + std::string(ogm_report::kCredit) + "\\par\r\n}");
  const std::string html = ogm_report::Html({entry});
  EXPECT_NE(html.find("<h3>A{1}</h3>"), std::string::npos) << html;
  EXPECT_NE(html.find("C:\\x &lt;b&gt;\r\nnext}"), std::string::npos) << html;
  EXPECT_NE(html.find("Dial 5&amp;6.</p><p>-&gt; Hangup"), std::string::npos) << html;
}

}  // namespace
