#include "mail/LMailBoxMessageIterator.h"

#include "core/Path.h"
#include "core/TextCompare.h"
#include "core/Trace.h"
#include "mail/LMailBox.h"

LMailBoxMessageIterator::LMailBoxMessageIterator(const std::string& mailBoxPath)
    : search_(PathFolder(mailBoxPath),
              [name = LMailBox::MailBoxName(mailBoxPath)](std::string_view file) {
                return MatchesWildcard(file, name + std::string(LMailBox::kMessageMark), ".ini") &&
                       EqualIgnoringCase(LMailBox::MailBoxNameOfMessage(file), name);
              }) {}

std::string LMailBoxMessageIterator::GetMailBoxMessage() const {
  if (!IsValid()) {
    Trace("LMailBoxMessageIterator::GetMailBoxMessage called when not valid");
    return {};
  }
  return search_.Path();
}
