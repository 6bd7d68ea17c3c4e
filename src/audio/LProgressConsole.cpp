#include "audio/LProgressConsole.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

sigset_t InterruptSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

LProgressConsole::LProgressConsole(std::FILE* out, bool catchInterrupt)
    : out_(out), terminal_(isatty(fileno(out)) == 1), catchInterrupt_(catchInterrupt) {
  if (catchInterrupt_) {
    sigset_t set = InterruptSet();
    pthread_sigmask(SIG_BLOCK, &set, &oldMask_);
  }
}

LProgressConsole::~LProgressConsole() {
  if (drawn_) {
    std::fputs("\r\x1b[K", out_);
    std::fflush(out_);
  }
  if (catchInterrupt_) {
    // An interrupt that came after the last test is taken as handled here,
    // not delivered once the mask is gone.
    TakeInterrupt();
    pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
  }
}

void LProgressConsole::SetText(int line, std::string_view text) {
  if (line != 0 && line != 1) return;
  lines_[line] = text;
  Draw();
}

void LProgressConsole::SetProgress(double fraction) {
  double clamped = std::clamp(std::isnan(fraction) ? 0.0 : fraction, 0.0, 1.0);
  int percent = static_cast<int>(clamped * 100.0);
  if (percent == percent_) return;
  percent_ = percent;
  Draw();
}

bool LProgressConsole::IsCancelled() {
  if (!cancelled_ && catchInterrupt_ && TakeInterrupt()) cancelled_ = true;
  return cancelled_;
}

bool LProgressConsole::TakeInterrupt() const {
  sigset_t pending;
  if (sigpending(&pending) != 0 || sigismember(&pending, SIGINT) != 1) return false;
  sigset_t set = InterruptSet();
  timespec now{};
  return sigtimedwait(&set, nullptr, &now) == SIGINT;
}

void LProgressConsole::Draw() {
  if (!terminal_) return;
  std::fprintf(out_, "\r%s: %s %3d%%\x1b[K", lines_[0].c_str(), lines_[1].c_str(), percent_);
  std::fflush(out_);
  drawn_ = true;
}
