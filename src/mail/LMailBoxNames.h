#pragma once

#include <optional>
#include <string>
#include <string_view>

// Names for new and renamed mailboxes, as the console offers and takes them.
class LMailBoxNames {
 public:
  static constexpr int kMaxProposals = 299;

  // "Mailbox <n>" for the first n from 1 whose mailbox file does not exist
  // in `folder`; "" when the first 299 are all taken.
  static std::string Propose(const std::string& folder);

  // The typed name without the characters a file name cannot hold (< > " *
  // . / : \ | and control characters); nullopt when nothing is left.
  static std::optional<std::string> Clean(std::string_view typed);
};
