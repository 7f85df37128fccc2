#include "common/transport/QORServerTask.h"

#include <utility>

#include "common/actions/QORBaseClientAction.h"
#include "common/request/QORJsonByteObjectConverter.h"
#include "common/storage/QORCommonData.h"
#include "common/transport/QORError.h"
#include "common/transport/QORNetworkingUtils.h"
#include "platform/URL.h"

namespace qor {

std::shared_ptr<QORServerTask> QORServerTask::create() { return std::shared_ptr<QORServerTask>(new QORServerTask()); }

void QORServerTask::runClientAction(const std::shared_ptr<QORBaseClientAction>& action,
                                    QORServerTaskCompletion completion) {
  auto request = action ? action->request() : nullptr;
  if (!request) {
    completion(nullptr, QORError::error());
    return;
  }
  const bool shouldUseWebSocket = action->shouldUseWebSocket();
  auto stored = QORCommonData::requestValues(shouldUseWebSocket && !QORNetworkingUtils::hasWebsocketError());
  // Handed over for this build only: a later build reads the store anew.
  request->setStoredValues(
      QORBaseRequest::StoredValues{std::move(stored.installationId), std::move(stored.pubVtnBase64)});
  auto dictionary = request->requestDictionary();
  request->setStoredValues(std::nullopt);
  if (!dictionary) {
    completion(nullptr, QORError::error());
    return;
  }
  // An action without a path has no URL, like a missing host.
  auto path = action->urlPath();
  auto url = path ? platform::URL::withHostAndPath(stored.host, *path) : std::nullopt;
  auto urlRequest = QORNetworkingUtils::createRequestWithURL(std::move(url), action->httpMethod(),
                                                             QORJsonByteObjectConverter::dataFromDictionary(dictionary),
                                                             *stored.httpHeaders);
  QORNetworkingUtils::runDataTaskWithURLRequest(
      urlRequest, shouldUseWebSocket, action->shouldReconnectWebsocket(), stored.webSocketHost,
      [action, completion = std::move(completion)](platform::OptBytes data, std::optional<platform::Error> error) {
        if (data && !error) {
          if (auto response = responseFromData(data, action->responseClass())) {
            completion(response, std::nullopt);
          } else {
            completion(nullptr, QORError::error());
          }
          return;
        }
        // Bytes that came with an error are dropped.
        completion(nullptr, error ? std::move(error) : QORError::error());
      });
}

}  // namespace qor
