// The WebSocket channel over the stack's adapter (QOREngineWebSocket): connects lazily, reconnects
// when asked, sends each request as one text frame and hands back the next text that arrives. The
// exchange rules are those of QORSerialWebSocketChannel.
//
// Main queue only (checked in Debug builds): called there, and the adapter (whose delegate it is)
// reports there too.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/channel/QORSerialWebSocketChannel.h"
#include "common/websocket/adapter/QOREngineWebSocket.h"

namespace qor {

class QORCrossVersionWebSocketChannel : public QORSerialWebSocketChannel, public QOREngineWebSocketDelegate {
 public:
  // With an adapter for makeUrlRequest(); does not connect.
  static std::shared_ptr<QORCrossVersionWebSocketChannel> create();
  // Around the given adapter, which gets the channel as its delegate.
  static std::shared_ptr<QORCrossVersionWebSocketChannel> create(std::shared_ptr<QOREngineWebSocket> socket);

  const std::shared_ptr<QOREngineWebSocket>& socket() const { return socket_; }

  // Hands a text to the waiting answer; dropped when none waits.
  void handleReceivedMessage(const std::string& text);

  void engineWebSocketDidConnectWithHeaders(const Socket& socket, const platform::Json& headers) override;
  void engineWebSocketDidDisconnectWithReason(const Socket& socket, const std::string& reason, uint16_t code) override;
  void engineWebSocketDidReceiveText(const Socket& socket, const std::string& text) override;
  void engineWebSocketDidReceiveError(const Socket& socket, const std::optional<platform::Error>& error) override;
  void engineWebSocketDidCancel(const Socket& socket) override;

 protected:
  explicit QORCrossVersionWebSocketChannel(std::shared_ptr<QOREngineWebSocket> socket);

 private:
  bool hasURL() const override;
  bool isOpen() const override;
  void open(bool renew) override;
  void close() override;
  void sendText(const std::string& text) override;
  double timeoutInterval() const override;

  const std::shared_ptr<QOREngineWebSocket> socket_;
};

}  // namespace qor
