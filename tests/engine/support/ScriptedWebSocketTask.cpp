#include "tests/engine/support/ScriptedWebSocketTask.h"

#include "common/websocket/urlsession/EngineWebSocketTask.h"
#include "platform/http/URLError.h"

namespace enginetest {

using platform::URLSessionWebSocketMessage;

template <class Call>
void ScriptedWebSocketTask::toDelegate(Call call) {
  session_->addDelegateOperation([self = shared_from_this(), call = std::move(call)] {
    if (auto delegate = self->session_->delegate()) call(*delegate, self->session_, self);
  });
}

void ScriptedWebSocketTask::open(std::optional<std::string> protocol) {
  {
    std::lock_guard lock(mutex_);
    response_ = platform::HTTPURLResponse{request_.url() ? request_.url()->absoluteString() : "", 101, {}};
  }
  toDelegate([protocol](auto& delegate, auto& session, auto& task) {
    delegate.urlSessionWebSocketTaskDidOpenWithProtocol(session, task, protocol);
  });
}

void ScriptedWebSocketTask::closeWith(int64_t code, platform::OptBytes reason) {
  toDelegate([code, reason](auto& delegate, auto& session, auto& task) {
    delegate.urlSessionWebSocketTaskDidCloseWithCode(session, task, code, reason);
  });
  completeWith(std::nullopt);
}

void ScriptedWebSocketTask::completeWith(std::optional<platform::Error> error) {
  toDelegate([error](auto& delegate, auto& session, auto& task) {
    delegate.urlSessionTaskDidCompleteWithError(session, task, error);
  });
}

bool ScriptedWebSocketTask::deliver(URLSessionWebSocketMessage message) {
  ReceiveCompletion receive;
  {
    std::lock_guard lock(mutex_);
    if (receives_.empty()) return false;
    receive = std::move(receives_.front());
    receives_.pop_front();
  }
  session_->addDelegateOperation([receive = std::move(receive), message = std::move(message)] { receive(message, std::nullopt); });
  return true;
}

bool ScriptedWebSocketTask::failReceive(const platform::Error& error) {
  ReceiveCompletion receive;
  {
    std::lock_guard lock(mutex_);
    if (receives_.empty()) return false;
    receive = std::move(receives_.front());
    receives_.pop_front();
  }
  session_->addDelegateOperation([receive = std::move(receive), error] { receive(std::nullopt, error); });
  return true;
}

bool ScriptedWebSocketTask::completeSend(std::optional<platform::Error> error) {
  SendCompletion send;
  {
    std::lock_guard lock(mutex_);
    if (sends_.empty()) return false;
    send = std::move(sends_.front());
    sends_.pop_front();
  }
  if (send) session_->addDelegateOperation([send = std::move(send), error] { send(error); });
  return true;
}

size_t ScriptedWebSocketTask::waitingReceives() const {
  std::lock_guard lock(mutex_);
  return receives_.size();
}

bool ScriptedWebSocketTask::resumed() const {
  std::lock_guard lock(mutex_);
  return resumed_;
}

int ScriptedWebSocketTask::cancels() const {
  std::lock_guard lock(mutex_);
  return cancels_;
}

std::vector<int64_t> ScriptedWebSocketTask::closeCodes() const {
  std::lock_guard lock(mutex_);
  return closeCodes_;
}

std::vector<URLSessionWebSocketMessage> ScriptedWebSocketTask::sent() const {
  std::lock_guard lock(mutex_);
  return sent_;
}

int ScriptedWebSocketTask::pings() const {
  std::lock_guard lock(mutex_);
  return pings_;
}

void ScriptedWebSocketTask::resume() {
  std::lock_guard lock(mutex_);
  resumed_ = true;
}

void ScriptedWebSocketTask::cancel() {
  std::lock_guard lock(mutex_);
  ++cancels_;
}

void ScriptedWebSocketTask::cancelWithCloseCode(int64_t closeCode, platform::OptBytes) {
  std::lock_guard lock(mutex_);
  closeCodes_.push_back(closeCode);
}

void ScriptedWebSocketTask::sendMessage(URLSessionWebSocketMessage message, SendCompletion completion) {
  std::lock_guard lock(mutex_);
  sent_.push_back(std::move(message));
  sends_.push_back(std::move(completion));
}

void ScriptedWebSocketTask::receiveMessageWithCompletionHandler(ReceiveCompletion completion) {
  std::lock_guard lock(mutex_);
  receives_.push_back(std::move(completion));
}

void ScriptedWebSocketTask::sendPingWithPongReceiveHandler(PongReceiveHandler) {
  std::lock_guard lock(mutex_);
  ++pings_;
}

ScriptedWebSocketTask::State ScriptedWebSocketTask::state() const { return resumed() ? State::running : State::suspended; }

int64_t ScriptedWebSocketTask::closeCode() const { return kCloseCodeInvalid; }

platform::OptBytes ScriptedWebSocketTask::closeReason() const { return std::nullopt; }

std::optional<platform::HTTPURLResponse> ScriptedWebSocketTask::response() const {
  std::lock_guard lock(mutex_);
  return response_;
}

ScriptedTaskFactory::ScriptedTaskFactory() {
  // The library registers its own factory once, on first use: that must be behind us, or it would
  // replace ours.
  qor::EngineWebSocketTask::registerWithURLSession();
  previous_ = platform::URLSession::registerWebSocketTaskFactory(
      [made = made_](std::shared_ptr<platform::URLSession> session, platform::URLRequest request, uint64_t identifier)
          -> std::shared_ptr<platform::URLSessionWebSocketTask> {
        auto task = std::make_shared<ScriptedWebSocketTask>(std::move(session), std::move(request), identifier);
        std::lock_guard lock(made->mutex);
        made->tasks.push_back(task);
        return task;
      });
}

ScriptedTaskFactory::~ScriptedTaskFactory() { platform::URLSession::registerWebSocketTaskFactory(previous_); }

std::vector<std::shared_ptr<ScriptedWebSocketTask>> ScriptedTaskFactory::tasks() const {
  std::lock_guard lock(made_->mutex);
  return made_->tasks;
}

std::shared_ptr<ScriptedWebSocketTask> ScriptedTaskFactory::last() const {
  std::lock_guard lock(made_->mutex);
  return made_->tasks.empty() ? nullptr : made_->tasks.back();
}

}  // namespace enginetest
