#include "callengine/CallSimulation.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "core/FileIo.h"
#include "core/Profile.h"

namespace {

constexpr int kScreenRefreshMs = 200;
constexpr int kTerminalPollMs = 100;
constexpr std::size_t kMaxCallFile = 16 << 20;

LWaveDeviceSpec Device(bool interactive, const std::string &settings, const char *key,
                       std::shared_ptr<const LWaveTimeline> timeline) {
  LWaveDeviceSpec spec;
  if (interactive) {
    spec.kind = LWaveDeviceSpec::Kind::kAlsa;
    spec.index = ProfileReadInt(settings, "settings", key, 0);
  } else {
    spec.kind = LWaveDeviceSpec::Kind::kNull;
    spec.timeline = std::move(timeline);
  }
  return spec;
}

// The terminal delivers each key at once and without echo while it lives.
class RawTerminal {
 public:
  RawTerminal() : active_(::tcgetattr(STDIN_FILENO, &saved_) == 0) {
    if (!active_) return;
    termios raw = saved_;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  }
  ~RawTerminal() {
    if (active_) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
  }
  RawTerminal(const RawTerminal &) = delete;
  RawTerminal &operator=(const RawTerminal &) = delete;

 private:
  termios saved_{};
  bool active_;
};

}  // namespace

CallSimulation::CallSimulation(const DataFolders &folders, const SimulateOptions &options,
                               IVRCServices *services)
    : options_(options),
      interactive_(!options.Scripted()),
      log_(folders.Logs(), clock_, display_),
      tape_(options.hear.empty()
                ? nullptr
                : std::make_shared<LWaveOutFileTape>(options.hear, LWavePcmFormat{},
                                                     std::make_shared<LWaveTimeline>())),
      line_(loop_, clock_,
            LWaveDevices::OutOpener([&] {
              LWaveDeviceSpec spec = Device(interactive_, folders.SettingsFile(), "callsimplay",
                                            std::make_shared<LWaveTimeline>());
              if (tape_) {
                spec.kind = LWaveDeviceSpec::Kind::kFile;
                spec.tape = tape_;
                spec.timeline = tape_->Timeline();
              }
              return spec;
            }()),
            LWaveDevices::InOpener([&] {
              LWaveDeviceSpec spec = Device(interactive_, folders.SettingsFile(), "callsimrec",
                                            std::make_shared<LWaveTimeline>());
              if (!options.callerAudio.empty()) {
                spec.kind = LWaveDeviceSpec::Kind::kFile;
                spec.inputPath = options.callerAudio;
              }
              return spec;
            }())),
      controller_(line_, kLineIndex, folders, clock_, log_, nullptr) {
  controller_.SetCommands(&commands_);
  controller_.SetVoiceMail(&voiceMail_);
  controller_.SetServices(services);
  line_.SetStateListener([this](bool connected) { OnState(connected); });
}

CallSimulation::~CallSimulation() {
  stopTerminal_ = true;
  if (terminal_.joinable()) terminal_.join();
  loop_.KillTimers(this);
}

int CallSimulation::RunScripted() {
  if (!line_.ConnectCall()) {
    std::fprintf(stderr,
                 "zavotel simulate: the call was not answered (answering is off, office hours "
                 "do not answer now, or the OGM is missing or not valid now)\n");
    return 1;
  }
  for (std::size_t i = 0; i < options_.keys.size(); ++i) {
    loop_.SetTimer(this, static_cast<int>(i), static_cast<uint64_t>(options_.keys[i].ms));
  }
  if (options_.hangUpAfterMs) {
    loop_.SetTimer(this, kHangUpTimer, static_cast<uint64_t>(*options_.hangUpAfterMs));
  }
  // A call the controller ended before the loop ran is over already.
  if (line_.IsConnected()) loop_.Run();
  line_.HangUp();
  if (tape_) tape_->Finish();
  const std::optional<std::string> text = ReadFileText(CallFile(), kMaxCallFile);
  if (!text) {
    std::fprintf(stderr, "zavotel simulate: cannot read %s\n", CallFile().c_str());
    return 1;
  }
  std::fwrite(text->data(), 1, text->size(), stdout);
  return 0;
}

int CallSimulation::RunInteractive() {
  std::printf(
      "Call simulator: Enter connects and hangs up, 0-9 * # A-D are keys, q quits.\n"
      "Idle\n");
  std::fflush(stdout);
  RawTerminal raw;
  terminal_ = std::thread([this] { ReadTerminal(); });
  loop_.SetTimer(this, kScreenTimer, kScreenRefreshMs);
  loop_.Run();
  line_.HangUp();
  ShowNewLogLines();
  return 0;
}

void CallSimulation::OnTimer(int id) {
  if (id == kHangUpTimer) {
    line_.HangUp();
  } else if (id == kScreenTimer) {
    ShowNewLogLines();
    loop_.SetTimer(this, kScreenTimer, kScreenRefreshMs);
  } else if (id >= 0 && static_cast<std::size_t>(id) < options_.keys.size()) {
    line_.PressKey(options_.keys[static_cast<std::size_t>(id)].key);
  }
}

void CallSimulation::OnState(bool connected) {
  if (connected) {
    everConnected_ = true;
    shownBytes_ = 0;
  }
  if (interactive_) {
    ShowNewLogLines();
    std::printf("%s\n", connected ? "Connected" : "Idle");
    std::fflush(stdout);
    return;
  }
  if (!connected) loop_.Stop();  // the scripted call is over
}

// Keys typed on the terminal, handed to the loop thread.
void CallSimulation::ReadTerminal() {
  while (!stopTerminal_) {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (::poll(&in, 1, kTerminalPollMs) <= 0) continue;
    char c = 0;
    if (::read(STDIN_FILENO, &c, 1) != 1) c = 'q';  // end of input quits
    loop_.Post([this, c] { OnTerminalKey(c); });
    if (c == 'q') return;
  }
}

void CallSimulation::OnTerminalKey(char c) {
  if (c == 'q' || c == 'Q') {
    loop_.Stop();
  } else if (c == '\n' || c == '\r') {
    if (line_.IsConnected()) {
      line_.HangUp();
    } else if (!line_.ConnectCall()) {
      std::printf("The call was not answered\n");
    }
  } else if (line_.IsConnected() && std::strchr("0123456789*#ABCDabcd", c) != nullptr) {
    const char key = static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
    std::printf("Key %c\n", key);
    line_.PressKey(key);
  }
  std::fflush(stdout);
}

// The lines the call added to its most recent call file since last shown.
void CallSimulation::ShowNewLogLines() {
  if (!everConnected_) return;
  const std::optional<std::string> text = ReadFileText(CallFile(), kMaxCallFile);
  if (!text || text->size() <= shownBytes_) return;
  std::fwrite(text->data() + shownBytes_, 1, text->size() - shownBytes_, stdout);
  shownBytes_ = text->size();
  std::fflush(stdout);
}
