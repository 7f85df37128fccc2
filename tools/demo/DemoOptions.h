// The demo's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace demo {

struct DemoOptions {
  enum class Transport { https, websocket };

  Transport transport = Transport::https;
  // Another server instead of the local reference server: its address, its RSA public key (Base64 of
  // SubjectPublicKeyInfo DER), a CA to trust for it and its WebSocket URL.
  std::optional<std::string> server;
  std::optional<std::string> serverKey;
  std::optional<std::string> caPath;
  std::optional<std::string> webSocketURL;
  // With --server: the session identifiers that the server pushed and the linking code it gave
  // (the reference server makes both itself).
  std::vector<int64_t> sessions;
  std::optional<std::string> linkingCode;
  // What the script types on a PIN pad or in the cross-platform module.
  std::string pin = "2580";
  bool verbose = false;
  // nullopt: interactive exactly when a terminal is attached.
  std::optional<bool> interactive;
  // Runs every step but the authorizations themselves (their transactions are still asked for).
  bool skipAuthorization = false;
  std::string refserverScript;
};

// The options; nullopt with a message in `error`, or with `help` set for --help.
std::optional<DemoOptions> parseOptions(const std::vector<std::string>& args, std::string& error, bool& help);
std::string usage();

}  // namespace demo
