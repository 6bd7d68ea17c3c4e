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
