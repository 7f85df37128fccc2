// Makes the process's one WebSocket channel, on first use, for the WebSocket URL and header fields
// stored at that moment. Thread-safe; the provider and its channel live until the process ends.
#pragma once

#include <memory>

#include "common/channel/QORWebSocketChannel.h"

namespace qor {

class QORWebSocketChannelProvider {
 public:
  static std::shared_ptr<QORWebSocketChannelProvider> sharedInstance();

  // Always a QORCrossVersionWebSocketChannel.
  const std::shared_ptr<QORWebSocketChannel>& webSocketChannel() const { return webSocketChannel_; }

 private:
  QORWebSocketChannelProvider();

  const std::shared_ptr<QORWebSocketChannel> webSocketChannel_;
};

}  // namespace qor
