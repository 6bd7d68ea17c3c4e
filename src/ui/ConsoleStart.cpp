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

// The installed pages for an installed engine, else the source folder's.
std::string PagesFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error && program.parent_path() == ZAVOTEL_INSTALLED_BINDIR) return ZAVOTEL_INSTALLED_PAGES;
  return ZAVOTEL_CONSOLE_PAGES;
}

}  // namespace

ConsoleStart StartConsole(ConsoleHost host) {
  ConsoleConfig config =
      ConsoleConfig::Read(host.folders.SettingsFile(), host.folders.Root(), PagesFolder());
  ConsoleStart start;
  // Without a password the server refuses to start there anyway.
  if (config.selfSigned && !config.passwordHash.empty() &&
      !console_certificate::EnsureSelfSigned(config.certificateFile, config.keyFile, start.error))
    return start;
  start.server = std::make_unique<ConsoleServer>(std::move(host), std::move(config));
  if (!start.server->Start(start.error)) start.server.reset();
  return start;
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
  if (!ReadSecretLine("New console password (empty removes it): ", password)) password.clear();
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
