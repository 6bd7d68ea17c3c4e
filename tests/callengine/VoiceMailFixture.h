#pragma once

#include <string>
#include <vector>

#include "IVRCFakes.h"
#include "callengine/VoiceMailFlows.h"

// A line with the real voice-mail dialogues; dates in day/month/year order.
class VoiceMailFlowsTest : public FakedTest {
 protected:
  VoiceMailFlowsTest() { controller_.SetVoiceMail(&flows_), Settings("[settings]\ndateorder=1\n"); }

  std::string MailBox(const std::string &name, const std::string &keys = "") {
    const std::string path = folders_.MailBoxes() + "/" + name + ".mbx";
    Write(path, "[mbx]\n" + keys);
    return path;
  }
  // A message's title, record ("ini") or audio ("wav").
  std::string Record(const std::string &mailbox, const std::string &id,
                     const std::string &ext = ".ini") const {
    return folders_.MailBoxes() + "/" + mailbox + " ICM" + id + ext;
  }
  std::string Audio(const std::string &mailbox, const std::string &id) const {
    return Record(mailbox, id, ".wav");
  }
  // A message left on `date` ("dd/mm/yy") at `time` with `ms` of audio.
  std::string Message(const std::string &mailbox, const std::string &id, const std::string &date,
                      const std::string &time, uint32_t ms = 1000, bool read = false) {
    Write(Record(mailbox, id), "[message]\ndate=" + date + "\ntime=" + time +
                                   (read ? "\nread=true\n" : "\n"));
    Wave(Audio(mailbox, id), ms);
    return Record(mailbox, id);
  }
  // As the "mailboxaccess" action starts: "EnterAccessCode" plays.
  void AccessCall() {
    Answer();
    controller_.SetState(S::CS_ACCESSCODE);
    controller_.DigitEntry().Clear();
    controller_.PlaySystemPrompt("EnterAccessCode");
  }
  // Feeds `ms` of silence at 8000 Hz into the running recording.
  void Speak(uint32_t ms) {
    const ScriptedLine::Op *op = line_.LastOp();
    ASSERT_TRUE(op && op->kind == OK::Record);
    const std::vector<int32_t> frames(ms * 8, 0);
    op->sink->Write(frames.data(), static_cast<int32_t>(frames.size()));
  }
  // What the call file says was played, in order.
  Texts Logged(const std::string &prefix) const {
    Texts found;
    const std::string file = CallFile();
    for (auto at = file.find(prefix); at != std::string::npos; at = file.find(prefix, at + 1)) {
      const std::size_t start = at + prefix.size();
      found.push_back(file.substr(start, file.find_first_of("\r\n", start) - start));
    }
    return found;
  }
  // The texts (or with `flags` the wParam) of the messages posted with `id`.
  Texts Posted(uint32_t id, bool flags = false) const {
    Texts found;
    for (const LMessage &m : window_.messages)
      if (m.id == id) found.push_back(flags ? std::to_string(m.wParam) : m.text);
    return found;
  }
  int32_t PlayedMs() const {
    const ScriptedLine::Op *op = line_.LastOp();
    return op && op->kind == OK::Play ? op->endSample * 1000 / op->sampleRate : -1;
  }
  std::string Key(const std::string &file, const std::string &section, const std::string &key) {
    return ProfileReadString(file, section, key, "");
  }

  VoiceMailFlows flows_;
};
