#include "mail/smtp/SmtpReplyReader.h"

namespace {

// The decimal number the line starts with (0 when none); kept small so a
// long run of digits cannot overflow.
int LeadingNumber(std::string_view line) {
  int value = 0;
  for (char c : line) {
    if (c < '0' || c > '9') break;
    if (value < 100000000) value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

size_t SmtpReplyReader::Feed(std::string_view bytes) {
  size_t used = 0;
  while (used < bytes.size() && !done_ && !TooLong()) {
    const char c = bytes[used++];
    ++total_;
    if (c == '\n') {
      EndLine();
    } else if (c != '\r' && line_.size() < kMaxLine) {
      line_.push_back(c);
    }
  }
  return used;
}

void SmtpReplyReader::EndLine() {
  if (lines_.size() < kMaxKeptLines) lines_.push_back(line_);
  if (line_.size() < 4 || line_[3] != '-') {
    done_ = true;
    code_ = LeadingNumber(line_);
  }
  line_.clear();
}
