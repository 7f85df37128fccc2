// The URL session's WebSocket task: one WebSocket connection for a request, with messages to send
// and to receive, pings, and a close with a code and a reason; and the session delegate's messages
// about it.
//
// The platform library does not speak WebSocket itself: the library that does registers a factory
// with `URLSession::registerWebSocketTaskFactory`, and `URLSession::webSocketTaskWithRequest` gives
// nullptr until one is registered. Whatever the implementation, a task delivers every delegate
// message and every completion through its session (`URLSession::addDelegateOperation`): on the
// session's delegate queue, one at a time, in the order the task produced them.
//
// All methods are thread-safe. A running task keeps its session alive; the session holds its
// delegate weakly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/QORPlatformExport.h"
#include "platform/URLRequest.h"
#include "platform/http/HTTPURLResponse.h"

namespace platform {

class URLSession;

// One WebSocket message: text or bytes.
struct QOR_PLATFORM_EXPORT URLSessionWebSocketMessage {
  enum class Type { data, string };

  static URLSessionWebSocketMessage withString(std::string text) { return {Type::string, {}, std::move(text)}; }
  static URLSessionWebSocketMessage withData(Bytes bytes) { return {Type::data, std::move(bytes), {}}; }

  Type type = Type::data;
  Bytes data;          // for Type::data
  std::string string;  // for Type::string, UTF-8
};

class QOR_PLATFORM_EXPORT URLSessionWebSocketTask {
 public:
  enum class State { running, suspended, canceling, completed };

  // The platform's close codes: 0 until a close happened.
  static constexpr int64_t kCloseCodeInvalid = 0;
  static constexpr int64_t kCloseCodeNormalClosure = 1000;
  static constexpr int64_t kCloseCodeAbnormalClosure = 1006;

  using SendCompletion = std::function<void(std::optional<Error> error)>;
  // A message, or the error that ended the connection.
  using ReceiveCompletion = std::function<void(std::optional<URLSessionWebSocketMessage> message, std::optional<Error> error)>;
  using PongReceiveHandler = std::function<void(std::optional<Error> error)>;

  virtual ~URLSessionWebSocketTask() = default;

  // Opens the connection; later calls do nothing.
  virtual void resume() = 0;
  // Ends the task at once, without a close frame; what waits fails with kURLErrorCancelled.
  virtual void cancel() = 0;
  // Closes the connection with this close code and reason (no reason when nullopt).
  virtual void cancelWithCloseCode(int64_t closeCode, OptBytes reason) = 0;
  virtual void sendMessage(URLSessionWebSocketMessage message, SendCompletion completion) = 0;
  // The next message, in arrival order; messages nobody asked for yet wait in the task.
  virtual void receiveMessageWithCompletionHandler(ReceiveCompletion completion) = 0;
  // The handler runs once the pong arrived, or with the error that ended the connection.
  virtual void sendPingWithPongReceiveHandler(PongReceiveHandler handler) = 0;

  virtual State state() const = 0;
  // The close code and reason of the close that ended the connection.
  virtual int64_t closeCode() const = 0;
  virtual OptBytes closeReason() const = 0;
  // The answer to the upgrade request, once it arrived.
  virtual std::optional<HTTPURLResponse> response() const = 0;
  virtual uint64_t taskIdentifier() const = 0;
  virtual const URLRequest& originalRequest() const = 0;
};

// The session delegate's messages about WebSocket tasks, all optional.
class QOR_PLATFORM_EXPORT URLSessionWebSocketDelegate {
 public:
  virtual ~URLSessionWebSocketDelegate() = default;

  // The upgrade was accepted; the protocol the server chose, if any.
  virtual void urlSessionWebSocketTaskDidOpenWithProtocol(const std::shared_ptr<URLSession>& session,
                                                          const std::shared_ptr<URLSessionWebSocketTask>& task,
                                                          const std::optional<std::string>& protocol) {
    static_cast<void>(session), static_cast<void>(task), static_cast<void>(protocol);
  }
  // The close handshake ended with this code and reason.
  virtual void urlSessionWebSocketTaskDidCloseWithCode(const std::shared_ptr<URLSession>& session,
                                                       const std::shared_ptr<URLSessionWebSocketTask>& task,
                                                       int64_t closeCode, const OptBytes& reason) {
    static_cast<void>(session), static_cast<void>(task), static_cast<void>(closeCode), static_cast<void>(reason);
  }
  // The task ended: no error after a close, else the error that ended it.
  virtual void urlSessionTaskDidCompleteWithError(const std::shared_ptr<URLSession>& session,
                                                  const std::shared_ptr<URLSessionWebSocketTask>& task,
                                                  const std::optional<Error>& error) {
    static_cast<void>(session), static_cast<void>(task), static_cast<void>(error);
  }
};

// Makes a task of `session` for `request`, with the identifier the session chose.
using URLSessionWebSocketTaskFactory = std::function<std::shared_ptr<URLSessionWebSocketTask>(
    std::shared_ptr<URLSession> session, URLRequest request, uint64_t identifier)>;

}  // namespace platform
