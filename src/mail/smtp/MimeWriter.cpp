#include "mail/smtp/MimeWriter.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include "core/Path.h"
#include "core/TextCompare.h"
#include "core/Trace.h"
#include "core/Utf8Text.h"
#include "mail/smtp/Base64Lines.h"
#include "mail/smtp/MailAddress.h"
#include "mail/smtp/MimeHeaderText.h"
#include "mail/smtp/QuotedPrintable.h"

namespace {

// 13 blocks of 57 bytes: 13 full lines, just under one 1024-byte send.
constexpr size_t kReadBytes = Base64Lines::kBlockBytes * 13;

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

// SMTP carries lines of at most 998 bytes; a server may cut longer ones.
constexpr size_t kMaxMailLine = 998;

bool LinesFit(std::string_view text) {
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const size_t length = end - start - (end > start && text[end - 1] == '\r' ? 1 : 0);
    if (length > kMaxMailLine) return false;
    start = end + 1;
  }
  return true;
}

// Each address of the list as a header takes it, the others as they are.
std::string AddressListHeader(std::string_view list) {
  std::string header;
  for (const std::string& piece : MailAddress::SplitList(list)) {
    header += (header.empty() ? "" : ", ") + MailAddress::HeaderOf(piece);
  }
  return header;
}

std::string ContentType(const std::string& fileName) {
  const std::string extension = PathFileName(fileName).substr(PathTitle(fileName).size());
  if (EqualIgnoringCase(extension, ".wav")) return "audio/wav";
  if (EqualIgnoringCase(extension, ".mp3")) return "audio/mpeg";
  return "application/octet-stream";
}

// For readers that know no RFC 2231 parameters: Latin-1 letters without
// their accents, dashes as "-", every other character beyond ASCII, '"' and
// "\" as "_".
std::string AsciiFallback(std::string_view name) {
  constexpr std::string_view kLatin1 = "AAAAAAACEEEEIIIIDNOOOOO_OUUUUYTsaaaaaaaceeeeiiiidnooooo_ouuuuyty";
  std::string fallback;
  for (size_t i = 0; i < name.size();) {
    const auto lead = static_cast<unsigned char>(name[i]);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    const std::string_view character = name.substr(i, length);
    i += length;
    if (lead < 0x80) {
      fallback += lead == '"' || lead == '\\' ? '_' : static_cast<char>(lead);
    } else if (lead == 0xC3 && character.size() == 2) {  // U+00C0 to U+00FF
      fallback += kLatin1[static_cast<unsigned char>(character[1]) & 0x3F];
    } else {
      fallback += character == "\xE2\x80\x93" || character == "\xE2\x80\x94" ? '-' : '_';
    }
  }
  return fallback;
}

// RFC 2231: UTF-8 with every byte but letters, digits and "-._~" as "%XX".
std::string ExtendedValue(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string value = "utf-8''";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || std::string_view("-._~").find(c) != std::string_view::npos) {
      value += c;
    } else {
      value += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return value;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// One attachment's base64 lines; `done(fraction)` reports how far it got.
template <typename Report>
ProcessResult SendFileData(const std::string& path, MimeSink& sink, LProgress& progress,
                           Report done) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  long size = 0;
  if (file && std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
  if (size <= 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
    Trace("MimeWriter %s is missing or empty: no data attached", path.c_str());
    return kProcessDone;
  }
  char block[kReadBytes];
  long sent = 0;
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) {
    if (progress.IsCancelled()) return kProcessCancelled;
    ProcessResult result = sink.Send(Base64Lines::EncodeLines(std::string_view(block, got)),
                                     MimeWriter::kSendTimeoutMs);
    if (result != kProcessDone) return result;
    sent += static_cast<long>(got);
    done(static_cast<double>(sent) / static_cast<double>(size));
  }
  return kProcessDone;
}

}  // namespace

std::string MimeWriter::ChooseBoundary(std::string_view body) {
  std::string boundary;
  for (int n = 0; n <= kLastBoundaryNumber; ++n) {
    boundary = "gc0p4Jq0M2Yt08jU534c" + std::to_string(n);
    if (body.find(boundary) == std::string_view::npos) break;
  }
  return boundary;
}

std::string MimeWriter::HeaderBlock(const EmailMessage& message, const std::string& date) {
  return "MIME-Version: 1.0\r\nFrom: " + MailAddress::HeaderOf(message.from) +
         "\r\nTo: " + AddressListHeader(message.to) +
         "\r\nSubject: " + MimeHeaderText::Encode(AsUtf8(OneLine(message.subject))) + "\r\nDate: " + date +
         "\r\nX-Mailer: Zavotel\r\n";
}

MimeWriter::TextPart MimeWriter::TextPartOf(std::string_view body) {
  if (MimeHeaderText::IsAscii(body) && LinesFit(body)) {
    return {"Content-Type: text/plain\r\n\r\n", std::string(body)};
  }
  return {"Content-Type: text/plain; charset=utf-8\r\n"
          "Content-Transfer-Encoding: quoted-printable\r\n\r\n",
          QuotedPrintable::Encode(body)};
}

std::string MimeWriter::AttachmentHeader(const std::string& boundary, const std::string& path) {
  const std::string name = AsUtf8(OneLine(PathFileName(path)));
  const std::string head = "\r\n--" + boundary + "\r\nContent-Type: " + ContentType(name);
  const std::string disposition = "\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment;";
  if (MimeHeaderText::IsAscii(name)) {
    return head + "; name=\"" + name + "\"" + disposition + " filename=\"" + name + "\"\r\n\r\n";
  }
  // No plain filename beside filename*: readers that know both may take the
  // plain one; those that know only plain names take "name".
  return head + "; name=\"" + AsciiFallback(name) + "\"" + disposition + "\r\n filename*=" +
         ExtendedValue(name) + "\r\n\r\n";
}

ProcessResult MimeWriter::Write(const EmailMessage& message, const std::string& date,
                                MimeSink& sink, LProgress& progress) {
  const bool multipart = !message.attachments.empty();
  std::string head = HeaderBlock(message, date);
  const TextPart text = TextPartOf(AsUtf8(message.body));
  const std::string boundary = multipart ? ChooseBoundary(text.text) : std::string();
  if (multipart) {
    head +=
        "Content-Type: multipart/mixed; boundary=" + boundary + "\r\n\r\n--" + boundary + "\r\n";
  }
  head += text.header;
  ProcessResult result = sink.Send(head, kSendTimeoutMs);
  if (result != kProcessDone) return result;
  if (multipart) {
    progress.SetProgress(0.2);
    progress.SetText(1, "Sending Message Text");
  }
  result = sink.SendBody(text.text);
  if (result != kProcessDone || !multipart) return result;

  progress.SetProgress(0.3);
  progress.SetText(1, "Sending Message Attachment(s)");
  const double count = static_cast<double>(message.attachments.size());
  for (size_t i = 0; i < message.attachments.size(); ++i) {
    const std::string& path = message.attachments[i];
    result = sink.Send(AttachmentHeader(boundary, path), kSendTimeoutMs);
    if (result != kProcessDone) return result;
    result = SendFileData(path, sink, progress, [&](double fraction) {
      progress.SetProgress(0.3 + 0.6 * (static_cast<double>(i) + fraction) / count);
    });
    if (result != kProcessDone) return result;
  }
  return sink.Send("\r\n--" + boundary + "--\r\n", kSendTimeoutMs);
}
