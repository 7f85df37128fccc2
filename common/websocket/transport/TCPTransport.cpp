#include "common/websocket/transport/TCPTransport.h"

#include <cmath>

#include "common/websocket/http/URLParts.h"
#include "common/websocket/security/FoundationSecurity.h"
#include "common/websocket/transport/TCPTransportError.h"
#include "platform/socket/NetworkErrors.h"

namespace qor {

using platform::NWConnection;

namespace {

// One byte completes a read: a frame's last byte may be alone in the socket, and the peer may send
// nothing after it until it hears an answer.
constexpr size_t kMinimumRead = 1;
constexpr size_t kMaximumRead = 4096;

ErrorPtr platformError(std::optional<platform::Error> error) {
  if (!error) return nullptr;
  return makeError<PlatformError>(std::move(*error));
}

// Whole seconds, rounded up; 0 (no limit of our own) for a timeout that is not a positive number.
int64_t connectionTimeoutSeconds(double timeout) {
  if (!std::isfinite(timeout) || timeout <= 0) return 0;
  if (timeout >= 9.2e18) return INT64_MAX;
  return static_cast<int64_t>(std::ceil(timeout));
}

}  // namespace

TCPTransport::TCPTransport() : queue_(platform::SerialQueue::create("com.qor.websocket.tcp-transport")) {}

std::shared_ptr<TCPTransport> TCPTransport::create() { return std::shared_ptr<TCPTransport>(new TCPTransport()); }

std::shared_ptr<TCPTransport> TCPTransport::create(std::shared_ptr<NWConnection> connection,
                                                   std::weak_ptr<TransportEventClient> delegate) {
  auto transport = create();
  if (connection) {
    transport->registerDelegate(std::move(delegate));
    transport->start(connection, transport->adopt(connection, /*isTLS=*/false));
  }
  return transport;
}

TCPTransport::~TCPTransport() {
  // The handlers hold the transport weakly, so nothing of this connection is reported any more.
  if (connection_) connection_->cancel();
}

void TCPTransport::registerDelegate(std::weak_ptr<TransportEventClient> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

bool TCPTransport::usingTLS() const {
  std::lock_guard lock(mutex_);
  return isTLS_;
}

void TCPTransport::connect(const platform::URL& url, double timeout,
                           std::shared_ptr<CertificatePinning> certificatePinning) {
  const auto parts = getParts(url);
  if (!parts || parts->port < 0 || parts->port > 65535) {
    report(ConnectionState::Failed{makeError<TCPTransportError>(TCPTransportError::invalidRequest())});
    return;
  }
  platform::NWParameters parameters;
  parameters.tcp.connectionTimeout = connectionTimeoutSeconds(timeout);
  if (parts->isTLS) {
    // Without a pinner the standard evaluation for the host still decides.
    auto pinner = certificatePinning ? certificatePinning : std::make_shared<FoundationSecurity>();
    const std::string host = parts->host;
    parameters.tls = platform::NWProtocolTLSOptions{
        [pinner, host](std::shared_ptr<platform::SecTrust> trust, std::function<void(bool)> complete) {
          pinner->evaluateTrust(trust, host, [complete](PinningState state) { complete(state.isSuccess()); });
        },
        queue_};
  }
  auto connection = NWConnection::create({parts->host, static_cast<uint16_t>(parts->port)}, std::move(parameters));
  start(connection, adopt(connection, parts->isTLS));
}

uint64_t TCPTransport::adopt(std::shared_ptr<NWConnection> connection, bool isTLS) {
  std::shared_ptr<NWConnection> previous;
  uint64_t generation;
  {
    std::lock_guard lock(mutex_);
    isTLS_ = isTLS;
    previous = std::exchange(connection_, std::move(connection));
    generation = ++generation_;
  }
  if (previous) previous->cancel();
  return generation;
}

void TCPTransport::start(const std::shared_ptr<NWConnection>& connection, uint64_t generation) {
  std::weak_ptr<TCPTransport> weak = weak_from_this();
  connection->setStateUpdateHandler(
      [weak, generation](NWConnection::State state, std::optional<platform::Error> error) {
        if (auto self = weak.lock()) self->onState(generation, state, std::move(error));
      });
  connection->setViabilityUpdateHandler([weak, generation](bool viable) {
    if (auto self = weak.lock(); self && self->isCurrent(generation)) {
      self->report(ConnectionState::Viability{viable});
    }
  });
  connection->setBetterPathUpdateHandler([weak, generation](bool better) {
    if (auto self = weak.lock(); self && self->isCurrent(generation)) {
      self->report(ConnectionState::ShouldReconnect{better});
    }
  });
  connection->start(queue_);
  {
    std::lock_guard lock(mutex_);
    isRunning_ = true;
  }
  receiveNext(generation);
}

void TCPTransport::receiveNext(uint64_t generation) {
  std::shared_ptr<NWConnection> connection;
  {
    std::lock_guard lock(mutex_);
    if (!isRunning_ || generation_ != generation) return;
    connection = connection_;
  }
  std::weak_ptr<TCPTransport> weak = weak_from_this();
  connection->receive(
      kMinimumRead, kMaximumRead,
      [weak, generation](platform::OptBytes content, bool isComplete, std::optional<platform::Error> error) {
        if (auto self = weak.lock()) self->onReceive(generation, std::move(content), isComplete, std::move(error));
      });
}

void TCPTransport::onReceive(uint64_t generation, platform::OptBytes content, bool isComplete,
                             std::optional<platform::Error> error) {
  QOR_DCHECK_ON_QUEUE(queue_);
  {
    std::lock_guard lock(mutex_);
    // Bytes that arrive after a disconnect, or for a replaced connection, belong to nobody.
    if (!isRunning_ || generation_ != generation) return;
  }
  if (content && !content->empty()) report(ConnectionState::Receive{std::move(*content)});
  if (isComplete) {
    // The peer ended the stream: the connection cannot carry the protocol any more.
    if (markFailed(generation)) {
      report(
          ConnectionState::Failed{makeError<PlatformError>(platform::peerClosedError(platform::kNWErrorDomainPOSIX))});
    }
    return;
  }
  if (error) return;  // the state handler tells what happened to the connection
  receiveNext(generation);
}

void TCPTransport::onState(uint64_t generation, NWConnection::State state, std::optional<platform::Error> error) {
  QOR_DCHECK_ON_QUEUE(queue_);
  if (!isCurrent(generation)) return;
  switch (state) {
    case NWConnection::State::setup:
    case NWConnection::State::preparing:
      break;
    case NWConnection::State::waiting:
      report(ConnectionState::Waiting{});
      // The network will not change for this attempt: a refused or unreachable server is a failure,
      // not a wait without end.
      if (markFailed(generation)) report(ConnectionState::Failed{platformError(std::move(error))});
      break;
    case NWConnection::State::ready:
      if (failedGeneration_ != generation) report(ConnectionState::Connected{});
      break;
    case NWConnection::State::failed:
      if (markFailed(generation)) report(ConnectionState::Failed{platformError(std::move(error))});
      break;
    case NWConnection::State::cancelled:
      report(ConnectionState::Cancelled{});
      break;
  }
}

bool TCPTransport::markFailed(uint64_t generation) {
  QOR_DCHECK_ON_QUEUE(queue_);
  if (failedGeneration_ == generation || !isCurrent(generation)) return false;
  failedGeneration_ = generation;
  return true;
}

bool TCPTransport::isCurrent(uint64_t generation) const {
  std::lock_guard lock(mutex_);
  return generation_ == generation;
}

void TCPTransport::write(platform::Bytes data, WriteCompletion completion) {
  std::shared_ptr<NWConnection> connection;
  {
    std::lock_guard lock(mutex_);
    connection = connection_;
  }
  if (!connection) {
    if (completion) {
      queue_->post([completion] {
        completion(makeError<PlatformError>(platform::notConnectedError(platform::kNWErrorDomainPOSIX)));
      });
    }
    return;
  }
  if (!completion) {
    // Nobody waits for it: no completion block is queued for it either.
    connection->send(std::move(data), nullptr);
    return;
  }
  connection->send(std::move(data), [completion](std::optional<platform::Error> error) {
    completion(platformError(std::move(error)));
  });
}

void TCPTransport::disconnect() {
  std::shared_ptr<NWConnection> connection;
  {
    std::lock_guard lock(mutex_);
    isRunning_ = false;
    connection = connection_;
  }
  if (connection) connection->cancel();
}

void TCPTransport::report(const ConnectionState& state) {
  std::shared_ptr<TransportEventClient> delegate;
  {
    std::lock_guard lock(mutex_);
    delegate = delegate_.lock();
  }
  if (delegate) delegate->connectionChanged(state);
}

}  // namespace qor
