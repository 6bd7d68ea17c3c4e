#include "mail/smtp/DotStuffing.h"

std::vector<std::string_view> DotStuffing::Pieces(std::string_view body) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  for (size_t found = body.find("\r\n.", start); found != std::string_view::npos;
       found = body.find("\r\n.", start)) {
    pieces.push_back(body.substr(start, found + 3 - start));
    start = found + 2;  // the "." again
  }
  pieces.push_back(body.substr(start));
  return pieces;
}
