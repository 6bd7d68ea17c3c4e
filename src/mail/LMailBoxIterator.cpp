#include "mail/LMailBoxIterator.h"

#include "core/Trace.h"
#include "mail/LMailBox.h"

LMailBoxIterator::LMailBoxIterator(std::string folder)
    : search_(std::move(folder), [](std::string_view name) {
        // ".mbx" alone would be a mailbox without a name.
        return name.size() > LMailBox::kExtension.size() &&
               MatchesWildcard(name, "", LMailBox::kExtension);
      }) {}

std::string LMailBoxIterator::GetMailBox() const {
  if (!IsValid()) {
    Trace("LMailBoxIterator::GetMailBox called when not valid");
    return {};
  }
  return search_.Path();
}
