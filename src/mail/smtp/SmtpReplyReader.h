#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Assembles one SMTP reply from received bytes. Lines are cut at 254
// characters; a line whose fourth character is "-" continues the reply, any
// other line ends it and gives the reply code (the number it starts with).
// Memory stays bounded whatever the server sends: only the first lines are
// kept for the transcript and the reply as a whole has a byte limit.
class SmtpReplyReader {
 public:
  static constexpr size_t kMaxLine = 254;
  static constexpr size_t kMaxKeptLines = 64;
  static constexpr size_t kMaxReplyBytes = 65536;

  // Takes bytes until the reply is complete; bytes after its last line are
  // not used. Returns how many bytes were taken.
  size_t Feed(std::string_view bytes);

  bool Done() const { return done_; }
  // True when the reply grew past kMaxReplyBytes without ending.
  bool TooLong() const { return total_ > kMaxReplyBytes; }
  // The code of the last line; 0 while not done or when it holds no number.
  int Code() const { return code_; }
  // The lines seen (without line end), at most kMaxKeptLines of them.
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  void EndLine();

  std::string line_;
  std::vector<std::string> lines_;
  size_t total_ = 0;
  int code_ = 0;
  bool done_ = false;
};
