#pragma once

#include <string>

// Where and how the console listens, from [console] of the settings file,
// read when the console starts (and again when its Console access page
// moves it).
struct ConsoleConfig {
  static constexpr const char* kSection = "console";
  static constexpr const char* kDefaultAddress = "127.0.0.1";
  // Every address of the machine: the console for the office network.
  static constexpr const char* kAnyAddress = "0.0.0.0";
  static constexpr int kDefaultPort = 8080;
  // The first free port from "port" is taken; this many are tried.
  static constexpr int kPortTries = 20;
  static constexpr const char* kOwnCertificate = "console-certificate.pem";
  static constexpr const char* kOwnKey = "console-key.pem";

  std::string address = kDefaultAddress;  // [console] "address"
  int firstPort = kDefaultPort;           // [console] "port"
  // At engine start a taken port is passed over; a move takes exactly its
  // port, so the page can say where the console went.
  int portTries = kPortTries;
  std::string passwordHash;               // [console] "password", see ConsolePassword.h
  std::string staticFolder;               // the pages; "" serves none
  // Off loopback every request but the login needs a logged-in session.
  bool loginRequired = false;
  // TLS when a certificate is named ([console] "certificate" and "key");
  // off loopback without one, the console's own in the data folder.
  std::string certificateFile;
  std::string keyFile;
  bool selfSigned = false;  // the console's own: made when missing

  bool Tls() const { return !certificateFile.empty(); }

  static ConsoleConfig Read(const std::string& settingsFile, const std::string& dataRoot,
                            std::string staticFolder);
};

// 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackAddress(const std::string& address);
// "https://NAME:PORT/" of a console listening on `address`: on every
// address it is reached by the machine's name.
std::string ConsoleUrl(const std::string& address, int port, bool tls);
