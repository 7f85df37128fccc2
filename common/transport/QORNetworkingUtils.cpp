#include "common/transport/QORNetworkingUtils.h"

#include <atomic>
#include <limits>
#include <mutex>
#include <utility>

#include "common/request/DictionaryQOR.h"
#include "common/request/QORJsonByteObjectConverter.h"
#include "common/storage/QORCommonData.h"
#include "common/transport/QORError.h"
#include "common/transport/QORWebSocketChannelRoad.h"
#include "common/transport/internal/WebSocketFailureFlag.h"
#include "platform/http/OperationQueue.h"
#include "platform/http/URLSession.h"

namespace qor {

namespace {

std::mutex& roadMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}
std::shared_ptr<QORWebSocketRoad>& installedRoad() {
  static auto* road = new std::shared_ptr<QORWebSocketRoad>;
  return *road;
}

// 1000 plus a code that the server chose: saturated, so a huge "code" cannot overflow.
int64_t defaultCodePlus(int64_t code) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  if (code > kMax - QORErrorDefaultCode) return kMax;
  return QORErrorDefaultCode + code;
}

bool hasErrorMember(const std::optional<platform::Json>& answer) { return answer && answer->contains("error"); }

// The error of a failed answer from the answer already parsed (nullopt: not a JSON object).
platform::Error errorFromAnswer(const std::optional<platform::Json>& answer, const std::optional<platform::Error>& error) {
  if (error) {
    return QORError::errorWithCode(defaultCodePlus(error->code), error, error->localizedDescription());
  }
  int64_t code = 0;
  std::optional<std::string> description;
  if (answer) {
    if (const platform::Json* object = platform::member(*answer, "error"); object && object->is_object()) {
      code = integerValueForKey(*object, "code").value_or(0);
      description = platform::stringMember(*object, "message");
    }
  }
  return QORError::errorWithCode(defaultCodePlus(code), std::nullopt, description);
}

}  // namespace

namespace internal {

std::atomic<bool>& websocketFailureFlag() {
  static std::atomic<bool> flag{false};
  return flag;
}

}  // namespace internal

std::optional<platform::URLRequest> QORNetworkingUtils::createRequestWithURL(std::optional<platform::URL> url,
                                                                             const std::string& httpMethod,
                                                                             platform::OptBytes httpBody,
                                                                             const platform::Json& httpHeaders) {
  if (!url) return std::nullopt;
  std::optional<platform::URLRequest> request(std::in_place, std::move(url));
  request->setHTTPMethod(httpMethod);
  addHttpHeaders(httpHeaders, *request);
  request->setHTTPBody(std::move(httpBody));
  return request;
}

void QORNetworkingUtils::addHttpHeaders(const platform::Json& httpHeaders, platform::URLRequest& request) {
  // Added, not set: a stored "Content-Type" joins the first one with a comma.
  request.addValue("application/json", "Content-Type");
  if (!httpHeaders.is_object()) return;
  for (const auto& [name, value] : httpHeaders.items()) {
    if (value.is_string()) request.addValue(value.get_ref<const std::string&>(), name);
  }
}

void QORNetworkingUtils::runDataTaskWithURLRequest(const std::optional<platform::URLRequest>& request,
                                                   bool shouldUseWebsocket, bool shouldReconnectWebsocket,
                                                   QORNetworkingCompletion completion) {
  const bool mayUseWebSocket = request && shouldUseWebsocket && !hasWebsocketError();
  runDataTaskWithURLRequest(request, shouldUseWebsocket, shouldReconnectWebsocket,
                            mayUseWebSocket ? QORCommonData::webSocketHost() : std::nullopt, std::move(completion));
}

void QORNetworkingUtils::runDataTaskWithURLRequest(const std::optional<platform::URLRequest>& request,
                                                   bool shouldUseWebsocket, bool shouldReconnectWebsocket,
                                                   const std::optional<std::string>& webSocketHost,
                                                   QORNetworkingCompletion completion) {
  if (!request) {
    completion(std::nullopt, QORError::error());
    return;
  }
  if (shouldUseWebsocket && !hasWebsocketError() && webSocketHost) {
    useWebSocket(*request, shouldReconnectWebsocket, std::move(completion));
  } else {
    useHttps(*request, std::move(completion));
  }
}

void QORNetworkingUtils::useHttps(const platform::URLRequest& request, QORNetworkingCompletion completion) {
  // The completion (and what it holds, such as the action) is moved along, so that its last owner
  // is the block on the main queue.
  platform::OperationQueue::create()->addOperationWithBlock([request, completion = std::move(completion)]() mutable {
    auto task = platform::URLSession::shared()->dataTask(
        request, [completion = std::move(completion)](platform::OptBytes data,
                                                      std::optional<platform::HTTPURLResponse> response,
                                                      std::optional<platform::Error> error) mutable {
          int64_t statusCode = response ? response->statusCode : 0;
          platform::OperationQueue::mainQueue()->addOperationWithBlock(
              [data = std::move(data), error = std::move(error), statusCode, completion = std::move(completion)] {
                finishDataTaskWithData(data, error, statusCode, completion);
              });
        });
    task->resume();
  });
}

void QORNetworkingUtils::useWebSocket(const platform::URLRequest& request, bool shouldReconnect,
                                      QORNetworkingCompletion completion) {
  std::shared_ptr<QORWebSocketRoad> road;
  {
    std::lock_guard lock(roadMutex());
    road = installedRoad();
  }
  if (!road) road = std::make_shared<QORWebSocketChannelRoad>();
  road->useWebSocket(request, shouldReconnect, std::move(completion));
}

void QORNetworkingUtils::finishDataTaskWithData(const platform::OptBytes& data,
                                                const std::optional<platform::Error>& error, int64_t statusCode,
                                                const QORNetworkingCompletion& completion) {
  if (statusCode == 101 || statusCode == 200) {
    completion(data, std::nullopt);
    return;
  }
  // Parsed once for both the 400 test and the error's code and message; a transport error alone
  // makes the error of an answer that is not a 400.
  std::optional<platform::Json> answer;
  if (statusCode == 400 || !error) answer = QORJsonByteObjectConverter::dictionaryFromData(data);
  if (statusCode == 400 && !hasErrorMember(answer)) {
    completion(data, std::nullopt);
    return;
  }
  completion(data, errorFromAnswer(answer, error));
}

bool QORNetworkingUtils::isPlainODataError(const platform::OptBytes& data) {
  return hasErrorMember(QORJsonByteObjectConverter::dictionaryFromData(data));
}

platform::Error QORNetworkingUtils::errorFromServerResponse(const platform::OptBytes& data,
                                                            const std::optional<platform::Error>& error) {
  return errorFromAnswer(error ? std::nullopt : QORJsonByteObjectConverter::dictionaryFromData(data), error);
}

bool QORNetworkingUtils::hasWebsocketError() { return internal::websocketFailureFlag().load(); }

void QORNetworkingUtils::setHasWebsocketError() { internal::websocketFailureFlag().store(true); }

void QORNetworkingUtils::setWebSocketRoad(std::shared_ptr<QORWebSocketRoad> road) {
  std::lock_guard lock(roadMutex());
  installedRoad() = std::move(road);
}

}  // namespace qor
