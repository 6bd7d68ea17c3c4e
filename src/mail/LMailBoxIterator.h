#pragma once

#include <string>

#include "mail/LFileSearch.h"

// Walks the mailbox files ("*.mbx", any case) of the mailbox folder in
// directory order.
class LMailBoxIterator {
 public:
  explicit LMailBoxIterator(std::string folder);

  bool IsValid() const { return search_.IsValid(); }
  // The full path of the current mailbox file; "" (with a trace line) when
  // the walk is over.
  std::string GetMailBox() const;
  void Next() { search_.Next(); }

 private:
  LFileSearch search_;
};
