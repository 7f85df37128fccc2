#include "common/channel/QORWebSocketChannelProvider.h"

#include "common/channel/QORCrossVersionWebSocketChannel.h"

namespace qor {

std::shared_ptr<QORWebSocketChannelProvider> QORWebSocketChannelProvider::sharedInstance() {
  // Never destroyed: a late answer during exit finds its channel still there.
  static auto* provider = new std::shared_ptr<QORWebSocketChannelProvider>(new QORWebSocketChannelProvider());
  return *provider;
}

QORWebSocketChannelProvider::QORWebSocketChannelProvider()
    : webSocketChannel_(QORCrossVersionWebSocketChannel::create()) {}

}  // namespace qor
