// From the end of a recording to the e-mail accepted by a local mail server,
// for a 60 s message: levelling, transcription, conversion to the delivery
// format and sending, each timed with its share of the whole. The same four
// steps done with the tools a user would reach for instead (sox norm,
// pocketsphinx_continuous, sox to 8-bit PCM, Python's smtplib) run on the
// same file in the same run, and each pair is printed with its ratio.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "BenchReporter.h"
#include "audio/AudioImport.h"
#include "audio/AutoGainControl.h"
#include "audio/LProgressSilent.h"
#include "audio/recognition/LSpeechRec.h"
#include "mail/smtp/EmailSender.h"
#include "mail/smtp/EmailSettings.h"

namespace {

constexpr const char* kSpeech =
    "Hello, this is Martin from the garage. Your car is ready and the brakes are done. "
    "Please call me back about the invoice tomorrow morning, the number is five five five "
    "one two three four. Thank you and have a good day.";

struct Step {
  const char* name;
  std::function<bool()> ours;
  std::string reference;
  double oursMs = 0;
  double referenceMs = 0;
};

double TimeMs(const std::function<bool()>& work, bool& ok) {
  const auto start = std::chrono::steady_clock::now();
  ok = work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int FreePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(s, reinterpret_cast<sockaddr*>(&address), size);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(s);
  return ntohs(address.sin_port);
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string SmtplibScript(int port, const std::string& file) {
  return "/usr/bin/python3 -c \"import smtplib, email.message as m\n"
         "msg = m.EmailMessage(); msg['From'] = 'zavotel@example.com'; msg['To'] = 'owner@example.com'\n"
         "msg['Subject'] = 'Message'; msg.set_content('Message from 5551234')\n"
         "msg.add_attachment(open('" + file + "', 'rb').read(), maintype='application', subtype='octet-stream', filename='m.wav')\n"
         "smtplib.SMTP('127.0.0.1', " + std::to_string(port) + ").send_message(msg)\"";
}

}  // namespace

int main() {
  const std::string dir = MakeBenchFolder();
  const std::string message = dir + "/message.wav", ours = dir + "/ours.wav", theirs = dir + "/theirs.wav";
  if (dir.empty() || !Run("espeak-ng -w '" + dir + "/speech.wav' '" + kSpeech + "' && sox '" + dir +
                          "/speech.wav' -r 8000 -c 1 -b 16 '" + message + "' repeat 9 trim 0 60")) {
    std::fprintf(stderr, "bench_delivery: espeak-ng and sox make the message\n");
    return 1;
  }
  const int port = FreePort();
  Run("/usr/bin/python3 -m aiosmtpd -n -l 127.0.0.1:" + std::to_string(port) +
      " -c aiosmtpd.handlers.Sink & echo $! > '" + dir + "/smtp.pid'");
  std::this_thread::sleep_for(std::chrono::seconds(2));

  LProgressSilent progress;
  std::string transcript;
  EmailSettings settings;
  settings.useSystemMailer = false;
  settings.mailHost = "127.0.0.1:" + std::to_string(port);
  settings.fromEmail = "zavotel@example.com";
  settings.smtpSecurity = SmtpSecurity::kNone;
  std::filesystem::copy_file(message, ours);
  std::filesystem::copy_file(message, theirs);
  std::vector<Step> steps = {
      {"levelling", [&] { return AutoGainControl::Process(ours, progress, nullptr) == AutoGainControl::kDone; },
       "sox '" + theirs + "' '" + dir + "/norm.wav' norm -3 && mv '" + dir + "/norm.wav' '" + theirs + "'"},
      {"transcription",
       [&] {
         LSpeechRec recogniser(ours, "", 0);
         const bool done = recogniser.Process(progress) == kProcessDone;
         transcript = recogniser.Text();
         return done;
       },
       "sox '" + theirs + "' -r 16000 '" + dir + "/16k.wav' && pocketsphinx_continuous -infile '" + dir +
           "/16k.wav' -logfn /dev/null >/dev/null"},
      {"conversion", [&] { return LPRCompressWav(LWaveFileFormat(8), ours).Process(progress) == kProcessDone; },
       "sox '" + theirs + "' -b 8 '" + dir + "/8.wav' && mv '" + dir + "/8.wav' '" + theirs + "'"},
      {"sending",
       [&] {
         const EmailMessage mail{"owner@example.com", "zavotel@example.com", "Message",
                                 "Message from 5551234\r\n" + transcript, {ours}};
         return SendMail(settings, mail, progress).result == kProcessDone;
       },
       SmtplibScript(port, theirs)},
  };
  double oursTotal = 0, referenceTotal = 0;
  bool allOk = true;
  for (Step& step : steps) {
    bool ok = false, referenceOk = false;
    step.oursMs = TimeMs(step.ours, ok);
    step.referenceMs = TimeMs([&] { return Run(step.reference); }, referenceOk);
    if (!ok || !referenceOk) std::fprintf(stderr, "bench_delivery: %s failed (ours %d, reference %d)\n", step.name, ok, referenceOk);
    allOk = allOk && ok && referenceOk;
    oursTotal += step.oursMs;
    referenceTotal += step.referenceMs;
  }
  Run("kill $(cat '" + dir + "/smtp.pid')");
  std::printf("Delivery of a 60 s message, end of recording to e-mail accepted (wall clock)\n");
  std::printf("%-14s %10s %7s %12s %7s\n", "step", "ours ms", "share", "reference ms", "ratio");
  for (const Step& step : steps)
    std::printf("%-14s %10.0f %6.1f%% %12.0f %7.2f\n", step.name, step.oursMs, 100 * step.oursMs / oursTotal,
                step.referenceMs, step.oursMs / step.referenceMs);
  std::printf("%-14s %10.0f %6.1f%% %12.0f %7.2f\n", "total", oursTotal, 100.0, referenceTotal,
              oursTotal / referenceTotal);
  std::printf("transcript: %.200s\n", transcript.c_str());
  std::filesystem::remove_all(dir);
  return allOk ? 0 : 1;
}
