// Carries one HTTP request of a client action and judges its answer: the transport choice
// (WebSocket when a WebSocket URL is stored, the action asks for it and WebSocket has not failed in
// this process; else HTTPS), the HTTPS data task on the shared URL session, and the mapping of HTTP
// statuses and error objects to errors of QORErrorDomain.
//
// Called on the main queue (or, for the device-information report, on its own queue); every
// completion of a request that was sent runs once, on the main queue. Class methods only; the one
// bit of state is the process-wide `hasWebsocketError`, only ever set.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/transport/QORWebSocketRoad.h"
#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Json.h"
#include "platform/URL.h"
#include "platform/URLRequest.h"

namespace qor {

class QORNetworkingUtils {
 public:
  // A request for the URL with the method, the headers (first "Content-Type: application/json",
  // then every stored header, all added) and the body; nullopt when there is no URL. The URL and the
  // body are taken by value, so a caller's temporaries move into the request.
  static std::optional<platform::URLRequest> createRequestWithURL(std::optional<platform::URL> url,
                                                                  const std::string& httpMethod,
                                                                  platform::OptBytes httpBody,
                                                                  const platform::Json& httpHeaders);
  static void addHttpHeaders(const platform::Json& httpHeaders, platform::URLRequest& request);

  // Chooses the road. No request: the completion runs at once with error 1000.
  static void runDataTaskWithURLRequest(const std::optional<platform::URLRequest>& request, bool shouldUseWebsocket,
                                        bool shouldReconnectWebsocket, QORNetworkingCompletion completion);
  // The same with the stored WebSocket URL read by the caller, with its other stored values (it
  // need not read it when the request cannot go over WebSocket).
  static void runDataTaskWithURLRequest(const std::optional<platform::URLRequest>& request, bool shouldUseWebsocket,
                                        bool shouldReconnectWebsocket, const std::optional<std::string>& webSocketHost,
                                        QORNetworkingCompletion completion);
  // One data task of the shared URL session, started from a fresh operation queue; its outcome hops
  // to the main queue and is judged there.
  static void useHttps(const platform::URLRequest& request, QORNetworkingCompletion completion);
  // The installed WebSocket road; without one, the road over the process's one WebSocket channel.
  static void useWebSocket(const platform::URLRequest& request, bool shouldReconnect, QORNetworkingCompletion completion);

  // 101 and 200 are answers; 400 is one unless its body is a plain error object; anything else,
  // 0 (no HTTP answer) included, is an error made by `errorFromServerResponse`.
  static void finishDataTaskWithData(const platform::OptBytes& data, const std::optional<platform::Error>& error,
                                     int64_t statusCode, const QORNetworkingCompletion& completion);
  // True for a JSON object with an "error" member, whatever its value.
  static bool isPlainODataError(const platform::OptBytes& data);
  // 1000 plus the transport error's code (with it as underlying error and its description), or plus
  // the answer's "error"."code" (0 when absent or unreadable) with its "message" as description.
  static platform::Error errorFromServerResponse(const platform::OptBytes& data, const std::optional<platform::Error>& error);

  static bool hasWebsocketError();
  // Sets the flag; nothing clears it, so HTTPS carries every request until the process ends.
  static void setHasWebsocketError();
  // Replaces the road over the process's channel (nullptr goes back to it); for tests.
  static void setWebSocketRoad(std::shared_ptr<QORWebSocketRoad> road);
};

}  // namespace qor
