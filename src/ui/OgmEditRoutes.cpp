// The OGM editor: every key of one OGM with its value or default and the
// choices its fields offer, and the save that checks all of it before the
// definition is replaced in one write on the main loop.
#include <nlohmann/json.hpp>

#include "audio/TtsVoices.h"
#include "callengine/LOGMDefinition.h"
#include "callengine/OGMKeys.h"
#include "core/FileIo.h"
#include "core/IniStore.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "ivrfile/IvrFolderFiles.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxIterator.h"
#include "mail/MailFiles.h"
#include "ui/ConsoleServerState.h"
#include "ui/OgmEditCheck.h"
#include "ui/OgmEditValues.h"
#include "ui/OgmRequest.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

// The text may be as long as a call speaks; JSON escapes may make the
// body a few times longer, and the values come beside it.
constexpr size_t kMaxTextBytes = LOGMDefinition::kMaxSpokenText;
constexpr size_t kMaxEditBodyBytes = 8 * kMaxTextBytes + 256 * 1024;

OgmEditFields FieldsFor(const DataFolders& folders, const std::string& ogmName) {
  return OgmEditFields({ogmName, ProfileReadDuration(folders.SettingsFile(), "settings", "maxrectime", 30000),
                        TTSGetNumSpeakers()});
}

json Choices(const DataFolders& folders) {
  json mailboxes = json::array();
  for (LMailBoxIterator walk(folders.MailBoxes()); walk.IsValid(); walk.Next())
    mailboxes.push_back(LMailBox::MailBoxName(walk.GetMailBox()));
  json voices = json::array();
  for (int i = 0; i < TTSGetNumSpeakers(); ++i) voices.push_back(TTSGetDictSpeakerName(i));
  json actions = json::array();
  for (const OGMActionWord& row : OGMActionWords())
    actions.push_back({{"word", row.word}, {"label", row.label}, {"chained", row.chained}});
  json sounds = json::array();
  for (const std::string& title : FolderTitles(folders.Sounds(), ".wav"))
    sounds.push_back(PathJoinExt(folders.Sounds(), title, ".wav"));
  return {{"ogms", FolderTitles(folders.Ogms(), ".ini")},
          {"sounds", sounds},
          {"mailboxes", mailboxes},
          {"voices", voices},
          {"actions", actions},
          {"prefixes", OgmEditFields::Prefixes()}};
}

void GetEdit(ConsoleServer::State& state, const Request& request, Response& response) {
  const DataFolders& folders = state.host.folders;
  const std::optional<OgmRequest> ogm = OgmRequest::Of(folders, request.get_param_value("name"), response);
  if (!ogm) return;
  json values = json::object();
  const OgmEditFields fields = FieldsFor(folders, ogm->name);
  for (const OgmEditFields::Field& field : fields.All())
    values[field.section][field.key] = ogm_edit_values::Read(field, ogm->ini);
  Answer(response, {{"name", ogm->name},
                    {"exists", ogm->exists},
                    {"audio", ExistsIgnoringCase(ogm->wav)},
                    {"values", values},
                    {"text", ReadFileText(ogm->txt, kMaxTextBytes).value_or("")},
                    {"choices", Choices(folders)}});
}

void RefuseProblem(Response& response, const OgmEditCheck::Problem& problem) {
  response.status = 400;
  Answer(response, {{"error", problem.error}, {"field", problem.field}});
}

// The whole definition in one update: the keys sent replace theirs, the
// programs after the count go, and keys the editor does not know stay.
bool Write(const std::string& ini, const std::vector<OgmEditCheck::Edit>& edits, int programs) {
  return IniUpdate(ini, [&](IniFile& file) {
    for (const OgmEditCheck::Edit& edit : edits)
      if (!file.Set(edit.section, edit.key, edit.value)) return false;
    for (int n = programs + 1; n <= OgmEditFields::kMaxPrograms; ++n)
      file.DeleteKey(ogm_keys::kIvr, std::string(ogm_keys::kRunPrefix) + std::to_string(n));
    return true;
  });
}

void PostEdit(ConsoleServer::State& state, const Request& request, Response& response) {
  const json body = json::parse(request.body, nullptr, false);
  if (!body.is_object() || !body.contains("name") || !body["name"].is_string() || !body.contains("values"))
    return Refuse(response, 400, "expected {\"name\", \"values\", \"text\"}");
  const DataFolders& folders = state.host.folders;
  const std::optional<OgmRequest> ogm = OgmRequest::Of(folders, body["name"].get<std::string>(), response);
  if (!ogm) return;
  const json text = body.value("text", json(nullptr));
  if (!text.is_null() && !text.is_string()) return RefuseProblem(response, {"text", "expected text"});
  if (text.is_string() && text.get_ref<const std::string&>().size() > kMaxTextBytes)
    return RefuseProblem(response, {"text", "the text is longer than a call speaks"});

  const OgmEditFields fields = FieldsFor(folders, ogm->name);
  const std::string ogmFolder = folders.Ogms();
  OgmEditCheck check(
      fields,
      [&](std::string_view name) {
        if (EqualIgnoringCase(name, ogm->name)) return true;
        for (const std::string& title : FolderTitles(ogmFolder, ".ini"))
          if (EqualIgnoringCase(title, name)) return true;
        return false;
      },
      [&](std::string_view name) {
        const std::string path = LMailBox::MailBoxPath(folders.MailBoxes(), name);
        return !path.empty() && ExistsIgnoringCase(path);
      });
  if (std::optional<OgmEditCheck::Problem> problem = check.Check(body["values"]))
    return RefuseProblem(response, *problem);

  auto written = std::make_shared<bool>(false);
  if (!RunOnMain(state, response,
                 [ini = ogm->ini, txt = ogm->txt, edits = check.Edits(), programs = check.ProgramCount(),
                  text = text.is_string() ? std::optional<std::string>(text.get<std::string>()) : std::nullopt,
                  settings = folders.SettingsFile(), written] {
                   if (text && !ReplaceFileText(txt, *text)) return;
                   if (!Write(ini, edits, programs)) return;
                   *written = ProfileWriteString(settings, "settings", "ivrmodified", "true");
                 }))
    return;
  if (!*written) return Refuse(response, 500, "the OGM could not be written");
  Answer(response, {{"name", ogm->name}});
}

}  // namespace

void AddOgmEditRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Get("/api/ogm/edit", [&state](const Request& q, Response& r) { GetEdit(state, q, r); });
  http.Post("/api/ogm/edit", [&state](const Request& q, Response& r) { PostEdit(state, q, r); });
  state.bodyLimits["/api/ogm/edit"] = kMaxEditBodyBytes;
  AddOgmAudioRoutes(state);
}

}  // namespace console_server
