#include "mail/smtp/MailAddress.h"

#include <algorithm>

#include "core/TextTrim.h"
#include "mail/smtp/MailDomain.h"
#include "mail/smtp/MimeHeaderText.h"

namespace {

constexpr std::string_view kSpecials = "()<>[]:;@\\,\"";

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

// A name in double quotes loses them and its "\" escapes; one without may
// hold no punctuation that ends a name.
std::optional<std::string> DisplayName(std::string_view text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') {
    if (text.find_first_of(kSpecials) != std::string_view::npos) return std::nullopt;
    return std::string(text);
  }
  std::string name;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == '"') return std::nullopt;
    if (text[i] == '\\' && ++i + 1 == text.size()) return std::nullopt;
    name += text[i];
  }
  return name;
}

bool LocalPartFits(std::string_view local) {
  return !local.empty() && local.size() <= MailAddress::kMaxLocal && local.front() != '.' && local.back() != '.' &&
         local.find("..") == std::string_view::npos && local.find_first_of(kSpecials) == std::string_view::npos &&
         local.find_first_of(" \t") == std::string_view::npos;
}

bool IsAtomText(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view(" !#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
}

std::string QuotedIfNeeded(const std::string& name) {
  if (std::all_of(name.begin(), name.end(), IsAtomText)) return name;
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' || c == '\\' ? std::string{'\\', c} : std::string{c};
  return quoted + "\"";
}

}  // namespace

std::optional<MailAddress> MailAddress::Parse(std::string_view text) {
  text = TrimText(text);
  if (text.empty() || HasControl(text)) return std::nullopt;
  MailAddress address;
  std::string_view mailbox = text;
  if (text.back() == '>') {
    const size_t open = text.rfind('<');
    if (open == std::string_view::npos) return std::nullopt;
    std::optional<std::string> name = DisplayName(TrimText(text.substr(0, open)));
    if (!name) return std::nullopt;
    address.name_ = std::move(*name);
    mailbox = text.substr(open + 1, text.size() - open - 2);
  }
  const size_t at = mailbox.rfind('@');
  if (at == std::string_view::npos || !LocalPartFits(mailbox.substr(0, at))) return std::nullopt;
  std::optional<std::string> domain = MailDomain::ToAscii(mailbox.substr(at + 1));
  if (!domain) return std::nullopt;
  address.local_ = std::string(mailbox.substr(0, at));
  address.domain_ = std::move(*domain);
  return address;
}

std::vector<std::string> MailAddress::SplitList(std::string_view list) {
  std::vector<std::string> pieces;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i <= list.size(); ++i) {
    if (i < list.size() && list[i] == '"') quoted = !quoted;
    if (i < list.size() && (quoted || list[i] != ',')) continue;
    if (i > start) pieces.emplace_back(list.substr(start, i - start));
    start = i + 1;
  }
  return pieces;
}

std::string MailAddress::HeaderOf(std::string_view text) {
  if (const std::optional<MailAddress> address = Parse(text)) return address->Header();
  std::string line(text);
  std::replace_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

bool MailAddress::NeedsUtf8() const { return !MimeHeaderText::IsAscii(local_); }

std::string MailAddress::Header() const {
  if (name_.empty()) return Envelope();
  const std::string name = MimeHeaderText::IsAscii(name_) ? QuotedIfNeeded(name_) : MimeHeaderText::Encode(name_);
  return name + " <" + Envelope() + ">";
}
