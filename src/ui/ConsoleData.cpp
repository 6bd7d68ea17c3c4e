#include "ui/ConsoleData.h"

#include <filesystem>
#include <nlohmann/json.hpp>

#include "core/LOfficeHours.h"
#include "core/Profile.h"
#include "core/Utf8Text.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxIterator.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxMessageIterator.h"
#include "mail/LMailBoxNames.h"
#include "mail/delivery/DeliveryState.h"

namespace console_data {
namespace {

using nlohmann::json;

json MessageRow(const std::string& record) {
  const std::string_view section = LMailBoxMessage::kSection;
  json row = {
      {"id", LMailBox::MessageId(record)},
      {"file", std::filesystem::path(record).stem().string()},
      {"date", ProfileReadString(record, section, "date", "")},
      {"time", ProfileReadString(record, section, "time", "")},
      {"cid", ProfileReadString(record, section, "cid", "")},
      {"name", ProfileReadString(record, section, "callername", "")},
      {"read", ProfileReadBool(record, section, "read", false)},
  };
  const DeliveryState delivery = DeliveryState::Read(record);
  row["delivery"] = {
      {"email", ProfileReadBool(record, section, "sentemail", false)},
      {"ftp", ProfileReadBool(record, section, "sentftp", false)},
      {"folder", ProfileReadBool(record, section, "senttofolder", false)},
      {"lastError", delivery.lastError},
      {"lastErrorTime", static_cast<int64_t>(delivery.lastErrorTime)},
      {"nextRetry", static_cast<int64_t>(delivery.nextRetry)},
  };
  return row;
}

// Keys too: some objects are keyed by names from files.
json AsUtf8Strings(const json& value) {
  if (value.is_string()) return AsUtf8(value.get_ref<const std::string&>());
  if (value.is_array()) {
    json out = json::array();
    for (const json& item : value) out.push_back(AsUtf8Strings(item));
    return out;
  }
  if (!value.is_object()) return value;
  json out = json::object();
  for (const auto& [key, item] : value.items()) out[AsUtf8(key)] = AsUtf8Strings(item);
  return out;
}

int UnreadCount(const std::string& mailBoxPath) {
  int count = 0;
  for (LMailBoxMessageIterator walk(mailBoxPath); walk.IsValid(); walk.Next())
    count += ProfileReadBool(walk.GetMailBoxMessage(), LMailBoxMessage::kSection, "read", false) ? 0 : 1;
  return count;
}

}  // namespace

// Rare: only files written elsewhere hold text that is not UTF-8.
std::string Dump(const json& value) {
  try {
    return value.dump();
  } catch (const json::type_error&) {
    return AsUtf8Strings(value).dump();
  }
}

std::string StatusJson(const EngineStatus::Snapshot& status) {
  json lines = json::array();
  for (bool inCall : status.lineInCall) lines.push_back(inCall);
  json setUp = json::array();
  for (bool line : status.lineSetUp) setUp.push_back(line);
  return Dump({
      {"version", status.version},
      {"on", status.on},
      {"newMessages", status.newMessages},
      {"answerOgm", status.answerOgm},
      {"lines", lines},
      {"linesSetUp", setUp},
      {"callerId", status.callerId},
      {"loadNotice", status.loadNotice},
      {"loadNotices", status.loadNotices},
      {"loadStep", status.loadStep},
      {"loadFraction", status.loadFraction},
      {"noDevicesNotice", status.noDevicesNotice},
      {"diskNotice", status.diskNotice},
      {"messageChanges", status.messageChanges},
      {"lastMessage", std::filesystem::path(status.lastMessage).stem().string()},
      {"devices", status.deviceStates},
  });
}

std::string HoursJson(const std::string& settingsFile, std::time_t now) {
  const std::optional<LOfficeHours::Rule> rule = LOfficeHours::InEffect(settingsFile, now);
  if (!rule) return "null";
  return Dump({{"open", rule->open}, {"mode", rule->mode}, {"ogm", rule->ogm}, {"rings", rule->extraRings}});
}

std::string ProgressJson(const EngineStatus::Snapshot& status) {
  return Dump({
      {"title", status.progressTitle},
      {"step", status.progressStep},
      {"fraction", status.progressFraction},
  });
}

std::string MailBoxesJson(const DataFolders& folders) {
  json names = json::array();
  json unread = json::object();
  for (LMailBoxIterator walk(folders.MailBoxes()); walk.IsValid(); walk.Next()) {
    const std::string name = LMailBox::MailBoxName(walk.GetMailBox());
    names.push_back(name);
    if (const int count = UnreadCount(walk.GetMailBox())) unread[name] = count;
  }
  return Dump({
      {"selected", ProfileReadString(folders.SettingsFile(), "settings", "mbx", "Default")},
      {"mailboxes", names},
      {"unread", unread},
      {"proposal", LMailBoxNames::Propose(folders.MailBoxes())},
  });
}

bool WriteMessagesJson(const std::string& mailBoxPath, const std::function<bool(std::string_view)>& out) {
  constexpr std::size_t kPieceBytes = 64 * 1024;
  std::string piece = "{\"mailbox\":" + Dump(LMailBox::MailBoxName(mailBoxPath)) + ",\"messages\":[";
  std::string_view comma;
  for (LMailBoxMessageIterator walk(mailBoxPath); walk.IsValid(); walk.Next()) {
    piece += comma;
    piece += Dump(MessageRow(walk.GetMailBoxMessage()));
    comma = ",";
    if (piece.size() < kPieceBytes) continue;
    if (!out(piece)) return false;
    piece.clear();
  }
  return out(piece + "]}");
}

std::string MessageEventJson(const std::string& record) {
  std::error_code error;
  const bool exists = std::filesystem::is_regular_file(record, error);
  return Dump({{"mailbox", LMailBox::MailBoxNameOfMessage(record)},
               {"id", LMailBox::MessageId(record)},
               {"row", exists ? MessageRow(record) : json(nullptr)}});
}

}  // namespace console_data
