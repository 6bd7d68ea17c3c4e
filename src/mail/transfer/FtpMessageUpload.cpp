#include "mail/transfer/FtpMessageUpload.h"

#include "core/FileIo.h"
#include "core/Path.h"
#include "core/TempFile.h"
#include "core/Trace.h"
#include "log/LogFile.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxSettings.h"
#include "mail/transfer/FtpServerPrune.h"
#include "mail/transfer/LFileTransferProtocol.h"
#include "mail/transfer/MailBoxIndexPage.h"
#include "mail/transfer/WebName.h"

namespace {

// Uploads the mailbox's index page through a temporary file, which is
// deleted in every case. Its result is only traced.
void UploadIndexPage(LFileTransferProtocol& ftp, const std::string& mailBoxPath) {
  TempFile page;
  const bool written = page.Valid() && WriteFully(page.Fd(), MailBoxIndexPage(mailBoxPath));
  page.Close();
  if (!written || !ftp.PutFile(page.Path(), WebName(PathReplaceExtension(mailBoxPath, ".html")))) {
    Trace("UploadMessageByFtp index page of %s not uploaded", mailBoxPath.c_str());
  }
}

// " (550 No such file or directory.)": why the last operation failed.
std::string Because(const LFileTransferProtocol& ftp) {
  const std::string why = ftp.LastError();
  return why.empty() ? "" : " (" + why + ")";
}

// Where the upload goes, as the log names it: "ftp.example.com/voice".
std::string Destination(const LMailBoxSettings& settings) {
  const std::string& folder = settings.ftpDir;
  return settings.ftpServer + (folder.empty() || folder.front() == '/' ? "" : "/") + folder;
}

}  // namespace

std::string UploadMessageByFtp(LFileTransferProtocol& ftp, const std::string& mailBoxPath,
                               const std::string& recordPath, LogFile& log) {
  const LMailBoxSettings settings = LMailBoxSettings::Read(mailBoxPath);
  log.Log("Uploading to server: ", settings.ftpServer);
  auto failed = [&log](std::string error) {
    log.LogError(error);
    return error;
  };
  if (!ftp.LogOnServer(settings.ftpServer, settings.ftpUser, settings.ftpPass))
    return failed("Unable to log onto server: " + settings.ftpServer + Because(ftp) +
                  ". Check the server, user name and password in Mailbox Properties.");
  if (!ftp.SetCurrentDirectory(settings.ftpDir)) {
    const std::string missing = Because(ftp);
    if (!ftp.MakeDirectory(settings.ftpDir))
      return failed("Unable to change server to directory: " + settings.ftpDir + missing + "; making it failed" +
                    Because(ftp) + ". Check the folder in Mailbox Properties and the FTP user's rights.");
    log.Log("Made the folder " + settings.ftpDir + " on the server");
  }
  const std::string audio = LMailBox::AudioPath(recordPath);
  const std::string webName = WebName(audio);
  if (!ftp.PutFile(audio, webName)) return failed("Upload failed: " + webName + Because(ftp));
  log.Log("Uploaded " + webName + " to " + Destination(settings));
  UploadIndexPage(ftp, mailBoxPath);
  PruneServerAudio(ftp, PathFolder(mailBoxPath));
  return "";
}
