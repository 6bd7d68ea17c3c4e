#pragma once

#include <string_view>
#include <vector>

// The pieces in which a message body goes out in the SMTP data phase: cut
// after every "\r\n.", with that "." starting the next piece again, so every
// line beginning with "." is sent as ".." (a "." at the very start of the
// body is left alone). The pieces are views into `body`.
class DotStuffing {
 public:
  static std::vector<std::string_view> Pieces(std::string_view body);
};
