#include "ui/ConsoleStart.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "core/Profile.h"
#include "ui/ConsoleCertificate.h"
#include "ui/ConsolePassword.h"

namespace {

// An engine run from its build folder serves the pages from the source
// folder; any other, those installed beside it (<prefix>/bin/zavotel,
// <prefix>/share/zavotel/console).
std::filesystem::path PagesFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::string where = program.parent_path().string() + "/";
  if (error || where.rfind(ZAVOTEL_BUILD_DIR "/", 0) == 0) return ZAVOTEL_CONSOLE_PAGES;
  return (program.parent_path() / ZAVOTEL_PAGES_FROM_BINDIR).lexically_normal();
}

// Without them every page answers 404 while the engine says where the
// console is.
std::string MissingPages(const std::filesystem::path& pages) {
  std::error_code error;
  if (std::filesystem::is_regular_file(pages / "index.html", error)) return "";
  const std::string missing = "the console's pages are missing (no index.html in " + pages.string() +
                              "), so every page answers \"not found\"";
  if (pages == ZAVOTEL_CONSOLE_PAGES) return missing;
  const std::filesystem::path prefix = pages.parent_path().parent_path().parent_path();
  return missing + "; install them with the program: cmake --install <build folder> --prefix " + prefix.string();
}

ConsoleStart Start(ConsoleHost host, ConsoleConfig config) {
  ConsoleStart start;
  // Without a password the server refuses to start there anyway.
  if (config.selfSigned && !config.passwordHash.empty() &&
      !console_certificate::EnsureSelfSigned(config.certificateFile, config.keyFile, start.error))
    return start;
  start.server = std::make_unique<ConsoleServer>(std::move(host), std::move(config));
  if (!start.server->Start(start.error)) start.server.reset();
  return start;
}

ConsoleConfig ReadConfig(const ConsoleHost& host) {
  return ConsoleConfig::Read(host.folders.SettingsFile(), host.folders.Root(), PagesFolder().string());
}

}  // namespace

ConsoleStart StartConsole(ConsoleHost host) {
  ConsoleConfig config = ReadConfig(host);
  std::vector<std::string> warnings;
  if (std::string missing = MissingPages(config.staticFolder); !missing.empty()) warnings.push_back(missing);
  if (!config.passwordHash.empty() && !console_password::IsStored(config.passwordHash))
    warnings.emplace_back(console_password::kNotStored);
  ConsoleStart start = Start(std::move(host), std::move(config));
  start.warnings = std::move(warnings);
  return start;
}

ConsoleStart MoveConsole(ConsoleHost host, std::unique_ptr<ConsoleServer> running) {
  ConsoleConfig config = ReadConfig(host);
  config.portTries = 1;
  ConsoleConfig old = running->Config();
  const int oldFirstPort = old.firstPort;
  // Back where it was; should another program have taken that port
  // meanwhile, on the next free one.
  old.firstPort = running->Port();
  old.portTries = ConsoleConfig::kPortTries;
  old.passwordHash = config.passwordHash;  // a change made meanwhile stays
  running.reset();
  ConsoleStart moved = Start(host, std::move(config));
  if (moved.server) return moved;
  const std::string& file = host.folders.SettingsFile();
  ProfileWriteString(file, ConsoleConfig::kSection, "address", old.address);
  ProfileWriteInt(file, ConsoleConfig::kSection, "port", oldFirstPort);
  ConsoleStart restored = Start(std::move(host), std::move(old));
  restored.error = moved.error + (restored.error.empty() ? "" : "; nor could it start again: " + restored.error);
  return restored;
}

namespace {

// One line of standard input; at a terminal the prompt is shown and the
// typing is not echoed.
bool ReadSecretLine(const char* prompt, std::string& line) {
  const bool terminal = ::isatty(STDIN_FILENO);
  termios saved{};
  if (terminal) {
    std::fprintf(stderr, "%s", prompt);
    ::tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  const bool read = static_cast<bool>(std::getline(std::cin, line));
  if (terminal) {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fprintf(stderr, "\n");
  }
  return read || !line.empty();
}

}  // namespace

int RunConsolePasswordCommand(const std::string& settingsFile) {
  std::string password;
  if (!ReadSecretLine("New console password (at least 8 characters; empty removes it): ", password))
    password.clear();
  if (!password.empty() && !console_password::LongEnough(password)) {
    std::fprintf(stderr, "zavotel console-password: %s Nothing changed.\n", console_password::kTooShort);
    return 1;
  }
  if (::isatty(STDIN_FILENO) && !password.empty()) {
    std::string again;
    ReadSecretLine("The same again: ", again);
    if (again != password) {
      std::fprintf(stderr, "zavotel console-password: the two passwords differ; nothing changed\n");
      return 1;
    }
  }
  if (password.empty()) {
    if (!ProfileDeleteKey(settingsFile, ConsoleConfig::kSection, "password")) return 1;
    std::printf("The console password is removed; the console listens on loopback only.\n");
    return 0;
  }
  const std::string stored = console_password::Hash(password);
  if (stored.empty() || !ProfileWriteString(settingsFile, ConsoleConfig::kSection, "password", stored)) {
    std::fprintf(stderr, "zavotel console-password: the password could not be stored\n");
    return 1;
  }
  std::printf("The console password is set; it applies from the next engine start.\n");
  return 0;
}
