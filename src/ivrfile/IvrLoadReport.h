#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The texts a load shows its user, in order. A quiet load (the delivery
// task's update) keeps the errors of single file records to itself; they
// still end the load.
class IvrLoadReport {
 public:
  explicit IvrLoadReport(bool quiet) : quiet_(quiet) {}

  void Show(std::string_view text) { messages_.emplace_back(text); }
  void ShowForRecord(std::string_view text) {
    if (!quiet_) Show(text);
  }
  bool Quiet() const { return quiet_; }
  const std::vector<std::string>& Messages() const { return messages_; }

 private:
  bool quiet_;
  std::vector<std::string> messages_;
};
