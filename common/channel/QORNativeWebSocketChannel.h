// The WebSocket channel over the URL session's WebSocket task, beside QORCrossVersionWebSocketChannel
// and with its exchange rules (QORSerialWebSocketChannel); the provider never makes it.
//
// A prepare that finds no open task makes a new one (cancelling the one before) and resumes it; the
// session's open message answers YES, its close or a failure NO. A request goes as one text message;
// the task's next message answers it, with the upgrade answer's HTTP status as status; a send error
// is logged, cancels the task and answers with status 0. Every session message and completion hops
// to the main queue, and one from a task that was replaced is ignored (a reconnect never answers the
// new prepare with the old task's close). Messages nobody waits for are dropped.
//
// Lives on the main queue; the session reports on its operation queue, and the channel moves
// everything to the main queue before touching its state.
#pragma once

#include <memory>

#include "common/channel/QORSerialWebSocketChannel.h"
#include "platform/http/URLSession.h"

namespace qor {

class QORNativeWebSocketChannel : public QORSerialWebSocketChannel, public platform::URLSessionWebSocketDelegate {
 public:
  // For makeUrlRequest(); does not connect.
  static std::shared_ptr<QORNativeWebSocketChannel> create();
  static std::shared_ptr<QORNativeWebSocketChannel> create(platform::URLRequest request);

  const std::shared_ptr<platform::URLSessionWebSocketTask>& task() const { return task_; }
  const std::shared_ptr<platform::URLSession>& session() const { return session_; }
  const std::shared_ptr<platform::OperationQueue>& operationQueue() const { return operationQueue_; }
  bool isOpen() const override { return isOpen_; }

  // On the session's operation queue.
  void urlSessionWebSocketTaskDidOpenWithProtocol(const std::shared_ptr<platform::URLSession>& session,
                                                  const std::shared_ptr<platform::URLSessionWebSocketTask>& task,
                                                  const std::optional<std::string>& protocol) override;
  void urlSessionWebSocketTaskDidCloseWithCode(const std::shared_ptr<platform::URLSession>& session,
                                               const std::shared_ptr<platform::URLSessionWebSocketTask>& task,
                                               int64_t closeCode, const platform::OptBytes& reason) override;
  void urlSessionTaskDidCompleteWithError(const std::shared_ptr<platform::URLSession>& session,
                                          const std::shared_ptr<platform::URLSessionWebSocketTask>& task,
                                          const std::optional<platform::Error>& error) override;

 protected:
  explicit QORNativeWebSocketChannel(platform::URLRequest request) : request_(std::move(request)) {}

 private:
  using TaskPtr = std::shared_ptr<platform::URLSessionWebSocketTask>;

  void setup();
  TaskPtr webSocketTask();
  std::weak_ptr<QORNativeWebSocketChannel> weakSelf();
  // Runs `step` on the main queue while the channel lives.
  void onMain(std::function<void(QORNativeWebSocketChannel&)> step);
  bool isCurrent(const TaskPtr& task) const { return task && task == task_; }
  int64_t upgradeStatus() const;
  void receiveNext(const TaskPtr& task);

  bool hasURL() const override;
  void open(bool renew) override;
  void close() override;
  void sendText(const std::string& text) override;
  double timeoutInterval() const override;

  // Main-queue steps.
  void opened(const TaskPtr& task);
  void closed(const TaskPtr& task, int64_t code, const platform::OptBytes& reason);
  void completed(const TaskPtr& task, const std::optional<platform::Error>& error);
  void sendFailed(const TaskPtr& task, const platform::Error& error);
  void received(const TaskPtr& task, const std::optional<platform::URLSessionWebSocketMessage>& message,
                const std::optional<platform::Error>& error);

  const platform::URLRequest request_;
  std::shared_ptr<platform::OperationQueue> operationQueue_;
  std::shared_ptr<platform::URLSession> session_;
  TaskPtr task_;
  bool isOpen_ = false;
};

}  // namespace qor
