#pragma once

#include <optional>
#include <string>

// The files that make the engine start by itself: a systemd unit (system-wide
// for root, else a user unit) enabled through its ".wants" link, and an XDG
// autostart entry that runs "zavotel --logon" when someone logs in. Only the
// texts and places are made here; ServiceInstall writes them.
struct ServicePlan {
  bool system = false;         // system-wide unit, else a user unit
  std::string root;            // prefix for every path written ("" = "/")
  std::string executable;      // absolute path of the zavotel binary
  std::string dataOption;      // --data given to the installer, or ""
  std::string configHome;      // a user's $XDG_CONFIG_HOME (~/.config)

  std::string UnitPath() const;
  std::string WantsLinkPath() const;
  // What the link points to: the unit's path as the service manager sees it.
  std::string WantsLinkTarget() const;
  std::string AutostartPath() const;

  // Nullopt when the executable or data path holds characters that neither
  // file can carry (quotes, backslashes, "$", "%", "`", control characters).
  std::optional<std::string> UnitText() const;
  std::optional<std::string> AutostartText() const;
};

// The first line of every file the installer writes: a file without it was
// written by someone else and is left alone.
inline constexpr const char* kServiceFileMark =
    "# Written by zavotel --install; zavotel --uninstall removes it.";

// One argument for an ExecStart= or Exec= line: as it is, or in double
// quotes when it holds blanks or shell characters; nullopt as above.
std::optional<std::string> QuoteServiceArgument(const std::string& argument);
