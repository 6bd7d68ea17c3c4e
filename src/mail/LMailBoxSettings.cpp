#include "mail/LMailBoxSettings.h"

#include "core/IniStore.h"
#include "core/Profile.h"
#include "core/ProfileValues.h"
#include "mail/LMailBox.h"

namespace {

using S = LMailBoxSettings;

constexpr LMailBoxKey kKeys[] = {
    {"callscreen", &S::callScreen},
    {"beep", &S::beep},
    {"remoteaccess", &S::remoteAccess},
    {"accesscode", &S::accessCode},
    {"remoteaccesstime", &S::remoteAccessTime},
    {"sendemail", &S::sendEmail},
    {"emailaddress", &S::emailAddress},
    {"sendemailaudio", &S::sendEmailAudio},
    {"sendemaildelete", &S::sendEmailDelete},
    {"speechtotext", &S::speechToText},
    {"speechtotextengine", &S::speechToTextEngine},
    {"speechtotextspeaker", &S::speechToTextSpeaker},
    {"sendftp", &S::sendFtp},
    {"ftpserver", &S::ftpServer},
    {"ftpuser", &S::ftpUser},
    {"ftppass", &S::ftpPass},
    {"ftpdir", &S::ftpDir},
    {"sendtofolder", &S::sendToFolder},
    {"sendfolder", &S::sendFolder},
    {"forwardtel", &S::forwardTel},
    {"forwardnumber", &S::forwardNumber},
    {"maxforwardattempts", &S::maxForwardAttempts},
    {"forwardfailwaitmins", &S::forwardFailWaitMins},
    {"autoplay", &S::autoPlay},
    {"forwardrepeat", &S::forwardRepeat},
    {"unsentmessages", &S::unsentMessages, true},
    {"forwardattempts", &S::forwardAttempts, true},
    {"forwardattempttime", &S::forwardAttemptTime, true},
};

// The stored text of one member, as the profile helpers write it.
std::string StoredText(const S& settings, const LMailBoxKey::Member& member) {
  struct Visitor {
    const S& s;
    std::string operator()(bool S::*m) const { return s.*m ? "true" : "false"; }
    std::string operator()(int S::*m) const { return FormatInt(s.*m); }
    std::string operator()(std::time_t S::*m) const { return std::to_string(int64_t{s.*m}); }
    std::string operator()(std::string S::*m) const { return s.*m; }
  };
  return std::visit(Visitor{settings}, member);
}

}  // namespace

std::span<const LMailBoxKey> MailBoxKeys() { return kKeys; }

LMailBoxSettings LMailBoxSettings::Read(const std::string& mailBoxPath) {
  struct Visitor {
    const std::string& file;
    std::string_view key;
    S& s;
    void operator()(bool S::*m) const {
      s.*m = ProfileReadBool(file, LMailBox::kSection, key, s.*m);
    }
    void operator()(int S::*m) const { s.*m = ProfileReadInt(file, LMailBox::kSection, key, s.*m); }
    // Missing reads as 0, the default of every such member.
    void operator()(std::time_t S::*m) const { s.*m = ProfileReadSeconds(file, LMailBox::kSection, key); }
    void operator()(std::string S::*m) const {
      s.*m = ProfileReadString(file, LMailBox::kSection, key, s.*m);
    }
  };
  S settings;  // the defaults
  for (const LMailBoxKey& key : kKeys) {
    std::visit(Visitor{mailBoxPath, key.name, settings}, key.member);
  }
  return settings;
}

bool LMailBoxSettings::Write(const std::string& mailBoxPath) const { return WriteKeys(mailBoxPath, true); }

bool LMailBoxSettings::WriteChoices(const std::string& mailBoxPath) const {
  return WriteKeys(mailBoxPath, false);
}

bool LMailBoxSettings::WriteKeys(const std::string& mailBoxPath, bool withState) const {
  return IniUpdate(mailBoxPath, [this, withState](IniFile& file) {
    for (const LMailBoxKey& key : kKeys) {
      if (key.state && !withState) continue;
      if (!file.Set(LMailBox::kSection, key.name, StoredText(*this, key.member))) return false;
    }
    return true;
  });
}
