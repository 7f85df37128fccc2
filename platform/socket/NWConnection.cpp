#include "platform/socket/NWConnection.h"

#include <unistd.h>

#include <cerrno>

#include "platform/socket/NetworkErrors.h"
#include "platform/socket/internal/Channel.h"

namespace platform {

using detail::Channel;
using detail::ChannelEvent;

namespace {

Error toNWError(const detail::ChannelFailure& f) {
  return f.toError(kNWErrorDomainPOSIX, kNWErrorDomainDNS, kNWErrorDomainTLS);
}

Error cancelledError() {
  return Error::make(kNWErrorDomainPOSIX, ECANCELED, {{kLocalizedDescriptionKey, "The connection was cancelled."}});
}

}  // namespace

std::shared_ptr<NWConnection> NWConnection::create(NWEndpoint endpoint, NWParameters parameters) {
  return std::shared_ptr<NWConnection>(new NWConnection(std::move(endpoint), std::move(parameters), -1));
}

std::shared_ptr<NWConnection> NWConnection::createWithAcceptedSocket(int fd, NWEndpoint peer) {
  return std::shared_ptr<NWConnection>(new NWConnection(std::move(peer), {}, fd));
}

NWConnection::NWConnection(NWEndpoint endpoint, NWParameters parameters, int acceptedFd)
    : endpoint_(std::move(endpoint)), parameters_(std::move(parameters)), acceptedFd_(acceptedFd) {}

NWConnection::~NWConnection() {
  if (channel_) channel_->close();
  if (acceptedFd_ >= 0) ::close(acceptedFd_);
}

void NWConnection::setStateUpdateHandler(StateHandler handler) {
  std::lock_guard lock(mutex_);
  stateHandler_ = std::move(handler);
}

// The stand-in's path never changes (loopback), so these are kept but never called.
void NWConnection::setViabilityUpdateHandler(BoolHandler handler) {
  std::lock_guard lock(mutex_);
  viabilityHandler_ = std::move(handler);
}

void NWConnection::setBetterPathUpdateHandler(BoolHandler handler) {
  std::lock_guard lock(mutex_);
  betterPathHandler_ = std::move(handler);
}

NWConnection::State NWConnection::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void NWConnection::start(std::shared_ptr<Queue> queue) {
  std::lock_guard lock(mutex_);
  if (state_ != State::setup || !queue) return;
  queue_ = std::move(queue);
  moveToLocked(State::preparing, std::nullopt);
  std::weak_ptr<NWConnection> weak = weak_from_this();
  auto handler = [weak](ChannelEvent event) {
    if (auto self = weak.lock()) self->onChannelEvent(event);
  };
  if (acceptedFd_ >= 0) {
    channel_ = Channel::adopt(std::exchange(acceptedFd_, -1), std::move(handler));
    return;
  }
  detail::ChannelConfig config;
  config.host = endpoint_.host;
  config.port = endpoint_.port;
  if (parameters_.tcp.connectionTimeout > 0) {
    config.establishTimeout = std::chrono::seconds(parameters_.tcp.connectionTimeout);
  }
  if (parameters_.tls) {
    config.tls = true;
    if (auto block = parameters_.tls->verifyBlock) {
      auto verifyQueue = parameters_.tls->verifyQueue ? parameters_.tls->verifyQueue : queue_;
      config.verify = [block, verifyQueue](std::shared_ptr<SecTrust> trust, std::function<void(bool)> complete) {
        verifyQueue->post([block, trust = std::move(trust), complete = std::move(complete)] { block(trust, complete); });
      };
    }
  }
  channel_ = Channel::connect(std::move(config), std::move(handler));
}

void NWConnection::receive(size_t minimumIncompleteLength, size_t maximumLength, ReceiveCompletion completion) {
  std::lock_guard lock(mutex_);
  receives_.push_back({minimumIncompleteLength, std::max<size_t>(maximumLength, 1), std::move(completion)});
  serviceReceivesLocked();
}

void NWConnection::send(Bytes content, SendCompletion completion) {
  std::lock_guard lock(mutex_);
  if (!queue_) return;  // not started: nothing could ever complete it
  if (!channel_ || state_ == State::cancelled) {
    const Error error = state_ == State::cancelled ? cancelledError() : notConnectedError(kNWErrorDomainPOSIX);
    if (completion) queue_->post([completion, error] { completion(error); });
    return;
  }
  if (!completion) {
    channel_->send(std::move(content), nullptr);
    return;
  }
  channel_->send(std::move(content), [queue = queue_, completion](std::optional<detail::ChannelFailure> f) {
    std::optional<Error> error;
    if (f) error = toNWError(*f);
    queue->post([completion, error] { completion(error); });
  });
}

void NWConnection::cancel() {
  std::lock_guard lock(mutex_);
  if (state_ == State::cancelled) return;
  if (channel_) channel_->close();
  if (acceptedFd_ >= 0) ::close(std::exchange(acceptedFd_, -1));
  moveToLocked(State::cancelled, std::nullopt);
  serviceReceivesLocked();
}

void NWConnection::onChannelEvent(ChannelEvent event) {
  std::lock_guard lock(mutex_);
  switch (event) {
    case ChannelEvent::established:
      if (state_ == State::preparing) moveToLocked(State::ready, std::nullopt);
      break;
    case ChannelEvent::unreachable:
      // Like the platform: the connection waits for a better network, which on loopback never comes.
      if (state_ == State::preparing) moveToLocked(State::waiting, channelError());
      break;
    case ChannelEvent::failed:
      if (state_ != State::cancelled && state_ != State::failed) moveToLocked(State::failed, channelError());
      serviceReceivesLocked();
      break;
    case ChannelEvent::readable:
    case ChannelEvent::ended:
      serviceReceivesLocked();
      break;
    case ChannelEvent::spaceAvailable:
      break;
  }
}

Error NWConnection::channelError() const {
  auto f = channel_ ? channel_->failure() : std::nullopt;
  return f ? toNWError(*f) : notConnectedError(kNWErrorDomainPOSIX);
}

void NWConnection::moveToLocked(State state, std::optional<Error> error) {
  if (state_ == State::cancelled) return;
  state_ = state;
  if (stateHandler_ && queue_) {
    queue_->post([handler = stateHandler_, state, error = std::move(error)] { handler(state, error); });
  }
  if (state == State::cancelled) {
    // The last state: handlers (and whatever they hold) are let go.
    stateHandler_ = nullptr;
    viabilityHandler_ = nullptr;
    betterPathHandler_ = nullptr;
  }
}

void NWConnection::serviceReceivesLocked() {
  if (!queue_) return;
  while (!receives_.empty()) {
    PendingReceive& r = receives_.front();
    OptBytes content;
    bool isComplete = false;
    std::optional<Error> error;
    if (state_ == State::cancelled || !channel_) {
      error = cancelledError();
    } else {
      const size_t available = channel_->available();
      const bool ended = channel_->peerEnded();
      const auto failure = channel_->failure();
      if (available > 0 && (available >= r.minimum || ended || failure)) {
        content = channel_->take(r.maximum);
        isComplete = ended && channel_->available() == 0;
      } else if (ended) {
        isComplete = true;
      } else if (failure) {
        error = toNWError(*failure);
      } else {
        return;
      }
    }
    queue_->post([completion = std::move(r.completion), content = std::move(content), isComplete, error] {
      if (completion) completion(content, isComplete, error);
    });
    receives_.pop_front();
  }
}

}  // namespace platform
