#include "ui/SettingsChange.h"

#include <memory>

namespace console_server {

std::optional<nlohmann::json> SettingsBody(const httplib::Request& request, httplib::Response& response) {
  nlohmann::json body = nlohmann::json::parse(request.body, nullptr, false);
  if (body.is_object()) return body;
  Refuse(response, 400, "expected a JSON object");
  return std::nullopt;
}

void RefuseField(httplib::Response& response, int status, const SettingsRefusal& refusal) {
  response.status = status;
  Answer(response, SettingsOutcome::Refused(status, refusal).body);
}

void ChangeSettings(ConsoleServer::State& state, httplib::Response& response,
                    std::function<SettingsOutcome()> change) {
  auto outcome = std::make_shared<SettingsOutcome>();
  if (!RunOnMain(state, response, [change = std::move(change), outcome] { *outcome = change(); })) return;
  response.status = outcome->status;
  Answer(response, outcome->body);
}

std::optional<int> SectionMember(const nlohmann::json& body) {
  const auto found = body.find("section");
  if (found == body.end() || found->is_null()) return std::nullopt;
  if (!found->is_number_integer() || found->get<int64_t>() < 0 || found->get<int64_t>() > 1000) return -1;
  return found->get<int>();
}

}  // namespace console_server
