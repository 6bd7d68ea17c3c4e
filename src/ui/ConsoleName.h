#pragma once

#include <optional>
#include <string>
#include <string_view>

// Names a request hands the console (mailboxes, messages, static files) meet
// the file system only after this check.

// Decodes "%XX" escapes; nothing for a "%" without two hex digits. "+" stays.
std::optional<std::string> PercentDecode(std::string_view text);

// Escapes every byte but letters, digits and "-._~" as "%XX", for a name
// put into a URL or a header.
std::string PercentEncode(std::string_view text);

// Why `name` may not be used as one file or mailbox name; "" when it may. It
// is checked as given and after each further round of percent-decoding, so a
// name encoded twice cannot smuggle a separator past it.
std::string RequestNameProblem(std::string_view name);

// A name typed for a new or renamed mailbox or OGM as it is kept: without
// the spaces at its ends, its accents composed (ComposeLatinAccents), so two
// names that look the same are the same name.
std::string TypedName(std::string_view typed);

// Why `name` cannot name a mailbox, as a sentence for the user; "" when it
// can. Beyond RequestNameProblem, the characters a file name cannot hold on
// other systems are refused (a program file takes its mailboxes there).
std::string MailBoxNameProblem(std::string_view name);
