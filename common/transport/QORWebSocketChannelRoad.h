// The WebSocket road over a channel: get the channel ready, send the request's body as one text
// message and judge the answer. When the channel cannot get ready, or the answer is an error (a
// failure, or a status message other than "ok"), WebSocket is switched off for the process and the
// same request goes over HTTPS with the same completion.
//
// Runs on the main queue (a call from elsewhere is moved there); the completion runs there too.
#pragma once

#include <memory>

#include "common/channel/QORWebSocketChannel.h"
#include "common/transport/QORWebSocketRoad.h"

namespace qor {

class QORWebSocketChannelRoad final : public QORWebSocketRoad {
 public:
  // No channel: the process's one channel (QORWebSocketChannelProvider), made on first use.
  explicit QORWebSocketChannelRoad(std::shared_ptr<QORWebSocketChannel> channel = nullptr)
      : channel_(std::move(channel)) {}

  void useWebSocket(const platform::URLRequest& request, bool shouldReconnect,
                    QORNetworkingCompletion completion) override;

 private:
  const std::shared_ptr<QORWebSocketChannel> channel_;
};

}  // namespace qor
