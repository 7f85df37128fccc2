// A small WebSocket server: listens for plain TCP on an address and port, wraps every accepted
// connection in a ServerConnection and hands what its connections report to `onEvent`.
//
// The table of connections is changed on the server's queue only: a connection goes in when it is
// accepted and out when it reports `disconnected` (the client's close frame) or when its transport
// fails or is cancelled. `onEvent` is called from the connections' queues, one connection's events
// in order. There is no stop: dropping the server closes the listener and its connections.
// Thread-safe.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/websocket/server/ServerConnection.h"
#include "platform/Queue.h"
#include "platform/socket/NWListener.h"

namespace qor {

class WebSocketServer final : public Server, public ConnectionDelegate, public std::enable_shared_from_this<WebSocketServer> {
 public:
  using EventBlock = std::function<void(const ServerEvent& event)>;

  static std::shared_ptr<WebSocketServer> create();

  // Port 0 takes a free port (see `port()`). A second start replaces the listener.
  ErrorPtr start(const std::string& address, uint16_t port) override;

  EventBlock onEvent() const;
  void setOnEvent(EventBlock onEvent);
  // The port the listener is bound to; 0 before a start.
  uint16_t port() const;
  // The ids of the connections held now.
  std::vector<std::string> connectionIDs() const;
  const std::shared_ptr<platform::SerialQueue>& queue() const { return queue_; }

  void didReceive(const ServerEvent& event) override;

 private:
  WebSocketServer();
  void accept(std::shared_ptr<platform::NWConnection> connection);
  // Posted to the server's queue, where the table changes.
  void remove(const std::string& id);

  const std::shared_ptr<platform::SerialQueue> queue_;
  mutable std::mutex mutex_;
  EventBlock onEvent_;                                                   // guarded
  std::map<std::string, std::shared_ptr<ServerConnection>> connections_;  // guarded; changed on queue_
  std::shared_ptr<platform::NWListener> listener_;                        // guarded
};

}  // namespace qor
