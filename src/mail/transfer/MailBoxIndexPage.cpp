#include "mail/transfer/MailBoxIndexPage.h"

#include "core/HtmlEscape.h"
#include "core/Profile.h"
#include "core/Utf8Text.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxMessageIterator.h"
#include "mail/transfer/WebName.h"

namespace {

constexpr std::string_view kTable =
    "<hr><center><table border=0 cellspacing=0><tr><td><table border=0 cellspacing=0 width=550>"
    "<tr bgcolor=#bbddbb><td>DATE</td><td>TIME</td><td>CID</td><td>NAME</td><td>PLAY</td></tr>";
constexpr std::string_view kTail =
    "</table></tr></td><tr><td>&nbsp</td></tr><tr><td>&nbsp</td></tr></table></center><hr>"
    "</body></html>";

std::string Cell(const std::string& recordPath, std::string_view key) {
  return "<td>" + HtmlEscape(AsUtf8(ProfileReadString(recordPath, LMailBoxMessage::kSection, key, ""))) + "</td>";
}

}  // namespace

std::string MailBoxIndexPage(const std::string& mailBoxPath) {
  // Names may hold any letter: the page says it is UTF-8, as its cells are
  // (a browser would read an undeclared page as a code page).
  const std::string title = "ZAV Voice Mail Box: " + HtmlEscape(AsUtf8(LMailBox::MailBoxName(mailBoxPath)));
  std::string page = "<html><head><meta charset=\"utf-8\"><title>" + title + "</title></head><body><h3>" + title +
                     "</h3>" + std::string(kTable);
  for (LMailBoxMessageIterator it(mailBoxPath); it.IsValid(); it.Next()) {
    const std::string record = it.GetMailBoxMessage();
    page += "<tr>" + Cell(record, "date") + Cell(record, "time") + Cell(record, "cid") +
            Cell(record, "callername") + "<td><a href=\"" + UrlPathPart(WebName(LMailBox::AudioPath(record))) +
            "\">Click to Play</a></td></tr>";
  }
  page += kTail;
  return page;
}
