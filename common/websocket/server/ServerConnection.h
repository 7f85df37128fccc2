// One client connection of a WebSocketServer: reads the upgrade request, answers it with 101, then
// reads frames with a server-role codec and a collector and reports them, to its delegate (the
// server) and to its own `onEvent`, the delegate first.
//
// It never answers a ping or a close frame and never closes its transport: that is left to whoever
// holds it (a close frame it wrote, or dropping the last reference, which closes the socket). Bytes
// that follow the request head in the same read go to the codec. A request that is refused
// (HTTPUpgradeError::invalidData on `onEvent`) is answered with 400 so that the client does not wait
// for an answer that never comes; the connection stays open for another request.
//
// Queues: transport events, the request and the 101 answer on the transport's queue; frames and
// what is formed of them on the codec's queue. The delegate is held weakly. Thread-safe.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "common/websocket/framer/FrameCollector.h"
#include "common/websocket/framer/WSFramer.h"
#include "common/websocket/http/HTTPServerHandler.h"
#include "common/websocket/server/Server.h"
#include "common/websocket/transport/TCPTransport.h"
#include "platform/socket/NWConnection.h"

namespace qor {

class WebSocketServer;

class ServerConnection final : public Connection,
                               public HTTPServerDelegate,
                               public FramerEventClient,
                               public FrameCollectorDelegate,
                               public TransportEventClient,
                               public std::enable_shared_from_this<ServerConnection> {
 public:
  using EventBlock = std::function<void(const ConnectionEvent& event)>;

  void write(platform::Bytes data, FrameOpCode opcode) override;

  EventBlock onEvent() const;
  void setOnEvent(EventBlock onEvent);
  std::shared_ptr<ConnectionDelegate> delegate() const;
  void setDelegate(std::weak_ptr<ConnectionDelegate> delegate);
  // A fresh UUID, made with the connection.
  const std::string& id() const { return id_; }
  bool didUpgrade() const { return didUpgrade_; }

  void connectionChanged(const ConnectionState& state) override;
  void didReceiveHTTP(const HTTPEvent& event) override;
  void frameProcessed(FrameEvent event) override;
  DecompressResult decompress(const platform::Bytes& data, bool isFinal) override;
  void didForm(FrameCollector::Event event) override;

 private:
  friend class WebSocketServer;
  using EndHandler = std::function<void(const std::string& id)>;

  // Made only by the server, around a connection its listener accepted. The delegate and the end
  // handler are in place before the transport starts, so nothing the client sends at once is missed.
  static std::shared_ptr<ServerConnection> create(std::shared_ptr<platform::NWConnection> connection,
                                                  std::weak_ptr<ConnectionDelegate> delegate, EndHandler ended);
  ServerConnection(std::weak_ptr<ConnectionDelegate> delegate, EndHandler ended);

  std::shared_ptr<TCPTransport> transport() const;
  void report(const ServerEvent& event, const ConnectionEvent& own);
  void reportOwn(const ConnectionEvent& event);
  void ended();
  void connectionEnded(const ConnectionState& state);

  const std::shared_ptr<HTTPServerHandler> httpHandler_;
  const std::shared_ptr<WSFramer> framer_;
  FrameCollector frameHandler_;  // confined to the codec's queue
  std::atomic<bool> didUpgrade_{false};
  const std::string id_;

  mutable std::mutex mutex_;
  std::shared_ptr<TCPTransport> transport_;     // guarded; set while the creation holds the lock
  EventBlock onEvent_;                          // guarded
  std::weak_ptr<ConnectionDelegate> delegate_;  // guarded
  EndHandler ended_;                            // guarded; one-shot
};

}  // namespace qor
