#include "mail/delivery/EmailDelivery.h"

#include "audio/LProgress.h"
#include "audio/recognition/LSpeechRec.h"
#include "core/DataFolders.h"
#include "core/FileIo.h"
#include "core/MainMessages.h"
#include "log/LogFile.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxSettings.h"
#include "mail/MessageCallTime.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/delivery/LevellingWait.h"
#include "mail/delivery/MessageCompression.h"
#include "mail/delivery/MessageTemplate.h"
#include "mail/smtp/EmailSender.h"
#include "mail/smtp/EmailSettings.h"

namespace {

// The transcript, "" when the mailbox wants none or recognition failed;
// nullopt when the task was stopped meanwhile. The recogniser hears the
// levelled message, as the attachment has it.
std::optional<std::string> Transcript(DeliveryContext& context, const LMailBoxSettings& box,
                                      const std::string& recordPath) {
  if (!box.speechToText) return "";
  const std::string audio = LMailBox::AudioPath(recordPath);
  if (!WaitUntilLevelled(context.levelling, context.progress, audio, "SendEmail"))
    return std::nullopt;
  context.log.Log("Run speech-to-text on voicemail message");
  LSpeechRec recogniser(audio, box.speechToTextSpeaker, box.speechToTextEngine);
  const ProcessResult result = recogniser.Process(context.progress);
  if (result == kProcessCancelled) return std::nullopt;
  return result == kProcessDone ? recogniser.Text() : "";
}

}  // namespace

EmailMessage MessageEmail(const DataFolders& folders, const EmailSettings& settings,
                          const std::string& recordPath, std::string to,
                          const std::string& transcript) {
  const std::string templateText =
      ReadFileText(EmailTemplatePath(folders), kMaxEmailTemplate).value_or("");
  std::string body = MailLineEnds(FillMessageTemplate(templateText, recordPath)) + transcript;
  body += EmailFooter(body);
  return {std::move(to), settings.fromEmail, FillMessageTemplate(settings.subject, recordPath),
          std::move(body), {}, MessageCallTime(recordPath, folders.SettingsFile())};
}

DeliveryResult SendEmail(DeliveryContext& context, const std::string& mailBoxPath,
                         const std::string& recordPath) {
  const LMailBoxSettings box = LMailBoxSettings::Read(mailBoxPath);
  const EmailSettings settings = EmailSettings::Read(context.folders.SettingsFile());
  const std::optional<std::string> transcript = Transcript(context, box, recordPath);
  if (!transcript) return {};
  context.log.Log("Sending Email to: ", box.emailAddress);
  EmailMessage message =
      MessageEmail(context.folders, settings, recordPath, box.emailAddress, *transcript);
  if (box.sendEmailAudio) {
    CompressMessage(context, recordPath);
    message.attachments.push_back(LMailBox::AudioPath(recordPath));
  }
  // The SMTP dialogue announces itself in the log; the system mailer is one step.
  if (!settings.useSystemMailer) context.log.Log("Sending Email");
  const EmailSendResult sent = SendMail(settings, message, context.progress);
  if (sent.result == kProcessCancelled) return {};
  if (sent.result != kProcessDone) {
    context.log.LogError(sent.error);
    return DeliveryResult::Failed(sent.error);
  }
  if (!box.DeletedByEmail()) return DeliveryResult::Done();
  context.notify({WM_DELMESSAGE, 0, 0, recordPath});
  LMailBoxMessage::Delete(recordPath);
  return {true, true, ""};
}
