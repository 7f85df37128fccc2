// A TCP connection with optional TLS, reporting its states and completing its receives and sends
// on the queue given to `start`.
//
// States: setup -> preparing -> ready, or waiting (refused, unreachable or unresolvable: it stays
// there, with the error, until cancelled), or failed (timed out, TLS refused, I/O error); cancel()
// leads to cancelled from any state, the last state reported. Handlers are set before start;
// after cancelled they are released.
//
// Thread-safe. The socket is served by an I/O thread of its own. Dropping the last reference closes
// the socket (gracefully) without reporting anything.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/QORPlatformExport.h"
#include "platform/Queue.h"
#include "platform/socket/NWParameters.h"

namespace platform {

namespace detail {
class Channel;
enum class ChannelEvent;
}  // namespace detail

class NWListener;

class QOR_PLATFORM_EXPORT NWConnection : public std::enable_shared_from_this<NWConnection> {
 public:
  enum class State { setup, preparing, waiting, ready, failed, cancelled };
  using StateHandler = std::function<void(State, std::optional<Error>)>;
  using BoolHandler = std::function<void(bool)>;
  // Bytes (when any), whether the peer ended the stream after them, and the error that ended the
  // receive.
  using ReceiveCompletion = std::function<void(OptBytes content, bool isComplete, std::optional<Error> error)>;
  using SendCompletion = std::function<void(std::optional<Error>)>;

  static std::shared_ptr<NWConnection> create(NWEndpoint endpoint, NWParameters parameters);
  ~NWConnection();

  void setStateUpdateHandler(StateHandler handler);
  void setViabilityUpdateHandler(BoolHandler handler);
  void setBetterPathUpdateHandler(BoolHandler handler);

  void start(std::shared_ptr<Queue> queue);
  // Completes once at least `minimumIncompleteLength` bytes (at most `maximumLength`) are there,
  // or the stream ended, or the connection failed or was cancelled. Receives complete in order.
  void receive(size_t minimumIncompleteLength, size_t maximumLength, ReceiveCompletion completion);
  // Completes once every byte was handed to the network, or with the error that stopped it.
  void send(Bytes content, SendCompletion completion);
  void cancel();

  State state() const;
  const NWEndpoint& endpoint() const { return endpoint_; }

 private:
  friend class NWListener;
  struct PendingReceive {
    size_t minimum;
    size_t maximum;
    ReceiveCompletion completion;
  };

  NWConnection(NWEndpoint endpoint, NWParameters parameters, int acceptedFd);
  static std::shared_ptr<NWConnection> createWithAcceptedSocket(int fd, NWEndpoint peer);

  void onChannelEvent(detail::ChannelEvent event);
  // Both run with mutex_ held; they post to the queue, so events keep their order.
  void moveToLocked(State state, std::optional<Error> error);
  void serviceReceivesLocked();
  Error channelError() const;

  const NWEndpoint endpoint_;
  const NWParameters parameters_;
  int acceptedFd_;

  mutable std::mutex mutex_;
  State state_ = State::setup;
  std::shared_ptr<Queue> queue_;
  StateHandler stateHandler_;
  BoolHandler viabilityHandler_;
  BoolHandler betterPathHandler_;
  std::shared_ptr<detail::Channel> channel_;
  std::deque<PendingReceive> receives_;
};

}  // namespace platform
