// The system prompts for the settings' System Prompts page: the list, and
// the widget's commands on one prompt, whose name must be that of a prompt
// file (in any case). Restore copies the prompt's factory file over it.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>

#include "core/CaseInsensitivePath.h"
#include "core/Path.h"
#include "core/TempFile.h"
#include "core/TextCompare.h"
#include "ui/AudioTargetRoutes.h"
#include "ui/ConsoleName.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

// The ".wav" file of `name` (any case) in `folder`; "" when there is none.
std::string PromptFile(const std::string& folder, const std::string& name) {
  const std::string file = ResolveCaseInsensitive(PathJoinExt(folder, name, ".wav"));
  std::error_code error;
  // A path cut at its length limit would name another file.
  if (!EqualIgnoringCase(PathTitle(file), name) || !std::filesystem::is_regular_file(file, error)) return "";
  return file;
}

std::optional<AudioTarget> Prompt(const DataFolders& folders, const std::string& name, Response& response) {
  const std::string problem = name.empty() ? "is empty" : RequestNameProblem(name);
  if (!problem.empty()) {
    Refuse(response, 400, "the prompt name " + problem);
    return std::nullopt;
  }
  const std::string file = PromptFile(folders.SystemPrompts(), name);
  if (file.empty()) {
    Refuse(response, 404, "no such system prompt");
    return std::nullopt;
  }
  return AudioTarget{file, file, "", ""};
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const auto lower = [](unsigned char c) { return std::tolower(c); };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return lower(x) < lower(y); });
}

bool IsWave(const std::filesystem::directory_entry& entry) {
  std::error_code error;
  return entry.is_regular_file(error) && EqualIgnoringCase(entry.path().extension().string(), ".wav");
}

void GetPrompts(ConsoleServer::State& state, Response& response) {
  const DataFolders& folders = state.host.folders;
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folders.SystemPrompts(), error))
    if (IsWave(entry)) names.push_back(PathTitle(entry.path().string()));
  std::sort(names.begin(), names.end(), LessIgnoringCase);
  nlohmann::json prompts = nlohmann::json::array();
  for (const std::string& name : names)
    prompts.push_back({{"name", name}, {"factory", !PromptFile(folders.DefaultSystemPrompts(), name).empty()}});
  Answer(response, {{"prompts", prompts}});
}

// The factory file is copied to a temporary file first, so the prompt is
// replaced in one step on the main loop.
void PostRestore(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<AudioTarget> prompt = Prompt(state.host.folders, request.get_param_value("name"), response);
  if (!prompt) return;
  const std::string factory = PromptFile(state.host.folders.DefaultSystemPrompts(), PathTitle(prompt->file));
  if (factory.empty()) return Refuse(response, 404, "the prompt has no factory copy");
  auto copy = std::make_shared<TempFile>();
  const bool made = copy->Valid();
  copy->Close();
  std::error_code error;
  if (made) std::filesystem::copy_file(factory, copy->Path(), std::filesystem::copy_options::overwrite_existing, error);
  if (!made || error) return Refuse(response, 500, "the factory copy could not be read");
  auto moved = std::make_shared<bool>(false);
  // An import of the prompt may still wait for levelling, which would
  // change the factory audio.
  const auto restore = [copy, file = prompt->file, moved, unlevel = state.host.unlevel] {
    *moved = copy->MoveOver(file);
    if (*moved && unlevel) unlevel(file);
  };
  if (!RunOnMain(state, response, restore)) return;
  if (!*moved) return Refuse(response, 500, "the prompt could not be restored");
  Answer(response, {{"audio", true}});
}

}  // namespace

void AddPromptRoutes(ConsoleServer::State& state) {
  AddAudioTargetRoutes(state, "/api/prompt/audio", Prompt);
  state.http.Get("/api/prompts", [&state](const Request&, Response& r) { GetPrompts(state, r); });
  state.http.Post("/api/prompt/restore", [&state](const Request& q, Response& r) { PostRestore(state, q, r); });
}

}  // namespace console_server
