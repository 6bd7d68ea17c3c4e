#include "mail/smtp/SystemMailer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "core/UniqueFd.h"
#include "mail/smtp/MimeSink.h"
#include "mail/smtp/MimeWriter.h"
#include "mail/smtp/SliceWaiter.h"
#include "mail/smtp/SmtpConnection.h"
#include "mail/smtp/SmtpDate.h"
#include "plugins/ChildProcess.h"

namespace {

// The mailer's input: local mail takes "\n" line ends, and no dot-stuffing
// ("-oi" keeps a lone "." from ending the message).
class MailerInputSink final : public MimeSink {
 public:
  explicit MailerInputSink(SmtpConnection& input) : input_(input) {}

  ProcessResult Send(std::string_view bytes, int timeoutMs) override {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) text += bytes[i];
    }
    return input_.Send(text, timeoutMs);
  }
  ProcessResult SendBody(std::string_view body) override {
    return Send(body, MimeWriter::kBodyTimeoutMs);
  }

 private:
  SmtpConnection& input_;
};

std::string ExitText(int status) {
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "ended by signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(status);
}

}  // namespace

bool SystemMailer::Installed() const {
  struct stat info {};
  return !settings_.sendmail.empty() && ::stat(settings_.sendmail.c_str(), &info) == 0 &&
         S_ISREG(info.st_mode) && ::access(settings_.sendmail.c_str(), X_OK) == 0;
}

EmailSendResult SystemMailer::Send(const EmailMessage& message) {
  EmailSendResult outcome;
  progress_.SetText(1, "Sending Email");
  progress_.SetProgress(0.0);
  if (!Installed()) {
    outcome.error =
        "The system mailer is not installed (no program to run at " + settings_.sendmail + ")";
    return outcome;
  }
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    outcome.error = "The system mailer could not be started";
    return outcome;
  }
  UniqueFd ours(pair[0]);
  UniqueFd theirs(pair[1]);
  outcome.transcript.push_back("run " + settings_.sendmail + " -t -oi");
  std::unique_ptr<ChildProcess> child =
      ChildProcess::Start({settings_.sendmail, "-t", "-oi"}, -1, theirs.Get());
  theirs.Reset();
  if (!child) {
    outcome.error = "The system mailer " + settings_.sendmail + " could not be started";
    return outcome;
  }
  ::fcntl(ours.Get(), F_SETFL, ::fcntl(ours.Get(), F_GETFL) | O_NONBLOCK);
  SmtpConnection input(progress_);
  input.Adopt(std::move(ours));
  MailerInputSink sink(input);
  const ProcessResult written =
      MimeWriter::Write(message, SmtpDate::Format(message.date), sink, progress_);
  input.Adopt(UniqueFd());  // end of input

  SliceWaiter waiter(progress_, SmtpConnection::kSliceMs, kFinishTimeoutMs);
  const ProcessResult finished =
      written == kProcessCancelled ? kProcessCancelled : waiter.Wait(child->ExitFd(), POLLIN);
  if (finished != kProcessDone) {
    ChildProcess::Release(std::move(child), 0);
    outcome.result = finished;
    outcome.error = finished == kProcessCancelled ? "Email sending stopped"
                                                  : "The system mailer did not finish in time";
    return outcome;
  }
  const int status = child->Collect();
  outcome.transcript.push_back("exit: " + ExitText(status));
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && written == kProcessDone) {
    outcome.result = kProcessDone;
  } else {
    outcome.error = "The system mailer did not take the message (" + ExitText(status) + ")";
  }
  return outcome;
}
