#pragma once

#include <string>

#include "mail/LFileSearch.h"

// Walks the message records of one mailbox ("<name> ICM*.ini", any case) in
// directory order. Records of another mailbox whose name starts with this
// one's name and " ICM" are not this mailbox's and are left out.
class LMailBoxMessageIterator {
 public:
  explicit LMailBoxMessageIterator(const std::string& mailBoxPath);

  bool IsValid() const { return search_.IsValid(); }
  // The full path of the current record; "" (with a trace line) when the
  // walk is over.
  std::string GetMailBoxMessage() const;
  void Next() { search_.Next(); }

 private:
  LFileSearch search_;
};
