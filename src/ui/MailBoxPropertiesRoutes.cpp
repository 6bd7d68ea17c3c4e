// The mailbox properties dialog: every key of a mailbox file, and the
// delivery format all mailboxes' messages are converted to. Read from the
// data folder; written on the engine's main loop in one update.
#include <memory>

#include "audio/LSupportedFormats.h"
#include "audio/LWaveFileFormat.h"
#include "core/Path.h"
#include "mail/LMailBox.h"
#include "mail/MailFiles.h"
#include "ui/ConsoleSelection.h"
#include "ui/MailBoxProperties.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

// Messages are mono: the format chooser offers mono formats only.
std::vector<LSupportedFormat> DeliveryChoices() {
  std::vector<LSupportedFormat> choices;
  for (const LSupportedFormat& format : LSupportedFormats::All())
    if (format.channels == 1) choices.push_back(format);
  return choices;
}

std::string FormatFile(const DataFolders& folders) {
  return PathReplaceExtension(folders.SettingsFile(), ".wff");
}

// The choices and the index of the stored one (-1 for one not offered); as
// the delivery task reads it, a missing file means 8-bit PCM.
json FormatsJson(const DataFolders& folders) {
  LWaveFileFormat stored(8);
  stored.ReadWff(FormatFile(folders));
  json list = json::array();
  int chosen = -1;
  for (const LSupportedFormat& format : DeliveryChoices()) {
    if (format.tag == stored.Tag() && format.rate == stored.SamplesPerSec() &&
        format.bits == stored.BitsPerSample() && chosen < 0)
      chosen = static_cast<int>(list.size());
    list.push_back({{"name", format.name}, {"tag", format.tag}, {"rate", format.rate}, {"bits", format.bits}});
  }
  return {{"formats", list}, {"format", chosen}};
}

json PropertiesJson(const DataFolders& folders, const std::string& path) {
  json out = FormatsJson(folders);
  out["mailbox"] = LMailBox::MailBoxName(path);
  out["properties"] = mailbox_properties::ToJson(LMailBoxSettings::Read(path));
  return out;
}

void Get(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string path = RequestedMailBox(state.host.folders, request.get_param_value("mailbox"), response);
  if (path.empty()) return;
  Answer(response, PropertiesJson(state.host.folders, path));
}

// The chosen format's descriptor; nothing when the request chose none.
std::optional<LWaveFileFormat> ChosenFormat(const json& body, bool& refused) {
  const auto given = body.find("format");
  refused = false;
  if (given == body.end() || given->is_null()) return std::nullopt;
  const std::vector<LSupportedFormat> choices = DeliveryChoices();
  LWaveFileFormat format;
  refused = !given->is_number_integer() || given->get<int64_t>() < 0 ||
            given->get<int64_t>() >= static_cast<int64_t>(choices.size()) ||
            !LSupportedFormats::Fill(choices[given->get<size_t>()], format);
  return refused ? std::nullopt : std::optional(format);
}

void Post(ConsoleServer::State& state, const Request& request, Response& response) {
  const json body = json::parse(request.body, nullptr, false);
  if (!body.is_object() || !body.contains("mailbox") || !body["mailbox"].is_string() ||
      !body.contains("properties"))
    return Refuse(response, 400, "expected {\"mailbox\", \"properties\"}");
  const DataFolders& folders = state.host.folders;
  const std::string path = RequestedMailBox(folders, body["mailbox"].get<std::string>(), response);
  if (path.empty()) return;
  bool badFormat = false;
  const std::optional<LWaveFileFormat> format = ChosenFormat(body, badFormat);
  if (badFormat) return RefuseField(response, 400, "format", "Choose one of the offered formats.");
  auto refusal = std::make_shared<std::optional<mailbox_properties::Refusal>>();
  auto written = std::make_shared<bool>(false);
  if (!RunOnMain(state, response,
                 [path, values = body["properties"], format, wff = FormatFile(folders), refusal, written] {
                   if (!ExistsIgnoringCase(path)) return;
                   LMailBoxSettings settings = LMailBoxSettings::Read(path);
                   *refusal = mailbox_properties::Apply(values, settings);
                   if (*refusal) return;
                   *written = settings.WriteChoices(path) && (!format || format->WriteWff(wff));
                 }))
    return;
  if (*refusal) return RefuseField(response, 400, (*refusal)->field, (*refusal)->error);
  if (!*written) return Refuse(response, 500, "the mailbox file could not be written");
  Answer(response, PropertiesJson(folders, path));
}

}  // namespace

void AddMailBoxPropertiesRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Get("/api/mailbox-properties", [&state](const Request& q, Response& r) { Get(state, q, r); });
  http.Post("/api/mailbox-properties", [&state](const Request& q, Response& r) { Post(state, q, r); });
}

}  // namespace console_server
