#include "mail/delivery/MessageTemplate.h"

#include "core/DataFolders.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "mail/LMailBoxMessage.h"

namespace {

constexpr std::size_t kRoom = 64;
constexpr std::size_t kMaxName = 259;
constexpr std::size_t kShortBody = 128;

void Append(std::string& out, std::string_view text, std::size_t limit) {
  out.append(text.substr(0, limit - std::min(limit, out.size())));
}

}  // namespace

std::string EmailTemplatePath(const DataFolders& folders) {
  return PathJoin(folders.Root(), "Email Template.txt");
}

std::string FillMessageTemplate(std::string_view text, const std::string& recordPath) {
  const std::size_t limit = text.size() + kRoom;
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('%', at);
    Append(out, text.substr(at, open - at), limit);
    if (open == std::string_view::npos) break;
    const std::size_t close = text.find('%', open + 1);
    const std::string_view name = text.substr(open + 1, close - open - 1).substr(0, kMaxName);
    Append(out, ProfileReadString(recordPath, LMailBoxMessage::kSection, name, ""), limit);
    at = close == std::string_view::npos ? text.size() : close + 1;
  }
  return out;
}

std::string EmailFooter(std::string_view body) {
  return body.size() < kShortBody ? "\r\n>> Sent by ZAV" : "\r\n>> Sent by the Zavotel";
}

std::string MailLineEnds(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}
