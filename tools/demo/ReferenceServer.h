// The reference server (tools/refserver) as a child of the demo, on loopback: started with a test CA
// of its own, stopped (its input closed, then killed if it lingers) when the object goes. With an
// exchange handler, the server reports each judged action request and the handler hears it on a
// reader thread of its own.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/Json.h"

namespace demo {

struct ServerInfo {
  std::string host;  // "https://127.0.0.1:<port>"
  std::string pubVtnBase64;
  std::optional<std::string> caPath;
  std::optional<std::string> webSocketURL;
};

class ReferenceServer {
 public:
  using ExchangeHandler = std::function<void(const platform::Json& exchange)>;

  // nullptr, with the reason in `error`, when the server does not come up.
  static std::unique_ptr<ReferenceServer> start(const std::string& script, const std::string& folder,
                                                ExchangeHandler onExchange, std::string& error);
  ~ReferenceServer();
  ReferenceServer(const ReferenceServer&) = delete;
  ReferenceServer& operator=(const ReferenceServer&) = delete;

  const ServerInfo& info() const { return info_; }

 private:
  ReferenceServer() = default;
  void readExchanges(ExchangeHandler onExchange);

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  int errors_ = -1;
  std::thread reader_;
  ServerInfo info_;
};

}  // namespace demo
