// The URL session's WebSocket task as this library provides it to the platform: one WSEngine over a
// TCPTransport does the protocol (upgrade request and accept check, codec, collector, pings), and
// this class turns its events into the task's messages, completions and delegate messages.
//
// The platform library cannot speak WebSocket (it does not link this one), so it offers a
// registration point; `registerWithURLSession()` fills it, once, the first time a user of the
// session's WebSocket tasks in this library asks for it (nothing runs at load).
//
// Ends of a task: the server's close frame, or our `cancelWithCloseCode` with a code that may go on
// the wire, close it (the delegate hears the close code, then completion without an error; what
// waits fails with "not connected"). `cancel`, a code that may not go on the wire (1005, 1006, 1015
// among them) or a close asked before the upgrade abort it without a close frame (kURLErrorCancelled).
// A failure (connection, upgrade answer, accept check, protocol) ends it with that error: a platform
// error as it came, the stack's own errors in their bridged form, kURLErrorNetworkConnectionLost when
// the connection ended without one. Messages that arrived before the end can still be received.
//
// Thread-safe; everything it reports goes through the session's delegate queue, in order. Dropping
// the task ends its connection.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "common/websocket/engine/WSEngine.h"
#include "platform/http/URLSession.h"

namespace qor {

class EngineWebSocketTask final : public platform::URLSessionWebSocketTask,
                                  public EngineDelegate,
                                  public std::enable_shared_from_this<EngineWebSocketTask> {
 public:
  // Makes these tasks the URL session's WebSocket tasks; only the first call registers.
  static void registerWithURLSession();

  static std::shared_ptr<EngineWebSocketTask> create(std::shared_ptr<platform::URLSession> session,
                                                     platform::URLRequest request, uint64_t identifier);

  void resume() override;
  void cancel() override;
  void cancelWithCloseCode(int64_t closeCode, platform::OptBytes reason) override;
  // Text that is not UTF-8 is refused (EINVAL); nothing after our close frame is sent.
  void sendMessage(platform::URLSessionWebSocketMessage message, SendCompletion completion) override;
  void receiveMessageWithCompletionHandler(ReceiveCompletion completion) override;
  void sendPingWithPongReceiveHandler(PongReceiveHandler handler) override;

  State state() const override;
  int64_t closeCode() const override;
  platform::OptBytes closeReason() const override;
  std::optional<platform::HTTPURLResponse> response() const override;
  uint64_t taskIdentifier() const override { return identifier_; }
  const platform::URLRequest& originalRequest() const override { return request_; }

  // From the engine, on its queues.
  void didReceive(WebSocketEvent event) override;

 private:
  enum class Phase { suspended, connecting, open, closing, completed };
  using DelegateCall = std::function<void(platform::URLSessionWebSocketDelegate&, const std::shared_ptr<platform::URLSession>&,
                                          const std::shared_ptr<platform::URLSessionWebSocketTask>&)>;
  struct Unsent {
    platform::URLSessionWebSocketMessage message;
    SendCompletion completion;
  };

  EngineWebSocketTask(std::shared_ptr<platform::URLSession> session, platform::URLRequest request, uint64_t identifier);

  // All of these run with mutex_ held; they only queue work (engine writes, delegate-queue blocks).
  void writeLocked(const platform::URLSessionWebSocketMessage& message, SendCompletion completion);
  void opened(const HeaderFields& headers);
  void messageArrived(platform::URLSessionWebSocketMessage message);
  // Ends the task: the close (when `closed`), then what waits fails with `pendingError`, then the
  // completion with `completionError`.
  void finishLocked(bool closed, std::optional<platform::Error> completionError, platform::Error pendingError);
  void abortLocked();
  void failLocked(const ErrorPtr& error);
  void sendDone(uint64_t send);
  void deliver(platform::Task block);
  void deliverToDelegate(DelegateCall call);

  const std::shared_ptr<platform::URLSession> session_;
  const platform::URLRequest request_;
  const uint64_t identifier_;
  const std::shared_ptr<WSEngine> engine_;

  // The task's course and its ordered sends and receives: where the channel's calls (the main queue:
  // send, receive, cancel), the engine's events (the transport's and the codec's queues) and the
  // write queue's send completions meet. Never held while anything is called.
  mutable std::mutex mutex_;
  Phase phase_ = Phase::suspended;
  std::optional<platform::HTTPURLResponse> response_;
  int64_t closeCode_ = kCloseCodeInvalid;
  platform::OptBytes closeReason_;
  std::optional<std::pair<int64_t, platform::OptBytes>> ourClose_;  // the close frame we sent
  std::optional<platform::Error> endError_;                         // what later calls fail with
  std::deque<platform::URLSessionWebSocketMessage> received_;
  std::deque<ReceiveCompletion> receivers_;
  std::deque<Unsent> unsent_;                  // sends asked for before the upgrade
  std::map<uint64_t, SendCompletion> inFlight_;  // handed to the engine, not yet written
  uint64_t nextSend_ = 0;
  std::deque<PongReceiveHandler> pongHandlers_;
  size_t unsentPings_ = 0;
};

}  // namespace qor
