#pragma once

#include <string>

// The web page that lists a mailbox's messages beside their uploaded audio:
// one table row per message record in directory order with its "date",
// "time", "cid" and "callername" and a link to the audio's web name. The
// record values and the link are HTML-escaped, so a caller name holding "<"
// or "&" shows as written instead of adding markup to the page.
std::string MailBoxIndexPage(const std::string& mailBoxPath);
