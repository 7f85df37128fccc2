#include "common/transport/QORWebSocketChannelRoad.h"

#include "common/channel/QORWebSocketChannelProvider.h"
#include "common/transport/QORNetworkingUtils.h"
#include "platform/Queue.h"

namespace qor {

namespace {

void fallBackToHttps(const platform::URLRequest& request, QORNetworkingCompletion completion) {
  QORNetworkingUtils::setHasWebsocketError();
  QORNetworkingUtils::useHttps(request, std::move(completion));
}

}  // namespace

void QORWebSocketChannelRoad::useWebSocket(const platform::URLRequest& request, bool shouldReconnect,
                                           QORNetworkingCompletion completion) {
  auto main = platform::MainQueue::shared();
  if (!main->isCurrent()) {
    // The channel and its blocks belong to the main queue.
    main->post([channel = channel_, request, shouldReconnect, completion = std::move(completion)]() mutable {
      QORWebSocketChannelRoad(channel).useWebSocket(request, shouldReconnect, std::move(completion));
    });
    return;
  }
  auto channel = channel_ ? channel_ : QORWebSocketChannelProvider::sharedInstance()->webSocketChannel();
  std::weak_ptr<QORWebSocketChannel> weak = channel;
  channel->prepareWithReconnection(
      shouldReconnect, [weak, request, completion = std::move(completion)](bool ready) mutable {
        auto readyChannel = weak.lock();
        // Once WebSocket failed, every request goes over HTTPS, also one whose turn came only now.
        if (!ready || !readyChannel || QORNetworkingUtils::hasWebsocketError()) {
          fallBackToHttps(request, std::move(completion));
          return;
        }
        readyChannel->sendMessage(request.httpBody().value_or(platform::Bytes{}),
                             [request, completion = std::move(completion)](
                                 platform::OptBytes data, std::optional<platform::Error> error, int64_t status) mutable {
                               if (error) {
                                 fallBackToHttps(request, std::move(completion));
                                 return;
                               }
                               QORNetworkingUtils::finishDataTaskWithData(data, std::nullopt, status, completion);
                             });
      });
}

}  // namespace qor
