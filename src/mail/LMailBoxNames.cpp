#include "mail/LMailBoxNames.h"

#include "mail/LMailBox.h"
#include "mail/MailFiles.h"

std::string LMailBoxNames::Propose(const std::string& folder) {
  for (int n = 1; n <= kMaxProposals; ++n) {
    std::string name = "Mailbox " + std::to_string(n);
    std::string path = LMailBox::MailBoxPath(folder, name);
    if (!path.empty() && !ExistsIgnoringCase(path)) return name;
  }
  return {};
}

std::optional<std::string> LMailBoxNames::Clean(std::string_view typed) {
  constexpr std::string_view kDropped = "<>\"*./:\\|";
  std::string name;
  for (char c : typed) {
    bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    if (!control && kDropped.find(c) == std::string_view::npos) name += c;
  }
  if (name.empty()) return std::nullopt;
  return name;
}
