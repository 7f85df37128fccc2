// What both WebSocket channels share: the stored request, the answer check, and the rules by which
// exchanges run over a connection that a subclass provides.
//
// Exchanges (a prepare, or a send and its answer) run one at a time, in the order they were asked
// for; a second caller waits instead of replacing the first. Every exchange ends with exactly one
// call of its block: a prepare with NO on any error, close or cancellation, an answer with an error
// on any of them; both after the request's timeout at the latest (60 s unless the request says
// otherwise), and a prepare at once when the stored URL does not parse. After a timed-out answer the
// connection is closed and the next prepare opens a new one, so a late answer is never taken for the
// next request's.
//
// Main queue only (checked in Debug builds): it is called there, and the subclass reports its
// connection there.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "common/channel/QORWebSocketChannel.h"
#include "platform/SequenceChecker.h"
#include "platform/URLRequest.h"

namespace qor {

class QORSerialWebSocketChannel : public QORWebSocketChannel,
                                  public std::enable_shared_from_this<QORSerialWebSocketChannel> {
 public:
  // The stored WebSocket URL (no URL when it does not parse) with the stored header fields.
  static platform::URLRequest makeUrlRequest();
  // Nullopt when the text's "status"."message" is "ok" in any letter case; otherwise an error whose
  // domain is that message (empty when there is none, the text not being JSON included) and code 0.
  static std::optional<platform::Error> errorFromServerMessage(const std::string& text);

  void prepareWithReconnection(bool reconnect, PrepareCompletion completion) override;
  void sendMessage(const platform::Bytes& data, AnswerCompletion completion) override;

 protected:
  QORSerialWebSocketChannel() = default;

  // The connection under the channel.
  virtual bool hasURL() const = 0;
  virtual bool isOpen() const = 0;
  // Connects; with `renew`, the current connection is closed first.
  virtual void open(bool renew) = 0;
  // Closes the connection; what it reports afterwards must not reach the channel as the next one's.
  virtual void close() = 0;
  virtual void sendText(const std::string& text) = 0;
  virtual double timeoutInterval() const = 0;

  // What the connection reports.
  void connectionOpened();
  // The connection closed or ended: what is in flight ends with it.
  void connectionLost();
  // A failure of the connection: a waiting prepare hears NO, a waiting answer this error with its code
  // as status when the code is not 0 (an error of code 0 ends it like a lost connection).
  void connectionFailed(const std::optional<platform::Error>& error);
  // An answer that arrived, with the status the answer block gets; dropped when none waits.
  void answerArrived(const platform::Bytes& answer, int64_t status);
  // The waiting answer ends with this error and status.
  void answerFailed(platform::Error error, int64_t status);

  QOR_MAIN_QUEUE_CHECKER(sequence_);

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
  void armTimeout();
  void timedOut(uint64_t exchange);

  PrepareCompletion prepareBlock_;
  AnswerCompletion answerBlock_;
  std::deque<Exchange> waiting_;
  uint64_t exchangeCount_ = 0;  // tells a timer which exchange it was armed for
  // The connection may still carry an answer nobody waits for any more: the next prepare reconnects.
  bool stale_ = false;
};

}  // namespace qor
