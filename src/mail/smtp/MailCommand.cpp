#include "mail/smtp/MailCommand.h"

#include <cstdio>

#include "audio/LProgressConsole.h"
#include "core/CommandLine.h"
#include "core/DataFolders.h"
#include "mail/smtp/EmailSender.h"

int RunMailCommand(const CommandLine& line) {
  if (line.arguments.size() != 2 || line.arguments[0] != "test" || line.arguments[1].empty()) {
    std::fprintf(stderr, "usage: zavotel mail test ADDRESS [--data DIR]\n");
    return kExitUsage;
  }
  const DataFolders folders =
      DataFolders::Resolve(DataRootChoice::FromEnvironment(line.dataOption, false).Root());
  const EmailSettings settings = EmailSettings::Read(folders.SettingsFile());
  const EmailMessage message = TestEmail(settings, line.arguments[1]);

  EmailSendResult sent;
  {
    LProgressConsole progress(stderr, true);
    progress.SetText(0, "Sending Email");
    sent = SendMail(settings, message, progress);
  }
  for (const std::string& text : sent.transcript) std::printf("%s\n", text.c_str());
  if (sent.result == kProcessDone) {
    std::printf("sent\n");
    return 0;
  }
  std::printf("%s\n", sent.error.c_str());
  return sent.result == kProcessCancelled ? kExitInterrupted : kExitFailed;
}
