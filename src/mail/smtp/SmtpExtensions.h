#pragma once

#include <string>
#include <vector>

// What a server's EHLO reply offers that the sender uses: STARTTLS, the
// AUTH mechanisms PLAIN and LOGIN ("250-AUTH PLAIN LOGIN", or the older
// "250-AUTH=LOGIN") and SMTPUTF8 (addresses beyond ASCII).
struct SmtpExtensions {
  bool startTls = false;
  bool authAdvertised = false;
  bool authPlain = false;
  bool authLogin = false;
  bool smtpUtf8 = false;

  static SmtpExtensions FromEhloReply(const std::vector<std::string>& lines);
};
