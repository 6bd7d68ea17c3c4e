#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One e-mail address as the settings hold it: "local@domain", or with a
// display name "Jörg Müller <local@domain>" (a name holding "," or other
// punctuation in double quotes). The envelope takes the address alone, the
// headers the name too; domains go out in their ASCII form.
class MailAddress {
 public:
  static constexpr std::size_t kMaxLocal = 64;

  // Nothing when `text` is not one address (spaces around it are allowed).
  static std::optional<MailAddress> Parse(std::string_view text);
  // The pieces of a list cut at every "," outside double quotes: the
  // non-empty ones, untrimmed.
  static std::vector<std::string> SplitList(std::string_view list);
  // How `text` goes into a From or To header: as Header() when it is an
  // address, else as it is with line breaks made spaces.
  static std::string HeaderOf(std::string_view text);

  const std::string& Name() const { return name_; }
  // "local@domain" with the domain in ASCII, for MAIL FROM and RCPT TO.
  std::string Envelope() const { return local_ + "@" + domain_; }
  // A local part with other than ASCII characters needs SMTPUTF8.
  bool NeedsUtf8() const;
  // The name as encoded words (or quoted when ASCII punctuation needs it)
  // followed by "<" Envelope() ">"; Envelope() alone without a name.
  std::string Header() const;

 private:
  std::string name_;
  std::string local_;
  std::string domain_;
};
