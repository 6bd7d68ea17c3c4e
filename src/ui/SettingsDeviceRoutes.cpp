// The SIP devices with their registration state, the sound cards the play
// and announcement devices are chosen from, the delivery format and the
// audio format of saved IVR program files.
#include <nlohmann/json.hpp>

#include "audio/LSupportedFormats.h"
#include "audio/LWaveFileFormat.h"
#include "core/CaseInsensitivePath.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "ivrfile/LIVRSave.h"
#include "telephony/wave/LWaveDevices.h"
#include "ui/ConsoleServerState.h"
#include "ui/SettingsChange.h"
#include "ui/SettingsSipDevices.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

constexpr const char* kWriteFailed = "The settings file could not be written.";

void SaveDevice(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<json> body = SettingsBody(request, response);
  if (!body) return;
  const std::string file = state.host.folders.SettingsFile();
  ChangeSettings(state, response, [file, body = *body, states = state.host.status.Get().deviceStates] {
    std::optional<int> section = SectionMember(body);
    const bool adding = !section;
    if (adding) section = settings_sip::NextDeviceSection(file);
    if (!section) return SettingsOutcome::Refused(409, {"No more SIP devices can be added.", ""});
    if (!adding && !settings_sip::DeviceExists(file, *section))
      return SettingsOutcome::Refused(404, {"no such SIP device", ""});
    settings_sip::DeviceValues values;
    if (std::optional<SettingsRefusal> refusal = settings_sip::CheckDevice(body, !adding, values))
      return SettingsOutcome::Refused(400, *refusal);
    if (!settings_sip::WriteDevice(file, *section, values)) return SettingsOutcome::Refused(500, {kWriteFailed, ""});
    return SettingsOutcome{200, settings_sip::DevicesJson(file, states)};
  });
}

void RemoveDevice(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<json> body = SettingsBody(request, response);
  if (!body) return;
  const std::optional<int> section = SectionMember(*body);
  if (!section || *section < 0) return Refuse(response, 400, "no such SIP device");
  const std::string file = state.host.folders.SettingsFile();
  ChangeSettings(state, response, [file, section = *section, states = state.host.status.Get().deviceStates] {
    if (std::optional<SettingsRefusal> refusal = settings_sip::RemoveDevice(file, section))
      return SettingsOutcome::Refused(409, *refusal);
    return SettingsOutcome{200, settings_sip::DevicesJson(file, states)};
  });
}

// A format file the console chooses: the delivery format beside the
// settings, or the audio format of saved IVR program files, with the PCM
// width each is read as when absent.
struct FormatFile {
  std::string path;
  int bits;
};

FormatFile FormatFileOf(const ConsoleServer::State& state, const std::string& of) {
  const DataFolders& folders = state.host.folders;
  if (of == "program") return {ResolveCaseInsensitive(PathJoin(folders.Root(), LIVRSave::kSaveFormatFile)), 16};
  return {PathReplaceExtension(folders.SettingsFile(), ".wff"), 8};
}

// The choices and the one the format file holds now (-1 for none of them).
json FormatsAnswer(const FormatFile& wff) {
  LWaveFileFormat current(wff.bits);
  current.ReadWff(wff.path);
  json formats = json::array();
  int selected = -1;
  for (const LSupportedFormat& f : LSupportedFormats::All()) {
    if (f.tag == current.Tag() && f.rate == current.SamplesPerSec() && f.channels == current.Channels() &&
        (f.bits == 0 || f.bits == current.BitsPerSample()) && selected < 0)
      selected = static_cast<int>(formats.size());
    formats.push_back({{"tag", f.tag}, {"rate", f.rate}, {"channels", f.channels}, {"bits", f.bits}, {"name", std::string(f.name)}});
  }
  return {{"title", "Select Wave File Format"}, {"formats", formats}, {"selected", selected}};
}

void SaveFormat(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<json> body = SettingsBody(request, response);
  if (!body) return;
  const json choice = body->value("format", json());
  const LSupportedFormat* format = nullptr;
  if (choice.is_number_integer() && choice.get<int64_t>() >= 0 &&
      choice.get<uint64_t>() < LSupportedFormats::All().size())
    format = &LSupportedFormats::All()[choice.get<size_t>()];
  LWaveFileFormat descriptor;
  if (!format || !LSupportedFormats::Fill(*format, descriptor))
    return RefuseField(response, 400, {"Choose one of the offered formats.", "format"});
  const json of = body->value("of", json());
  const FormatFile wff = FormatFileOf(state, of.is_string() ? of.get<std::string>() : "");
  ChangeSettings(state, response, [wff, descriptor] {
    if (!descriptor.WriteWff(wff.path)) return SettingsOutcome::Refused(500, {"The format file could not be written.", ""});
    return SettingsOutcome{200, FormatsAnswer(wff)};
  });
}

}  // namespace

void AddSettingsDeviceRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Get("/api/settings/sip", [&state](const Request&, Response& r) {
    Answer(r, settings_sip::DevicesJson(state.host.folders.SettingsFile(), state.host.status.Get().deviceStates));
  });
  http.Post("/api/settings/sip/save", [&state](const Request& q, Response& r) { SaveDevice(state, q, r); });
  http.Post("/api/settings/sip/remove", [&state](const Request& q, Response& r) { RemoveDevice(state, q, r); });
  http.Get("/api/settings/sounds", [](const Request&, Response& r) {
    Answer(r, {{"outputs", LWaveDevices::OutputNames()}});
  });
  http.Get("/api/settings/format", [&state](const Request& q, Response& r) {
    Answer(r, FormatsAnswer(FormatFileOf(state, q.get_param_value("of"))));
  });
  http.Post("/api/settings/format", [&state](const Request& q, Response& r) { SaveFormat(state, q, r); });
}

}  // namespace console_server
