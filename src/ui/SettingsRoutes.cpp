// The settings pages' plain keys, the e-mail text, the lines of the Devices
// page and the closing of the settings, which rebuilds the lines when they
// changed.
#include <nlohmann/json.hpp>

#include "core/FileIo.h"
#include "core/MainMessages.h"
#include "core/Profile.h"
#include "mail/delivery/MessageTemplate.h"
#include "telephony/sip/SipDeviceSettings.h"
#include "ui/ConsoleServerState.h"
#include "ui/SettingsChange.h"
#include "ui/SettingsFields.h"
#include "ui/SettingsLines.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

json LinesAnswer(const std::string& file) {
  json answer = settings_lines::LinesJson(file);
  json devices = json::array();
  for (const SipDeviceSettings& device : SipDeviceSettings::ReadAll(file)) devices.push_back(device.name);
  answer["devices"] = devices;
  answer["restart"] = ProfileReadBool(file, "state", "restart", false);
  return answer;
}

void GetPage(ConsoleServer::State& state, const Request& request, Response& response) {
  const SettingsPage* page = FindSettingsPage(request.get_param_value("name"));
  if (!page) return Refuse(response, 404, "no such settings page");
  Answer(response, {{"values", ReadSettingsPage(state.host.folders.SettingsFile(), *page)}});
}

void PostPage(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<json> body = SettingsBody(request, response);
  if (!body) return;
  const json name = body->value("page", json());
  const SettingsPage* page = name.is_string() ? FindSettingsPage(name.get<std::string>()) : nullptr;
  if (!page) return Refuse(response, 404, "no such settings page");
  std::vector<SettingsWrite> writes;
  if (std::optional<SettingsRefusal> refusal = CheckSettingsPage(*page, body->value("values", json()), writes))
    return RefuseField(response, 400, *refusal);
  const std::string file = state.host.folders.SettingsFile();
  ChangeSettings(state, response, [file, page, writes] {
    bool ok = WriteSettingsPage(file, *page, writes);
    if (page->restart) ok = ProfileWriteBool(file, "state", "restart", true) && ok;
    if (!ok) return SettingsOutcome::Refused(500, {"The settings file could not be written.", ""});
    return SettingsOutcome{200, {{"values", ReadSettingsPage(file, *page)}}};
  });
  if (page->wakesDelivery && response.status == 200) state.host.send(LMessage{WM_WAKEBGTASK, 0, 0, ""});
}

// Room for the text with every character escaped in JSON.
constexpr size_t kMaxTemplateBody = 8 * kMaxEmailTemplate;

// Lines of text: tabs and line ends are the only control characters.
bool TemplateText(const std::string& text) {
  if (text.size() > kMaxEmailTemplate) return false;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) return false;
  return true;
}

void GetTemplate(ConsoleServer::State& state, Response& response) {
  const std::string path = EmailTemplatePath(state.host.folders);
  Answer(response, {{"text", ReadFileText(path, kMaxEmailTemplate).value_or("")}});
}

// The file is rewritten only when its text changed.
void PostTemplate(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<json> body = SettingsBody(request, response);
  if (!body) return;
  const json text = body->value("text", json());
  if (!text.is_string() || !TemplateText(text.get<std::string>()))
    return RefuseField(response, 400, {"Use at most 64 KB of plain text.", "text"});
  ChangeSettings(state, response, [path = EmailTemplatePath(state.host.folders), text = text.get<std::string>()] {
    if (ReadFileText(path, kMaxEmailTemplate + 1).value_or("") != text && !ReplaceFileText(path, text))
      return SettingsOutcome::Refused(500, {"The e-mail text could not be written.", ""});
    return SettingsOutcome{200, {{"text", text}}};
  });
}

// Adding (no section) takes the first free section; the properties are
// checked against the devices there are now.
void SaveLine(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<json> body = SettingsBody(request, response);
  if (!body) return;
  const std::string file = state.host.folders.SettingsFile();
  ChangeSettings(state, response, [file, body = *body] {
    std::optional<int> section = SectionMember(body);
    if (!section) section = settings_lines::FirstFreeLine(file);
    if (!section) return SettingsOutcome::Refused(409, {"All 64 lines are in use.", ""});
    if (*section < 0 || *section >= settings_lines::kMaxLines)
      return SettingsOutcome::Refused(400, {"no such line", ""});
    settings_lines::LineProperties line;
    const int devices = static_cast<int>(SipDeviceSettings::ReadAll(file).size());
    if (std::optional<SettingsRefusal> refusal = settings_lines::CheckLine(body, devices, line))
      return SettingsOutcome::Refused(400, *refusal);
    if (!settings_lines::WriteLine(file, *section, line))
      return SettingsOutcome::Refused(500, {"The settings file could not be written.", ""});
    return SettingsOutcome{200, LinesAnswer(file)};
  });
}

void RemoveLine(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<json> body = SettingsBody(request, response);
  if (!body) return;
  const std::optional<int> section = SectionMember(*body);
  if (!section || *section < 0 || *section >= settings_lines::kMaxLines) return Refuse(response, 400, "no such line");
  const std::string file = state.host.folders.SettingsFile();
  ChangeSettings(state, response, [file, section = *section] {
    if (!ProfileReadBool(file, settings_lines::LineSection(section), "use", false))
      return SettingsOutcome::Refused(404, {"no such line", ""});
    if (!settings_lines::RemoveLine(file, section))
      return SettingsOutcome::Refused(500, {"The settings file could not be written.", ""});
    return SettingsOutcome{200, LinesAnswer(file)};
  });
}

void Close(ConsoleServer::State& state, Response& response) {
  const std::optional<int64_t> result = state.host.send(LMessage{WM_SETTINGSCLOSED, 0, 0, ""});
  if (!result) return Refuse(response, 503, "the engine did not answer");
  Answer(response, {{"rebuild", *result == 1}});
}

}  // namespace

void AddSettingsRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Get("/api/settings/page", [&state](const Request& q, Response& r) { GetPage(state, q, r); });
  http.Post("/api/settings/page", [&state](const Request& q, Response& r) { PostPage(state, q, r); });
  state.bodyLimits["/api/settings/emailtemplate"] = kMaxTemplateBody;
  http.Get("/api/settings/emailtemplate", [&state](const Request&, Response& r) { GetTemplate(state, r); });
  http.Post("/api/settings/emailtemplate", [&state](const Request& q, Response& r) { PostTemplate(state, q, r); });
  http.Get("/api/settings/lines", [&state](const Request&, Response& r) {
    Answer(r, LinesAnswer(state.host.folders.SettingsFile()));
  });
  http.Post("/api/settings/lines/save", [&state](const Request& q, Response& r) { SaveLine(state, q, r); });
  http.Post("/api/settings/lines/remove", [&state](const Request& q, Response& r) { RemoveLine(state, q, r); });
  http.Post("/api/settings/close", [&state](const Request&, Response& r) { Close(state, r); });
  AddSettingsDeviceRoutes(state);
  AddConsoleAccessRoutes(state);
}

}  // namespace console_server
