#include "common/websocket/engine/NativeEngine.h"

#include "common/websocket/WSError.h"
#include "common/websocket/framer/FrameCollector.h"
#include "common/websocket/framer/UTF8.h"
#include "common/websocket/http/HTTPConstants.h"
#include "common/websocket/urlsession/EngineWebSocketTask.h"

namespace qor {

using platform::URLSessionWebSocketMessage;
using platform::URLSessionWebSocketTask;

std::shared_ptr<NativeEngine> NativeEngine::create() { return std::shared_ptr<NativeEngine>(new NativeEngine()); }

std::shared_ptr<EngineDelegate> NativeEngine::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

void NativeEngine::registerDelegate(std::weak_ptr<EngineDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

std::shared_ptr<URLSessionWebSocketTask> NativeEngine::task() const {
  std::lock_guard lock(mutex_);
  return task_;
}

bool NativeEngine::isCurrent(const std::shared_ptr<URLSessionWebSocketTask>& task) const {
  std::lock_guard lock(mutex_);
  return task && task_ == task;
}

void NativeEngine::report(WebSocketEvent event) {
  if (auto d = delegate()) d->didReceive(std::move(event));
}

void NativeEngine::start(const platform::URLRequest& request) {
  EngineWebSocketTask::registerWithURLSession();
  auto session = platform::URLSession::create(platform::URLSession::Configuration{}, weak_from_this(), nullptr);
  auto task = session->webSocketTaskWithRequest(request);
  std::shared_ptr<URLSessionWebSocketTask> previous;
  {
    std::lock_guard lock(mutex_);
    previous = std::exchange(task_, task);
  }
  // The earlier connection must not stay open beside the new one.
  if (previous) previous->cancel();
  if (!task) return;
  receiveNext(task);
  task->resume();
}

void NativeEngine::stop(uint16_t closeCode) {
  if (auto task = this->task()) task->cancelWithCloseCode(closeCode, std::nullopt);
}

void NativeEngine::forceStop() { stop(URLSessionWebSocketTask::kCloseCodeAbnormalClosure); }

void NativeEngine::writeString(const std::string& string, WriteCompletion completion) {
  auto task = this->task();
  if (!task) return;
  if (!isValidUTF8(reinterpret_cast<const uint8_t*>(string.data()), string.size())) {
    report(WebSocketEvent::Error{makeError<WSError>(ErrorType::protocolError, collector_error::kInvalidUTF8,
                                                    rawCode(CloseCode::encoding))});
    return;
  }
  task->sendMessage(URLSessionWebSocketMessage::withString(string), [completion = std::move(completion)](auto) {
    if (completion) completion();
  });
}

void NativeEngine::writeData(platform::Bytes data, FrameOpCode opcode, WriteCompletion completion) {
  switch (opcode) {
    case FrameOpCode::textFrame:
      writeString(platform::stringFromBytes(data), std::move(completion));
      return;
    case FrameOpCode::binaryFrame:
      if (auto task = this->task()) {
        task->sendMessage(URLSessionWebSocketMessage::withData(std::move(data)), [completion = std::move(completion)](auto) {
          if (completion) completion();
        });
      }
      return;
    case FrameOpCode::ping:
      if (auto task = this->task()) {
        task->sendPingWithPongReceiveHandler([completion = std::move(completion)](auto) {
          if (completion) completion();
        });
      }
      return;
    case FrameOpCode::continueFrame:
    case FrameOpCode::connectionClose:
    case FrameOpCode::pong:
    case FrameOpCode::unknown:
      return;
  }
}

// The receive loop of one task: it asks that task again after each message and ends at the first
// failure, which would otherwise repeat at once on a task that has ended.
void NativeEngine::receiveNext(const std::shared_ptr<URLSessionWebSocketTask>& task) {
  std::weak_ptr<NativeEngine> weak = weak_from_this();
  std::weak_ptr<URLSessionWebSocketTask> weakTask = task;
  task->receiveMessageWithCompletionHandler(
      [weak, weakTask](std::optional<URLSessionWebSocketMessage> message, std::optional<platform::Error> error) {
        auto self = weak.lock();
        auto current = weakTask.lock();
        if (!self || !current || !self->isCurrent(current)) return;
        if (!message) {
          self->report(WebSocketEvent::Error{error ? makeError<PlatformError>(std::move(*error)) : nullptr});
          return;
        }
        if (message->type == URLSessionWebSocketMessage::Type::string) {
          self->report(WebSocketEvent::Text{std::move(message->string)});
        } else {
          self->report(WebSocketEvent::Binary{std::move(message->data)});
        }
        self->receiveNext(current);
      });
}

// Session messages, on the session's delegate queue.

void NativeEngine::urlSessionWebSocketTaskDidOpenWithProtocol(const std::shared_ptr<platform::URLSession>&,
                                                              const std::shared_ptr<URLSessionWebSocketTask>& task,
                                                              const std::optional<std::string>& protocol) {
  if (!isCurrent(task)) return;
  report(WebSocketEvent::Connected{HeaderFields{{kHeaderWSProtocol, protocol.value_or("")}}});
}

void NativeEngine::urlSessionWebSocketTaskDidCloseWithCode(const std::shared_ptr<platform::URLSession>&,
                                                           const std::shared_ptr<URLSessionWebSocketTask>& task,
                                                           int64_t closeCode, const platform::OptBytes& reason) {
  if (!isCurrent(task)) return;
  std::string text;
  if (reason && isValidUTF8(*reason)) text = platform::stringFromBytes(*reason);
  report(WebSocketEvent::Disconnected{std::move(text), static_cast<uint16_t>(closeCode)});
}

}  // namespace qor
