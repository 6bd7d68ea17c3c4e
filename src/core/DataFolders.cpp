#include "core/DataFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/CaseInsensitivePath.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/Trace.h"

namespace {

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// $HOME, else the account's own home: never a shared folder such as /tmp,
// where another user could make the data folder first.
std::string HomeFolder() {
  std::string home = EnvOrEmpty("HOME");
  if (!home.empty()) return home;
  const passwd* account = ::getpwuid(::geteuid());
  return account && account->pw_dir ? account->pw_dir : "";
}

// A name in the root as it is spelled there: a data folder copied from a
// case-insensitive file system may hold "Mailboxes" or "Settings.ini"
// (an exact spelling wins).
std::string InRoot(const std::string& root, const std::string& name) {
  return ResolveCaseInsensitive(PathJoin(root, name));
}

// A folder named in folders.ini, else the root plus the folder's own name.
// Relative entries are taken relative to the root.
std::string FolderOf(const std::string& root, const char* name) {
  std::string configured = ProfileReadString(InRoot(root, "folders.ini"), "folders", name, "");
  if (configured.empty()) return InRoot(root, name);
  if (configured.front() == '/') return ResolveCaseInsensitive(configured);
  return InRoot(root, configured);
}

bool MakeFolder(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    Trace("DataFolders::CreateMissing %s is not a folder", path.c_str());
    return false;
  }
  std::string parent = PathFolder(path);
  if (!parent.empty() && parent != path && !MakeFolder(parent)) return false;
  if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) return true;
  Trace("DataFolders::CreateMissing mkdir %s FAILED: %s", path.c_str(), std::strerror(errno));
  return false;
}

}  // namespace

DataRootChoice DataRootChoice::FromEnvironment(std::string option, bool service) {
  return {std::move(option), EnvOrEmpty("ZAVOTEL_DATA"), EnvOrEmpty("XDG_DATA_HOME"),
          HomeFolder(), service};
}

std::string DataRootChoice::Root() const {
  if (!option.empty()) return option;
  if (!environment.empty()) return environment;
  if (service) return "/var/lib/zavotel";
  if (!xdgDataHome.empty()) return PathJoin(xdgDataHome, "zavotel");
  // Without any home, a folder of this user's own in /tmp; the start refuses
  // it if someone else made it first (DataFolderDanger).
  if (home.empty()) return "/tmp/zavotel-" + std::to_string(::geteuid());
  return PathJoin(home, ".local/share/zavotel");
}

DataFolders DataFolders::Resolve(const std::string& root) {
  DataFolders folders;
  folders.root_ = root;
  folders.settingsFile_ = InRoot(root, "settings.ini");
  folders.ogms_ = FolderOf(root, "OGMs");
  folders.mailBoxes_ = FolderOf(root, "MailBoxes");
  folders.systemPrompts_ = FolderOf(root, "System Prompts");
  folders.defaultSystemPrompts_ = FolderOf(root, "Default System Prompts");
  folders.logs_ = FolderOf(root, "Logs");
  folders.sounds_ = FolderOf(root, "Sounds");
  return folders;
}

bool DataFolders::CreateMissing() const {
  if (!MakeFolder(root_)) return false;
  bool ok = true;
  for (const std::string* folder :
       {&ogms_, &mailBoxes_, &systemPrompts_, &defaultSystemPrompts_, &logs_, &sounds_}) {
    ok = MakeFolder(*folder) && ok;
  }
  return ok;
}

std::string DataFolderDanger(const std::string& root) {
  struct stat st;
  if (::stat(root.c_str(), &st) != 0) return "";
  const uid_t self = ::geteuid();
  if (st.st_uid != self && st.st_uid != 0 && self != 0)
    return "it belongs to another user (uid " + std::to_string(st.st_uid) + ")";
  if ((st.st_mode & S_IWOTH) != 0) return "every user of this machine may write to it";
  return "";
}
