// The WebSocket channel over the stack's adapter (QOREngineWebSocket): connects lazily, reconnects
// when asked, sends each request as one text frame and hands back the next text that arrives.
//
// Exchanges (a prepare, or a send and its answer) run one at a time, in the order they were asked
// for; a second caller waits instead of replacing the first. Every exchange ends with exactly one
// call of its block: a prepare with NO on any error, close or cancellation, an answer with an error
// on any of them; both after the request's timeout at the latest (60 s unless the request says
// otherwise), and a prepare at once when the stored URL does not parse.
//
// Lives on the main queue: called there, and the adapter (whose delegate it is) reports there too.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "common/channel/QORWebSocketChannel.h"
#include "common/websocket/adapter/QOREngineWebSocket.h"
#include "platform/URLRequest.h"

namespace qor {

class QORCrossVersionWebSocketChannel : public QORWebSocketChannel,
                                        public QOREngineWebSocketDelegate,
                                        public std::enable_shared_from_this<QORCrossVersionWebSocketChannel> {
 public:
  // With an adapter for makeUrlRequest(); does not connect.
  static std::shared_ptr<QORCrossVersionWebSocketChannel> create();
  // Around the given adapter, which gets the channel as its delegate.
  static std::shared_ptr<QORCrossVersionWebSocketChannel> create(std::shared_ptr<QOREngineWebSocket> socket);

  // The stored WebSocket URL (no URL when it does not parse) with the stored header fields.
  static platform::URLRequest makeUrlRequest();
  // Nullopt when the text's "status"."message" is "ok" in any letter case; otherwise an error whose
  // domain is that message (empty when there is none, the text not being JSON included) and code 0.
  static std::optional<platform::Error> errorFromServerMessage(const std::string& text);

  const std::shared_ptr<QOREngineWebSocket>& socket() const { return socket_; }

  void prepareWithReconnection(bool reconnect, PrepareCompletion completion) override;
  void sendMessage(const platform::Bytes& data, AnswerCompletion completion) override;
  // Hands a text to the waiting answer; dropped when none waits.
  void handleReceivedMessage(const std::string& text);

  void engineWebSocketDidConnectWithHeaders(const Socket& socket, const platform::Json& headers) override;
  void engineWebSocketDidDisconnectWithReason(const Socket& socket, const std::string& reason, uint16_t code) override;
  void engineWebSocketDidReceiveText(const Socket& socket, const std::string& text) override;
  void engineWebSocketDidReceiveError(const Socket& socket, const std::optional<platform::Error>& error) override;
  void engineWebSocketDidCancel(const Socket& socket) override;

 protected:
  explicit QORCrossVersionWebSocketChannel(std::shared_ptr<QOREngineWebSocket> socket);

 private:
  struct Exchange {
    bool isPrepare = true;
    bool reconnect = false;
    platform::Bytes data;
    PrepareCompletion prepareBlock;
    AnswerCompletion answerBlock;
  };

  void enqueue(Exchange exchange);
  // Starts waiting exchanges while none is in flight.
  void startNext();
  void startPrepare(bool reconnect, PrepareCompletion block);
  void startSend(const platform::Bytes& data, AnswerCompletion block);
  void finishPrepare(bool ready);
  void finishAnswer(platform::OptBytes data, std::optional<platform::Error> error, int64_t status);
  // The connection ended or failed: what is in flight ends with it.
  void connectionLost();
  void armTimeout();
  void timedOut(uint64_t exchange);

  const std::shared_ptr<QOREngineWebSocket> socket_;
  PrepareCompletion prepareBlock_;
  AnswerCompletion answerBlock_;
  std::deque<Exchange> waiting_;
  uint64_t exchangeCount_ = 0;  // tells a timer which exchange it was armed for
  // The connection may still carry an answer nobody waits for any more: the next prepare reconnects.
  bool stale_ = false;
};

}  // namespace qor
