#include "mail/smtp/SmtpExtensions.h"

#include <sstream>

#include "core/TextCompare.h"

SmtpExtensions SmtpExtensions::FromEhloReply(const std::vector<std::string>& lines) {
  SmtpExtensions offers;
  // The first line greets; each later one names an extension after "250-".
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].size() < 4) continue;
    std::string keywords = lines[i].substr(4);
    for (char& c : keywords) {
      if (c == '=') c = ' ';
    }
    std::istringstream words(keywords);
    std::string word;
    words >> word;
    if (EqualIgnoringCase(word, "STARTTLS")) offers.startTls = true;
    if (EqualIgnoringCase(word, "SMTPUTF8")) offers.smtpUtf8 = true;
    if (!EqualIgnoringCase(word, "AUTH")) continue;
    offers.authAdvertised = true;
    while (words >> word) {
      if (EqualIgnoringCase(word, "PLAIN")) offers.authPlain = true;
      if (EqualIgnoringCase(word, "LOGIN")) offers.authLogin = true;
    }
  }
  return offers;
}
