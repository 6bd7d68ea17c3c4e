#pragma once

#include <string>
#include <string_view>

#include "audio/LProgress.h"
#include "audio/LProgressProcess.h"
#include "mail/smtp/EmailSender.h"
#include "mail/smtp/MimeSink.h"

// Lays out a message: the header block, then the text alone, or with
// attachments a multipart/mixed body of the text and one base64 part per
// file. The same layout goes to the SMTP server and to the system mailer.
class MimeWriter {
 public:
  static constexpr int kSendTimeoutMs = 20000;
  static constexpr int kBodyTimeoutMs = 30000;
  static constexpr int kLastBoundaryNumber = 99;

  // "gc0p4Jq0M2Yt08jU534c<n>" with the first n whose text is not in the
  // body; n stops at kLastBoundaryNumber.
  static std::string ChooseBoundary(std::string_view body);
  // MIME-Version, From, To, Subject, Date and X-Mailer lines; line breaks
  // inside the values become spaces so no value can add a header. A subject
  // and names that are not ASCII go as encoded words, domains in ASCII.
  static std::string HeaderBlock(const EmailMessage& message, const std::string& date);
  // The text part's header and the text as sent: as it is when it is ASCII
  // in lines SMTP carries, else (UTF-8, or lines too long) quoted-printable,
  // declared as UTF-8.
  struct TextPart {
    std::string header, text;
  };
  static TextPart TextPartOf(std::string_view body);
  // A WAVE file goes as audio/wav, MP3 as audio/mpeg, others as
  // application/octet-stream; a name beyond ASCII as an RFC 2231 filename*
  // with an ASCII stand-in as the type's "name".
  static std::string AttachmentHeader(const std::string& boundary, const std::string& path);

  // Sends the whole message; ends early when the sink fails or the
  // progress is cancelled.
  static ProcessResult Write(const EmailMessage& message, const std::string& date, MimeSink& sink,
                             LProgress& progress);
};
