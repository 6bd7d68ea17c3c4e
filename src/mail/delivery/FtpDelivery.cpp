#include "mail/delivery/FtpDelivery.h"

#include "audio/LProgress.h"
#include "log/LogFile.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/delivery/MessageCompression.h"
#include "mail/transfer/FtpMessageUpload.h"

DeliveryResult SendFTP(DeliveryContext& context, LFileTransferProtocol& ftp,
                       const std::string& mailBoxPath, const std::string& recordPath) {
  context.log.Log("Compressing message for upload");
  CompressMessage(context, recordPath);
  if (context.progress.IsCancelled()) return {};
  const std::string error = UploadMessageByFtp(ftp, mailBoxPath, recordPath, context.log);
  if (context.progress.IsCancelled()) return {};
  return error.empty() ? DeliveryResult::Done() : DeliveryResult::Failed(error);
}
