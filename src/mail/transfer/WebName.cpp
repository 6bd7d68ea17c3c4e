#include "mail/transfer/WebName.h"

#include <curl/curl.h>

#include "core/Path.h"

std::string WebName(std::string_view path) {
  const std::string fileName = PathFileName(path);
  std::string name = PathTitle(path);
  const std::string extension = fileName.substr(name.size());
  for (char& c : name) {
    if (c == ' ') c = '_';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name + extension;
}

std::string UrlPathPart(std::string_view text) {
  char* escaped = curl_easy_escape(nullptr, text.data(), static_cast<int>(text.size()));
  std::string part = escaped ? escaped : "";
  curl_free(escaped);
  return part;
}
