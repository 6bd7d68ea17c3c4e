#include "ui/ProgramRequest.h"

#include <nlohmann/json.hpp>

#include "core/IniFile.h"
#include "ivrfile/IvrFormat.h"
#include "ui/ConsoleName.h"
#include "ui/ProgramFolder.h"

namespace console_request {
namespace {

using nlohmann::json;

bool ReadBool(const json& body, const char* key, bool& out, std::string& problem) {
  const auto found = body.find(key);
  if (found == body.end()) return true;
  if (!found->is_boolean()) {
    problem = std::string("\"") + key + "\" must be true or false";
    return false;
  }
  out = found->get<bool>();
  return true;
}

bool ReadNames(const json& body, const char* key, std::vector<std::string>& out, std::string& problem) {
  const auto found = body.find(key);
  if (found == body.end()) return true;
  if (!found->is_array() || found->size() > kIvrMaxListCount) {
    problem = std::string("\"") + key + "\" must be a list of names";
    return false;
  }
  out.clear();
  for (const json& item : *found) {
    if (!item.is_string()) {
      problem = std::string("\"") + key + "\" must be a list of names";
      return false;
    }
    const std::string name = item.get<std::string>();
    if (std::string why = RequestNameProblem(name); !why.empty()) {
      problem = "the name \"" + name + "\" in \"" + key + "\" " + why;
      return false;
    }
    out.push_back(name);
  }
  return true;
}

bool ReadSettings(const json& body, std::vector<IvrSaveDescription::Setting>& out, std::string& problem) {
  const auto found = body.find("settings");
  if (found == body.end()) return true;
  problem = "\"settings\" must be a list of {\"section\", \"key\", \"value\"} that can be stored";
  if (!found->is_array() || found->size() > kIvrMaxListCount) return false;
  out.clear();
  for (const json& item : *found) {
    if (!item.is_object()) return false;
    const json section = item.value("section", json()), key = item.value("key", json()),
               value = item.value("value", json());
    if (!section.is_string() || !key.is_string() || !value.is_string()) return false;
    IvrSaveDescription::Setting setting{section.get<std::string>(), key.get<std::string>(), value.get<std::string>()};
    if (!IniFile::ValidSectionName(setting.section) || !IniFile::ValidKeyName(setting.key)) return false;
    out.push_back(std::move(setting));
  }
  problem.clear();
  return true;
}

}  // namespace

std::optional<SaveRequest> ParseSaveRequest(std::string_view text, IvrSaveDescription defaults,
                                            std::string& problem) {
  const json body = json::parse(text, nullptr, false);
  if (!body.is_object() || !body.contains("name") || !body["name"].is_string()) {
    problem = "the save needs {\"name\": \"FILE.ivr\", ...}";
    return std::nullopt;
  }
  SaveRequest request{body["name"].get<std::string>(), std::move(defaults)};
  if (std::string why = program_folder::NameProblem(request.name); !why.empty()) {
    problem = "the file name " + why;
    return std::nullopt;
  }
  IvrSaveDescription& d = request.description;
  const bool read = ReadNames(body, "ogms", d.ogms, problem) && ReadBool(body, "ogmDelete", d.ogmDelete, problem) &&
                    ReadNames(body, "mailboxes", d.mailBoxes, problem) &&
                    ReadBool(body, "mailboxDelete", d.mailBoxDelete, problem) &&
                    ReadBool(body, "mailboxGreetings", d.mailBoxGreetings, problem) &&
                    ReadNames(body, "prompts", d.prompts, problem) &&
                    ReadNames(body, "programs", d.programs, problem) && ReadSettings(body, d.settings, problem) &&
                    ReadBool(body, "notes", d.notes, problem) && ReadBool(body, "notesPopup", d.notesPopup, problem);
  if (!read) return std::nullopt;
  return request;
}

}  // namespace console_request
