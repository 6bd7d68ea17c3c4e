#pragma once

#include <string>

// Names for new and renamed mailboxes, as the console offers and takes them.
class LMailBoxNames {
 public:
  static constexpr int kMaxProposals = 299;

  // "Mailbox <n>" for the first n from 1 whose mailbox file does not exist
  // in `folder`; "" when the first 299 are all taken.
  static std::string Propose(const std::string& folder);
};
