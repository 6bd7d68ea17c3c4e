// Reads arbitrary bytes as the parts of a console request our own code
// parses: a name accepted by the check holds no separator, "..", control
// character or decodable escape of one; a Content-Length taken is all
// digits; a save request taken names only checked names; cookies, hosts,
// origins and the JSON bodies (their text and list members too) are read
// without crashing; a mail host the E-mail page takes reads back as written;
// a Console access change taken has a port, an offered address, the same
// password twice, and a password wherever any machine may open the console.
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/Utf8Text.h"
#include "mail/smtp/MailHost.h"
#include "ui/ConsoleAccess.h"
#include "ui/ConsoleConfig.h"
#include "ui/ConsoleName.h"
#include "ui/ConsoleRequest.h"
#include "ui/ProgramFolder.h"
#include "ui/ProgramRequest.h"
#include "ui/SettingsFields.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool Plain(std::string_view name) {
  if (name.find("..") != std::string_view::npos) return false;
  for (unsigned char c : name) {
    if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (RequestNameProblem(text).empty()) {
    Require(!text.empty() && Plain(text));
    for (std::string decoded(text); decoded.find('%') != std::string::npos;) {
      const std::optional<std::string> next = PercentDecode(decoded);
      if (!next || *next == decoded) break;
      Require(Plain(*next));
      decoded = *next;
    }
  }
  // The first byte picks the header split; the rest is the header text.
  const size_t split = size ? data[0] % (size + 1) : 0;
  const std::string_view first = text.substr(0, split);
  const std::string_view second = text.substr(split);
  const std::string cookie = console_request::CookieValue(text, console_request::kSessionCookie);
  Require(cookie.find(';') == std::string::npos);
  console_request::HostAllowed(first, 8080, true);
  if (console_request::OriginAllowed(first, second, false)) Require(first.substr(7) == second);
  console_request::LoginPassword(text);
  console_request::AnsweringOn(text);
  console_request::StringField(text, "name");
  if (console_request::ContentLength(text)) Require(!text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos);
  std::string problem;
  if (const auto save = console_request::ParseSaveRequest(text, IvrSaveDescription(), problem)) {
    Require(program_folder::NameProblem(save->name).empty());
    for (const auto* list : {&save->description.ogms, &save->description.mailBoxes, &save->description.prompts,
                             &save->description.programs}) {
      for (const std::string& name : *list) Require(RequestNameProblem(name).empty());
    }
  } else {
    Require(!problem.empty());
  }
  const nlohmann::json values = nlohmann::json::parse(text, nullptr, false);
  std::vector<SettingsWrite> writes;
  if (!CheckSettingsPage(*FindSettingsPage("email"), values, writes) && values.contains("mailhost")) {
    const MailHost host = MailHost::Parse(values["mailhost"].get<std::string>());
    const MailHost again = MailHost::Parse(host.Address());
    Require(values["mailhost"] == "" ||
            (host.password.empty() && again.host == host.host && again.port == host.port && again.user.empty()));
  }
  for (const bool passwordSet : {false, true}) {
    console_access::Change change;
    if (console_access::Check(values, "192.0.2.1", passwordSet, change)) continue;
    Require(change.port >= 1 && change.port <= 65535);
    Require(change.address == "127.0.0.1" || change.address == "0.0.0.0" || change.address == "192.0.2.1");
    Require(change.password == values.value("again", ""));
    Require(!(change.remove && !change.password.empty()));
    Require(IsLoopbackAddress(change.address) || !change.password.empty() || (passwordSet && !change.remove));
    Require(!passwordSet || !change.ChangesPassword() || !change.current.empty());
  }
  // Text from files reaches the browser as UTF-8 whatever its bytes were,
  // and UTF-8 text unchanged.
  const std::string utf8 = AsUtf8(text);
  Require(!nlohmann::json(utf8).dump().empty() && AsUtf8(utf8) == utf8);
  bool wasUtf8 = true;
  try {
    (void)nlohmann::json(std::string(text)).dump();
  } catch (const nlohmann::json::type_error&) {
    wasUtf8 = false;
  }
  Require(wasUtf8 == (utf8 == text));
  console_request::StringField(text, "mailbox");
  if (const auto ids = console_request::TextListMember(text, "ids")) Require(ids->size() <= console_request::kMaxListed);
  return 0;
}
