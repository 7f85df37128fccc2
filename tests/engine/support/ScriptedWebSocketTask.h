// A URL-session WebSocket task for tests: it records what its owner asks of it, and the test plays
// the connection's side. Like a real task it reports through its session (delegate queue, in order).
// Thread-safe.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/http/URLSession.h"

namespace enginetest {

class ScriptedWebSocketTask final : public platform::URLSessionWebSocketTask,
                                    public std::enable_shared_from_this<ScriptedWebSocketTask> {
 public:
  ScriptedWebSocketTask(std::shared_ptr<platform::URLSession> session, platform::URLRequest request, uint64_t identifier)
      : session_(std::move(session)), request_(std::move(request)), identifier_(identifier) {}

  // The connection's side.
  void open(std::optional<std::string> protocol = std::nullopt);
  void closeWith(int64_t code, platform::OptBytes reason);
  void completeWith(std::optional<platform::Error> error);
  // Answers the oldest waiting receive; false when none waits.
  bool deliver(platform::URLSessionWebSocketMessage message);
  bool failReceive(const platform::Error& error);
  // Completes the oldest send that was not completed yet; false when there is none.
  bool completeSend(std::optional<platform::Error> error = std::nullopt);
  size_t waitingReceives() const;

  // What the owner asked for.
  bool resumed() const;
  int cancels() const;
  std::vector<int64_t> closeCodes() const;
  std::vector<platform::URLSessionWebSocketMessage> sent() const;
  int pings() const;

  void resume() override;
  void cancel() override;
  void cancelWithCloseCode(int64_t closeCode, platform::OptBytes reason) override;
  void sendMessage(platform::URLSessionWebSocketMessage message, SendCompletion completion) override;
  void receiveMessageWithCompletionHandler(ReceiveCompletion completion) override;
  void sendPingWithPongReceiveHandler(PongReceiveHandler handler) override;
  State state() const override;
  int64_t closeCode() const override;
  platform::OptBytes closeReason() const override;
  std::optional<platform::HTTPURLResponse> response() const override;
  uint64_t taskIdentifier() const override { return identifier_; }
  const platform::URLRequest& originalRequest() const override { return request_; }

 private:
  template <class Call>
  void toDelegate(Call call);

  const std::shared_ptr<platform::URLSession> session_;
  const platform::URLRequest request_;
  const uint64_t identifier_;
  mutable std::mutex mutex_;
  bool resumed_ = false;
  int cancels_ = 0;
  std::vector<int64_t> closeCodes_;
  std::vector<platform::URLSessionWebSocketMessage> sent_;
  std::deque<SendCompletion> sends_;
  std::deque<ReceiveCompletion> receives_;
  int pings_ = 0;
  std::optional<platform::HTTPURLResponse> response_;
};

// Makes the session's WebSocket tasks scripted ones while it lives (the library's own come back
// afterwards) and keeps every task it made.
class ScriptedTaskFactory {
 public:
  ScriptedTaskFactory();
  ~ScriptedTaskFactory();
  ScriptedTaskFactory(const ScriptedTaskFactory&) = delete;
  ScriptedTaskFactory& operator=(const ScriptedTaskFactory&) = delete;

  std::vector<std::shared_ptr<ScriptedWebSocketTask>> tasks() const;
  // The task made last; nullptr when none was.
  std::shared_ptr<ScriptedWebSocketTask> last() const;

 private:
  struct Made {
    std::mutex mutex;
    std::vector<std::shared_ptr<ScriptedWebSocketTask>> tasks;
  };
  std::shared_ptr<Made> made_ = std::make_shared<Made>();
  platform::URLSessionWebSocketTaskFactory previous_;
};

}  // namespace enginetest
