// The reference authorization server (tools/refserver) as a child process of a test: started in the
// constructor, told what to do through its control lines, stopped in the destructor.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/TestSupport.h"

namespace qortest {

class RefServer {
 public:
  // `certNames`: the names the server certificate is made for (default localhost and 127.0.0.1).
  explicit RefServer(std::vector<std::string> certNames = {});
  RefServer(const RefServer&) = delete;
  RefServer& operator=(const RefServer&) = delete;

  bool running() const { return process_.started() && port_ > 0; }
  int port() const { return port_; }
  // "https://127.0.0.1:<port>"
  const std::string& host() const { return host_; }
  const std::string& caPath() const { return caPath_; }
  const std::string& pubVtnBase64() const { return pubVtnBase64_; }
  // "wss://127.0.0.1:<port>/ws", the WebSocket endpoint (same certificate).
  const std::string& webSocketURL() const { return webSocketURL_; }

  // One control command and its answer (an object with "ok": false when the server is gone).
  nlohmann::json command(const nlohmann::json& command);
  void script(const nlohmann::json& answers);
  // Every action request seen since the last reset, as the server opened it.
  nlohmann::json requests();
  void reset();

 private:
  TempDir dir_;
  ChildProcess process_;
  int port_ = 0;
  std::string host_;
  std::string caPath_;
  std::string pubVtnBase64_;
  std::string webSocketURL_;
};

// A loopback TCP port on which nothing listens (bound, then closed).
int unusedLoopbackPort();

}  // namespace qortest
