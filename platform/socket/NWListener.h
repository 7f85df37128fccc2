// Listens for TCP connections on a local address and hands each accepted one, not yet started, to
// the new-connection handler on the queue given to `start`. Plain TCP only (the server side uses no
// TLS). Thread-safe; an accept thread of its own; dropping the listener stops it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "platform/QORPlatformExport.h"
#include "platform/Queue.h"
#include "platform/socket/NWConnection.h"

namespace platform {

class QOR_PLATFORM_EXPORT NWListener {
 public:
  using NewConnectionHandler = std::function<void(std::shared_ptr<NWConnection>)>;

  // Binds host:port (port 0 picks a free port); nullptr, with the reason in `error`, when the
  // platform refuses.
  static std::shared_ptr<NWListener> create(const std::string& host, uint16_t port,
                                            std::optional<Error>* error = nullptr);
  ~NWListener();

  void setNewConnectionHandler(NewConnectionHandler handler);
  void start(std::shared_ptr<Queue> queue);
  void cancel();
  // The port actually bound.
  uint16_t port() const { return port_; }

 private:
  struct Shared;
  NWListener(std::shared_ptr<Shared> shared, uint16_t port) : shared_(std::move(shared)), port_(port) {}
  static void acceptLoop(std::shared_ptr<Shared> shared);

  std::shared_ptr<Shared> shared_;
  uint16_t port_;
};

}  // namespace platform
