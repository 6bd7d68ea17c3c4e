#include "core/ServiceUnits.h"

#include <vector>

namespace {

constexpr const char* kUnitName = "zavotel.service";

// The command line shared by both files: the binary, the start option and
// the data folder the installer was told about.
std::optional<std::string> CommandFor(const ServicePlan& plan, const char* option) {
  std::string line;
  std::vector<std::string> arguments{plan.executable, option};
  if (!plan.dataOption.empty()) arguments.insert(arguments.end(), {"--data", plan.dataOption});
  for (const std::string& argument : arguments) {
    const std::optional<std::string> quoted = QuoteServiceArgument(argument);
    if (!quoted) return std::nullopt;
    line += (line.empty() ? "" : " ") + *quoted;
  }
  return line;
}

std::string UnitFolder(const ServicePlan& plan) {
  return plan.system ? "/etc/systemd/system" : plan.configHome + "/systemd/user";
}

}  // namespace

std::optional<std::string> QuoteServiceArgument(const std::string& argument) {
  bool quote = argument.empty();
  for (const char c : argument) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) return std::nullopt;
    switch (c) {
      case '"': case '\'': case '\\': case '$': case '%': case '`':
        return std::nullopt;
      case ' ': case '>': case '<': case '~': case '|': case '&': case ';': case '*':
      case '?': case '#': case '(': case ')':
        quote = true;
        break;
      default:
        break;
    }
  }
  return quote ? "\"" + argument + "\"" : argument;
}

std::string ServicePlan::UnitPath() const { return root + UnitFolder(*this) + "/" + kUnitName; }

std::string ServicePlan::WantsLinkPath() const {
  return root + UnitFolder(*this) + (system ? "/multi-user.target.wants/" : "/default.target.wants/") +
         kUnitName;
}

std::string ServicePlan::WantsLinkTarget() const { return UnitFolder(*this) + "/" + kUnitName; }

std::string ServicePlan::AutostartPath() const {
  return root + (system ? "/etc/xdg" : configHome) + "/autostart/zavotel.desktop";
}

std::optional<std::string> ServicePlan::UnitText() const {
  const std::optional<std::string> command = CommandFor(*this, "--service");
  if (!command) return std::nullopt;
  std::string text = std::string(kServiceFileMark) +
                     "\n[Unit]\n"
                     "Description=Zavotel telephone answering, IVR and voice mail\n";
  if (system) text += "Wants=network-online.target\nAfter=network-online.target sound.target\n";
  text +=
      "\n[Service]\n"
      "Type=notify\n"
      "ExecStart=" + *command + "\n"
      "Restart=on-failure\n"
      "RestartSec=5\n"
      // Lines, the delivery task and the levelling list stop with 5 s each.
      "TimeoutStopSec=30\n"
      "WatchdogSec=60\n"
      // The main thread runs at nice -5 and each call's player and recorder
      // at the lowest real-time level (else nice -10).
      "LimitNICE=-10\n"
      "LimitRTPRIO=1\n";
  if (system && dataOption.empty()) text += "StateDirectory=zavotel\nStateDirectoryMode=0700\n";
  text += std::string("\n[Install]\nWantedBy=") +
          (system ? "multi-user.target" : "default.target") + "\n";
  return text;
}

std::optional<std::string> ServicePlan::AutostartText() const {
  // The system-wide entry looks for the service's engine, so a log-on finds
  // it instead of starting a second one.
  ServicePlan logon = *this;
  if (system && logon.dataOption.empty()) logon.dataOption = "/var/lib/zavotel";
  const std::optional<std::string> command = CommandFor(logon, "--logon");
  if (!command) return std::nullopt;
  return std::string(kServiceFileMark) +
         "\n[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Zavotel\n"
         "Comment=Telephone answering, IVR and voice mail in the background\n"
         "Exec=" + *command + "\n"
         "Terminal=false\n"
         "NoDisplay=true\n";
}
