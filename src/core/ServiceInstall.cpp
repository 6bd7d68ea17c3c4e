#include "core/ServiceInstall.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "core/FileIo.h"
#include "core/ServiceUnits.h"

namespace fs = std::filesystem;

namespace {

struct Wanted {
  std::string path;
  std::string text;
};

std::optional<std::string> FileText(const std::string& path) {
  return ReadFileText(path, 1 << 16);
}

// Whether `path` may be (re)written or removed: absent, or written by us.
bool Ours(const std::string& path) {
  std::error_code error;
  if (!fs::exists(fs::symlink_status(path, error))) return true;
  const std::optional<std::string> text = FileText(path);
  return text && text->rfind(kServiceFileMark, 0) == 0;
}

bool LinkIsOurs(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  return !fs::exists(status) || fs::is_symlink(status);
}

bool WriteFile(const Wanted& file) {
  std::error_code error;
  fs::create_directories(fs::path(file.path).parent_path(), error);
  if (FileText(file.path) == file.text) {
    std::printf("unchanged %s\n", file.path.c_str());
    return true;
  }
  const bool existed = fs::exists(file.path, error);
  if (!ReplaceFileText(file.path, file.text) || ::chmod(file.path.c_str(), 0644) != 0) {
    std::fprintf(stderr, "zavotel: cannot write %s\n", file.path.c_str());
    return false;
  }
  std::printf("%s %s\n", existed ? "updated" : "wrote", file.path.c_str());
  return true;
}

bool WriteLink(const std::string& path, const std::string& target) {
  std::error_code error;
  fs::create_directories(fs::path(path).parent_path(), error);
  fs::remove(path, error);
  fs::create_symlink(target, path, error);
  if (error) {
    std::fprintf(stderr, "zavotel: cannot link %s: %s\n", path.c_str(), error.message().c_str());
    return false;
  }
  std::printf("enabled %s\n", path.c_str());
  return true;
}

bool Remove(const std::string& path) {
  std::error_code error;
  if (!fs::remove(path, error)) return !error;
  std::printf("removed %s\n", path.c_str());
  return true;
}

// The running service manager reads the new files; without one (a build
// machine, a container) there is nothing to tell.
void ReloadServiceManager(bool system) {
  if (::access("/run/systemd/system", F_OK) != 0) return;
  const int status = std::system(system ? "systemctl daemon-reload >/dev/null 2>&1"
                                        : "systemctl --user daemon-reload >/dev/null 2>&1");
  (void)status;
}

std::optional<ServicePlan> PlanFrom(const std::vector<std::string>& arguments,
                                    const std::string& dataOption) {
  ServicePlan plan;
  plan.system = ::geteuid() == 0;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--user") {
      plan.system = false;
    } else if (arguments[i] == "--root" && i + 1 < arguments.size() && !arguments[i + 1].empty()) {
      plan.root = fs::absolute(arguments[++i]).lexically_normal().string();
      while (plan.root.size() > 1 && plan.root.back() == '/') plan.root.pop_back();
      if (plan.root == "/") plan.root.clear();
    } else {
      std::fprintf(stderr, "zavotel: unknown install argument %s (try zavotel help)\n",
                   arguments[i].c_str());
      return std::nullopt;
    }
  }
  std::error_code error;
  plan.executable = fs::read_symlink("/proc/self/exe", error).string();
  if (!dataOption.empty()) plan.dataOption = fs::absolute(dataOption).lexically_normal().string();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  plan.configHome = config && *config ? config : std::string(home ? home : "") + "/.config";
  return plan;
}

int Install(const ServicePlan& plan) {
  const std::optional<std::string> unit = plan.UnitText();
  const std::optional<std::string> autostart = plan.AutostartText();
  if (!unit || !autostart) {
    std::fprintf(stderr,
                 "zavotel: the path %s cannot be written into a unit file (quotes, backslashes, "
                 "$, %% and ` cannot)\n",
                 (plan.executable + " " + plan.dataOption).c_str());
    return 1;
  }
  const Wanted files[] = {{plan.UnitPath(), *unit}, {plan.AutostartPath(), *autostart}};
  // Nothing is written unless everything may be.
  bool refused = !LinkIsOurs(plan.WantsLinkPath());
  for (const Wanted& file : files) {
    if (Ours(file.path)) continue;
    std::fprintf(stderr, "zavotel: %s is already there and was not written by zavotel; remove "
                 "it first\n", file.path.c_str());
    refused = true;
  }
  if (refused) return 1;
  bool ok = true;
  for (const Wanted& file : files) ok = WriteFile(file) && ok;
  ok = ok && WriteLink(plan.WantsLinkPath(), plan.WantsLinkTarget());
  if (!ok) return 1;
  if (plan.root.empty()) {
    ReloadServiceManager(plan.system);
    std::printf("The engine starts at %s; to start it now: systemctl %sstart zavotel\n",
                plan.system ? "boot" : "log-on", plan.system ? "" : "--user ");
  }
  return 0;
}

int Uninstall(const ServicePlan& plan) {
  bool ok = true;
  if (LinkIsOurs(plan.WantsLinkPath())) ok = Remove(plan.WantsLinkPath()) && ok;
  for (const std::string& path : {plan.UnitPath(), plan.AutostartPath()}) {
    if (Ours(path)) {
      ok = Remove(path) && ok;
    } else {
      std::fprintf(stderr, "zavotel: %s was not written by zavotel; left alone\n", path.c_str());
      ok = false;
    }
  }
  if (plan.root.empty()) ReloadServiceManager(plan.system);
  return ok ? 0 : 1;
}

}  // namespace

int RunServiceInstall(const std::vector<std::string>& arguments, const std::string& dataOption,
                      bool install) {
  const std::optional<ServicePlan> plan = PlanFrom(arguments, dataOption);
  if (!plan) return 2;
  return install ? Install(*plan) : Uninstall(*plan);
}
