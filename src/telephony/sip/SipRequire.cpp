#include "telephony/sip/SipRequire.h"

#include <re.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr size_t kMaxText = 255;

bool IsTokenChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || (c != '\0' && std::strchr("-.!%*_+`'~", c));
}

// One Require value may list several tags.
bool AddOptions(const struct sip_hdr* header, const struct sip_msg*, void* arg) {
  auto& options = *static_cast<std::vector<std::string>*>(arg);
  std::string_view value(header->val.p ? header->val.p : "", header->val.l);
  while (!value.empty()) {
    const size_t comma = value.find(',');
    std::string option;
    for (const char c : value.substr(0, comma))
      if (IsTokenChar(c)) option += c;
    if (!option.empty() && std::find(options.begin(), options.end(), option) == options.end())
      options.push_back(std::move(option));
    value.remove_prefix(comma == std::string_view::npos ? value.size() : comma + 1);
  }
  return false;
}

}  // namespace

std::string SipRequiredOptions(const struct sip_msg& msg) {
  std::vector<std::string> options;
  (void)sip_msg_hdr_apply(&msg, true, SIP_HDR_REQUIRE, AddOptions, &options);
  std::string joined;
  for (const std::string& option : options) {
    if (joined.size() + option.size() + 2 > kMaxText) break;
    joined += (joined.empty() ? "" : ", ") + option;
  }
  return joined;
}
