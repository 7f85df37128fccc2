// The engine over the URL session's WebSocket task: the task does the whole protocol, this engine
// turns the session's messages and the task's received messages into events. It reports
// `connected`, `disconnected`, `text`, `binary` and `error` only.
//
// Each start makes a new session and task and cancels the task before it; events of a task that was
// replaced are dropped, so an owner never takes the old connection's end for the new one's. The
// receive loop of a task stops at its first failure, which is reported once. Writes go to the stored
// task (a stopped one included); without a task nothing happens and no completion runs. Text that is
// not UTF-8 is refused with an `error` event and its completion never runs. A forced stop asks the
// task to close with 1006, a code that never goes on the wire: the task aborts without a close frame.
//
// Events reach the delegate (held weakly) on the session's delegate queue. Methods may be called
// from any queue.
#pragma once

#include <memory>
#include <mutex>

#include "common/websocket/engine/Engine.h"
#include "platform/http/URLSession.h"

namespace qor {

class NativeEngine : public Engine,
                     public platform::URLSessionWebSocketDelegate,
                     public std::enable_shared_from_this<NativeEngine> {
 public:
  static std::shared_ptr<NativeEngine> create();

  virtual std::shared_ptr<EngineDelegate> delegate() const;
  // The current task; empty before the first start.
  std::shared_ptr<platform::URLSessionWebSocketTask> task() const;

  void registerDelegate(std::weak_ptr<EngineDelegate> delegate) override;
  void start(const platform::URLRequest& request) override;
  // Asks the task to close with the code and no reason.
  void stop(uint16_t closeCode) override;
  void forceStop() override;
  // The completion runs once the task reports the send done, with or without an error.
  void writeString(const std::string& string, WriteCompletion completion) override;
  // Text, binary and ping (its completion waits for the pong); other opcodes send nothing.
  void writeData(platform::Bytes data, FrameOpCode opcode, WriteCompletion completion) override;

  void urlSessionWebSocketTaskDidOpenWithProtocol(const std::shared_ptr<platform::URLSession>& session,
                                                  const std::shared_ptr<platform::URLSessionWebSocketTask>& task,
                                                  const std::optional<std::string>& protocol) override;
  void urlSessionWebSocketTaskDidCloseWithCode(const std::shared_ptr<platform::URLSession>& session,
                                               const std::shared_ptr<platform::URLSessionWebSocketTask>& task,
                                               int64_t closeCode, const platform::OptBytes& reason) override;

 protected:
  NativeEngine() = default;

 private:
  void receiveNext(const std::shared_ptr<platform::URLSessionWebSocketTask>& task);
  bool isCurrent(const std::shared_ptr<platform::URLSessionWebSocketTask>& task) const;
  void report(WebSocketEvent event);

  mutable std::mutex mutex_;
  std::shared_ptr<platform::URLSessionWebSocketTask> task_;  // guarded
  std::weak_ptr<EngineDelegate> delegate_;                   // guarded
};

}  // namespace qor
