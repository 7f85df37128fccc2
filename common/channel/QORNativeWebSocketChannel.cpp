#include "common/channel/QORNativeWebSocketChannel.h"

#include "common/websocket/urlsession/EngineWebSocketTask.h"
#include "platform/Queue.h"
#include "platform/SystemLog.h"

namespace qor {

using platform::URLSessionWebSocketMessage;

std::shared_ptr<QORNativeWebSocketChannel> QORNativeWebSocketChannel::create() { return create(makeUrlRequest()); }

std::shared_ptr<QORNativeWebSocketChannel> QORNativeWebSocketChannel::create(platform::URLRequest request) {
  EngineWebSocketTask::registerWithURLSession();
  auto channel = std::shared_ptr<QORNativeWebSocketChannel>(new QORNativeWebSocketChannel(std::move(request)));
  channel->setup();
  return channel;
}

void QORNativeWebSocketChannel::setup() {
  operationQueue_ = platform::OperationQueue::create();
  session_ = platform::URLSession::create(platform::URLSession::Configuration{}, weakSelf(), operationQueue_);
  task_ = webSocketTask();
  isOpen_ = false;
}

QORNativeWebSocketChannel::TaskPtr QORNativeWebSocketChannel::webSocketTask() {
  return session_->webSocketTaskWithRequest(request_);
}

std::weak_ptr<QORNativeWebSocketChannel> QORNativeWebSocketChannel::weakSelf() {
  return std::static_pointer_cast<QORNativeWebSocketChannel>(shared_from_this());
}

void QORNativeWebSocketChannel::onMain(std::function<void(QORNativeWebSocketChannel&)> step) {
  platform::MainQueue::shared()->postFor(weakSelf(), [step = std::move(step)](const std::shared_ptr<QORNativeWebSocketChannel>& self) {
    step(*self);
  });
}

int64_t QORNativeWebSocketChannel::upgradeStatus() const {
  auto response = task_ ? task_->response() : std::nullopt;
  return response ? response->statusCode : 0;
}

// The connection: a task of the channel's session.

bool QORNativeWebSocketChannel::hasURL() const { return request_.url().has_value(); }

double QORNativeWebSocketChannel::timeoutInterval() const { return request_.timeoutInterval(); }

void QORNativeWebSocketChannel::open(bool) {
  // Whether asked to reconnect or not, the task before is done with: it must not stay open.
  if (auto previous = std::exchange(task_, webSocketTask())) previous->cancel();
  isOpen_ = false;
  if (!task_) {
    onMain([](QORNativeWebSocketChannel& self) { self.connectionLost(); });
    return;
  }
  receiveNext(task_);
  task_->resume();
}

void QORNativeWebSocketChannel::close() {
  if (task_) task_->cancelWithCloseCode(platform::URLSessionWebSocketTask::kCloseCodeNormalClosure, std::nullopt);
  isOpen_ = false;
}

void QORNativeWebSocketChannel::sendText(const std::string& text) {
  std::weak_ptr<QORNativeWebSocketChannel> weak = weakSelf();
  // The task keeps this completion until the send ends: holding the task here would keep both alive.
  std::weak_ptr<platform::URLSessionWebSocketTask> weakTask = task_;
  task_->sendMessage(URLSessionWebSocketMessage::withString(text), [weak, weakTask](std::optional<platform::Error> error) {
    if (!error) return;
    auto self = weak.lock();
    auto task = weakTask.lock();
    if (self && task) {
      self->onMain([task, error = *error](QORNativeWebSocketChannel& channel) { channel.sendFailed(task, error); });
    }
  });
}

// Every message of the task is taken, so that one nobody waits for is dropped rather than taken
// later for the next request's answer. The loop ends at the first failure.
void QORNativeWebSocketChannel::receiveNext(const TaskPtr& task) {
  std::weak_ptr<QORNativeWebSocketChannel> weak = weakSelf();
  std::weak_ptr<platform::URLSessionWebSocketTask> weakTask = task;
  task->receiveMessageWithCompletionHandler(
      [weak, weakTask](std::optional<URLSessionWebSocketMessage> message, std::optional<platform::Error> error) {
        auto self = weak.lock();
        auto current = weakTask.lock();
        if (!self || !current) return;
        if (message) self->receiveNext(current);
        self->onMain([current, message = std::move(message), error = std::move(error)](QORNativeWebSocketChannel& channel) {
          channel.received(current, message, error);
        });
      });
}

// Session messages: moved to the main queue.

void QORNativeWebSocketChannel::urlSessionWebSocketTaskDidOpenWithProtocol(const std::shared_ptr<platform::URLSession>&,
                                                                           const TaskPtr& task,
                                                                           const std::optional<std::string>&) {
  onMain([task](QORNativeWebSocketChannel& self) { self.opened(task); });
}

void QORNativeWebSocketChannel::urlSessionWebSocketTaskDidCloseWithCode(const std::shared_ptr<platform::URLSession>&,
                                                                        const TaskPtr& task, int64_t closeCode,
                                                                        const platform::OptBytes& reason) {
  onMain([task, closeCode, reason](QORNativeWebSocketChannel& self) { self.closed(task, closeCode, reason); });
}

void QORNativeWebSocketChannel::urlSessionTaskDidCompleteWithError(const std::shared_ptr<platform::URLSession>&,
                                                                   const TaskPtr& task,
                                                                   const std::optional<platform::Error>& error) {
  onMain([task, error](QORNativeWebSocketChannel& self) { self.completed(task, error); });
}

// On the main queue.

void QORNativeWebSocketChannel::opened(const TaskPtr& task) {
  if (!isCurrent(task)) return;
  isOpen_ = true;
  connectionOpened();
}

void QORNativeWebSocketChannel::closed(const TaskPtr& task, int64_t code, const platform::OptBytes& reason) {
  platform::systemLog("close code: " + std::to_string(code) + ", \nreason: " +
                      platform::stringFromBytes(reason.value_or(platform::Bytes{})));
  if (!isCurrent(task)) return;
  isOpen_ = false;
  task->cancel();
  connectionLost();
}

void QORNativeWebSocketChannel::completed(const TaskPtr& task, const std::optional<platform::Error>& error) {
  if (!isCurrent(task)) return;
  isOpen_ = false;
  connectionFailed(error);
}

void QORNativeWebSocketChannel::sendFailed(const TaskPtr& task, const platform::Error& error) {
  platform::systemLog(error.localizedDescription());
  if (!isCurrent(task)) return;
  task->cancel();
  isOpen_ = false;
  answerFailed(error, 0);
}

void QORNativeWebSocketChannel::received(const TaskPtr& task, const std::optional<URLSessionWebSocketMessage>& message,
                                         const std::optional<platform::Error>& error) {
  if (!isCurrent(task)) return;
  if (!message) {
    if (error) answerFailed(*error, upgradeStatus());
    return;
  }
  answerArrived(message->type == URLSessionWebSocketMessage::Type::string ? platform::bytesFromString(message->string)
                                                                           : message->data,
                upgradeStatus());
}

}  // namespace qor
