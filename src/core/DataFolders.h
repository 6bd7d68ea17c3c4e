#pragma once

#include <string>

// Where the data root comes from, in order of precedence: the --data option,
// $ZAVOTEL_DATA, then /var/lib/zavotel for a system service, else
// $XDG_DATA_HOME/zavotel (~/.local/share/zavotel when unset; the account's
// home when $HOME is unset, /tmp/zavotel-UID without any home).
struct DataRootChoice {
  std::string option;
  std::string environment;
  std::string xdgDataHome;
  std::string home;
  bool service = false;

  static DataRootChoice FromEnvironment(std::string option, bool service);
  std::string Root() const;
};

// The process-wide folders: the data root, its settings file and the folders
// for OGMs, mailboxes, system prompts, factory prompts, logs and the owner's
// sounds (audio files OGMs play by path). An optional
// "folders.ini" in the root (section "folders", keys named like the folders)
// moves single folders elsewhere.
class DataFolders {
 public:
  static DataFolders Resolve(const std::string& root);

  // Creates the root and every folder that is missing, readable by the owner
  // only: the root holds passwords and callers' messages. Failures are traced.
  bool CreateMissing() const;

  const std::string& Root() const { return root_; }
  const std::string& SettingsFile() const { return settingsFile_; }
  const std::string& Ogms() const { return ogms_; }
  const std::string& MailBoxes() const { return mailBoxes_; }
  const std::string& SystemPrompts() const { return systemPrompts_; }
  const std::string& DefaultSystemPrompts() const { return defaultSystemPrompts_; }
  const std::string& Logs() const { return logs_; }
  const std::string& Sounds() const { return sounds_; }

 private:
  std::string root_;
  std::string settingsFile_;
  std::string ogms_;
  std::string mailBoxes_;
  std::string systemPrompts_;
  std::string defaultSystemPrompts_;
  std::string logs_;
  std::string sounds_;
};

// Why the data root must not be used, or empty: its settings name programs
// the engine runs, so nobody else may have written them.
std::string DataFolderDanger(const std::string& root);
