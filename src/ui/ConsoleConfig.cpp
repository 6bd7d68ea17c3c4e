#include "ui/ConsoleConfig.h"

#include <arpa/inet.h>
#include <unistd.h>

#include "core/Profile.h"

bool IsLoopbackAddress(const std::string& address) {
  if (address == "localhost" || address == "::1") return true;
  in_addr v4{};
  return inet_pton(AF_INET, address.c_str(), &v4) == 1 && (ntohl(v4.s_addr) >> 24) == 127;
}

std::string ConsoleUrl(const std::string& address, int port, bool tls) {
  char name[256] = {};
  std::string host = address.find(':') != std::string::npos ? "[" + address + "]" : address;
  if ((address == ConsoleConfig::kAnyAddress || address == "::") && ::gethostname(name, sizeof name - 1) == 0 &&
      name[0])
    host = name;
  return std::string(tls ? "https://" : "http://") + host + ":" + std::to_string(port) + "/";
}

ConsoleConfig ConsoleConfig::Read(const std::string& settingsFile, const std::string& dataRoot,
                                  std::string staticFolder) {
  ConsoleConfig config;
  config.address = ProfileReadString(settingsFile, kSection, "address", kDefaultAddress);
  config.firstPort = ProfileReadInt(settingsFile, kSection, "port", kDefaultPort);
  config.passwordHash = ProfileReadString(settingsFile, kSection, "password", "");
  config.staticFolder = std::move(staticFolder);
  config.loginRequired = !IsLoopbackAddress(config.address);
  config.certificateFile = ProfileReadString(settingsFile, kSection, "certificate", "");
  config.keyFile = ProfileReadString(settingsFile, kSection, "key", config.certificateFile);
  if (config.certificateFile.empty() && config.loginRequired) {
    config.certificateFile = dataRoot + "/" + kOwnCertificate;
    config.keyFile = dataRoot + "/" + kOwnKey;
    config.selfSigned = true;
  }
  return config;
}
