#include "telephony/sip/SipCredentials.h"

#include <re.h>

namespace {

struct Stored {
  char* user;
  char* password;
};

void Destroy(void* data) {
  auto* stored = static_cast<Stored*>(data);
  mem_deref(stored->user);
  mem_deref(stored->password);
}

}  // namespace

void* SipCredentials::Allocate(const std::string& user, const std::string& password) {
  auto* stored = static_cast<Stored*>(mem_zalloc(sizeof(Stored), Destroy));
  if (!stored) return nullptr;
  if (str_dup(&stored->user, user.c_str()) != 0 ||
      str_dup(&stored->password, password.c_str()) != 0)
    return mem_deref(stored);
  return stored;
}

int SipCredentials::Provide(char** user, char** password, const char*, void* credentials) {
  const auto* stored = static_cast<const Stored*>(credentials);
  if (!stored) return EINVAL;
  const int err = str_dup(user, stored->user);
  return err ? err : str_dup(password, stored->password);
}
