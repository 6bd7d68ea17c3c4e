#pragma once

#include <string>

// The web page that lists a mailbox's messages beside their uploaded audio,
// titled with the mailbox's name: one table row per message record in
// directory order with its "date", "time", "cid" and "callername" and a link
// to the audio's web name (percent-encoded). Names and record values are
// HTML-escaped, so a caller name holding "<" or "&" shows as written instead
// of adding markup to the page.
std::string MailBoxIndexPage(const std::string& mailBoxPath);
